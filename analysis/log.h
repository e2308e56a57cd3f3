// SPDX-License-Identifier: MIT
// The log channel: every reporting operation appends its lines to the output
// file and posts them to the front end's list box.
//
// A Log opens the output file for appending when it is made, collects the
// operation's file lines, and writes them in one go and closes the file when
// it goes out of scope, so the file is never held open between calls and
// the user can read it at any time.  The name "NUL" means no output file.
//
// Failures are never silent: an output file that cannot be opened, a write
// that fails or is cut short (a full disk), and a failing close are each
// reported once to the list box, naming the file and the reason, and kept as
// the call's last error.  A write cut short leaves the file ending with the
// last whole line it took.  The operation goes on and its lines still reach
// the list box.
#pragma once

#include <string>
#include <string_view>

#include "state.h"

namespace quillane {

// Longest list-box line: the 160-character line buffer less its terminator.
inline constexpr int kListBoxLineLength = kLogLineLength - 1;

class Log {
  public:
    explicit Log(State &s);
    ~Log();
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    // One line to the output file (CR LF appended).
    void file(std::string_view line);
    // Lines already ended by CR LF, to the output file as they are.
    void file_block(std::string_view lines);
    // Room for `bytes` more of file lines, so that collecting them does not
    // allocate again.
    void reserve(size_t bytes);
    // One line to the list box.
    void box(std::string_view line) { post_log_line(state_, line); }
    // The same line to the file and then to the list box.
    void both(std::string_view line) {
        file(line);
        box(line);
    }
    bool has_file() const { return fd_ >= 0; }

    // Writes what has been collected so far and keeps the file open.  False
    // when the write failed (already reported).
    bool flush();

    // Sends one line to the list box: blank padded and cut to 159 characters,
    // scrolled so the newest line is the last visible one, then the box is
    // repainted and up to two of its pending events are handled.
    static void post_log_line(State &s, std::string_view line);

    // A failure the caller should learn of: kept as the last error and
    // posted to the list box.
    static void post_error(State &s, std::string_view line);

  private:
    void fail(const char *what, int error);

    State &state_;
    int fd_ = -1;
    bool failed_ = false;
    std::string pending_;
};

// True when the name means "no output file".
bool is_null_device(std::string_view name);

}  // namespace quillane
