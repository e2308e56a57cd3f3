// The log channel: every reporting operation appends its lines to the output
// file and posts them to the front end's list box.
//
// A Log opens the output file for appending when it is made and closes it
// when it goes out of scope, so the file is never held open between calls and
// the user can read it at any time.  The name "NUL" means no output file.  An
// output file that cannot be opened is reported once to the list box; the
// operation goes on and its lines still reach the list box.
#pragma once

#include <cstdio>
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
    // One line to the list box.
    void box(std::string_view line) { post_log_line(state_, line); }
    // The same line to the file and then to the list box.
    void both(std::string_view line) {
        file(line);
        box(line);
    }
    bool has_file() const { return file_ != nullptr; }

    // Sends one line to the list box: blank padded and cut to 159 characters,
    // scrolled so the newest line is the last visible one, then the box is
    // repainted and up to two of its pending events are handled.
    static void post_log_line(State &s, std::string_view line);

  private:
    State &state_;
    std::FILE *file_ = nullptr;
};

// True when the name means "no output file".
bool is_null_device(std::string_view name);

}  // namespace quillane
