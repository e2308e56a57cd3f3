// SPDX-License-Identifier: MIT
// Shared helpers of the library tests: a fresh state with a recording list
// box, scratch folders, and reading back the output file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scan_files.h"
#include "state.h"

namespace quillane::testing {

// Records what the library sends to the list box.  Each recorder registers
// itself under its own handle, because the operations table carries only a
// handle, no user data.
class ListBoxRecorder {
  public:
    explicit ListBoxRecorder(int visible_lines = 1000);
    ~ListBoxRecorder();
    ListBoxRecorder(const ListBoxRecorder &) = delete;
    ListBoxRecorder &operator=(const ListBoxRecorder &) = delete;

    // Points the state's list-box sink at this recorder.
    void attach(State &s) const;

    std::vector<std::string> lines;    // as sent, 159 characters each
    std::vector<int> top_index_calls;  // arguments of set_top_index
    int updates = 0;
    int pending_events = 0;  // events dispatch_pending reports, then 0
    int dispatch_calls = 0;

    // The lines with trailing blanks removed.
    std::vector<std::string> trimmed() const;

    int handle() const { return handle_; }
    int visible_lines() const { return visible_; }

  private:
    int handle_;
    int visible_;
};

// A scratch folder removed at the end of the test.
class ScratchDir : public test_support::ScratchFolder {
  public:
    // Writes text as given (use \r\n for CR LF files).
    std::string write(const std::string &name, const std::string &text) const {
        return test_support::write_file(path() / name, text);
    }
};

// A state ready for work: output file in a scratch folder, recording list
// box attached, options initialised.
struct Fixture {
    ScratchDir dir;
    ListBoxRecorder box;
    std::unique_ptr<State> state = std::make_unique<State>();
    std::string out_file;

    explicit Fixture(bool echo = false);
    State &s() { return *state; }
    // The output file's lines (CR LF stripped); fails the test on a bare LF.
    std::vector<std::string> out_lines() const;
    // Lines written to the output file since the last call.
    std::vector<std::string> new_out_lines();

  private:
    size_t seen_ = 0;
};

// Makes files of this process stop growing at `bytes` while it lives, as a
// full disk does: a write beyond the limit fails with EFBIG (SIGXFSZ is
// ignored meanwhile).  active() is false where the limit cannot be set;
// the test should then be skipped.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool active() const { return active_; }

  private:
    bool active_ = false;
    unsigned long long old_soft_ = 0;  // rlim_t
    void (*old_handler_)(int) = nullptr;
};

// A path of at least `length` characters inside `dir`: nested folders (made
// here) and then `leaf`, so that no single name exceeds the system's limit.
std::string long_path(const ScratchDir &dir, size_t length, const std::string &leaf);

// Text of a file, or "" when it is missing.
std::string read_file(const std::string &path);

// The bundled absorbance examples (examples/*.RA1), in name order.
std::vector<std::string> example_scans();

}  // namespace quillane::testing
