// SPDX-License-Identifier: MIT
// What the fuzz harnesses share: files kept in memory, a scratch folder for
// the plot files, a list box that checks its lines, and the checks of a
// plot file that every writer must pass.
#pragma once

#include <string>
#include <string_view>

#include "quillane.h"

namespace quillane::fuzz {

// A file held in memory (memfd) and reachable by name, so that code which
// opens files by name reads or appends to it without touching a disk.
class MemoryFile {
  public:
    explicit MemoryFile(const char *label);
    ~MemoryFile();
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    const std::string &path() const { return path_; }
    void set(std::string_view text);  // replaces the contents
    void clear() { set({}); }
    std::string text() const;

  private:
    int fd_ = -1;
    std::string path_;
};

// A folder of its own under the temporary folder, removed at exit.
const std::string &scratch_folder();

// A list-box sink that aborts on a line longer than the 159 characters the
// library promises.
const quillane_listbox_ops &checking_list_box();

// Aborts (a finding) with the message when `ok` is false.
void require(bool ok, const char *what);

// Reads the plot file at path, if there is one, checks it and removes it:
// every number finite, the count line equal to the number of records.
void take_plot_file(const std::string &path);

}  // namespace quillane::fuzz
