// SPDX-License-Identifier: MIT
// Writing the files the session itself writes (the report's own lines, the
// results for other tools) with every step checked, and keeping a file one
// writer's for as long as it writes it.
#pragma once

#include <string>

namespace quillane::session {

// Appends text to the file (created when missing).  Returns "" or the
// reason it failed.
std::string append_to_file(const std::string &path, const std::string &text);

// Writes text to path through a temporary file in the same folder and a
// rename, so a reader never sees half a file.  The temporary is created
// exclusively under an unpredictable hidden name, so no link planted
// beside the output is ever followed.  When path itself is a symbolic link
// the file it leads to is replaced and the link stays; a link that leads
// nowhere is refused.  False with error set when any step fails (the
// temporary file is then removed).
bool write_file_atomically(const std::string &path, const std::string &text, std::string &error);

// An advisory lock on an output for as long as one writer rewrites it again
// and again (a watch): two writers would overwrite each other's results in
// turn, so the second is refused.  The lock is the file .NAME.lock beside
// the output (beside the file it leads to, when the output is a symbolic
// link), locked with flock and holding the holder's process id.  The
// kernel drops an flock when its process ends, however it ends, so a lock
// file left by a process that died blocks no one.
class OutputLock {
  public:
    OutputLock() = default;
    ~OutputLock() { release(); }
    OutputLock(const OutputLock &) = delete;
    OutputLock &operator=(const OutputLock &) = delete;

    // False with error set when another process holds the lock ("... is
    // written by another watch, process 1234 (.NAME.lock)") or the lock
    // file cannot be made.
    bool take(const std::string &output, std::string &error);
    // Removes the lock file and lets go; nothing when none is held.
    void release();

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace quillane::session
