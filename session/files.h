// SPDX-License-Identifier: MIT
// Writing the files the session itself writes (the report's own lines, the
// results for other tools) with every step checked, and keeping a file one
// writer's for as long as it writes it.
#pragma once

#include <optional>
#include <string>

namespace quillane::session {

// Appends text to the file (created when missing).  Returns "" or the
// reason it failed.
std::string append_to_file(const std::string &path, const std::string &text);

// What a write to `path` meets, decided before anything is written.
enum class OutputKind {
    file,    // a regular file, or no file yet: replaced whole through a temporary
    device,  // a character device (/dev/null, a terminal): written to directly
};

struct OutputTarget {
    OutputKind kind = OutputKind::file;
    // Where the bytes go: path itself, or the file a symbolic link at path
    // leads to, so that a link the user keeps stays a link.
    std::string path;
};

// Where a write to `path` lands.  A character device the user named (/dev/
// null, /dev/stdout on a terminal) is written to as it is: renaming a file
// over it would put a plain file in place of the device.  Anything else that
// is not a regular file (a folder, a named pipe, a socket, a block device)
// is refused rather than replaced, as is a symbolic link that leads nowhere:
// nothing then with error set.
std::optional<OutputTarget> output_target(const std::string &path, std::string &error);

// Writes text to the place output_target gives for path.  A file is written
// through a temporary file in the same folder and a rename, so a reader never
// sees half a file; the temporary is created exclusively under an
// unpredictable hidden name, so no link planted beside the output is ever
// followed, and it takes the mode of the file it replaces.  A device gets the
// text directly.  False with error set when any step fails; a file is then
// as it was and the temporary is removed.
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
    // written by another watch, process 1234 (.NAME.lock)"), the output can
    // never be written (output_target refuses it) or the lock file cannot be
    // made.  A device (/dev/null) is taken without a lock.
    bool take(const std::string &output, std::string &error);
    // Removes the lock file and lets go; nothing when none is held.
    void release();

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace quillane::session
