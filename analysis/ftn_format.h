// SPDX-License-Identifier: MIT
// Fixed-column number layouts of the text report and the plot files.
//
// The report keeps the column layouts its readers know: In (integer in n
// columns), Fw.d (fixed point), Dw.d (scientific with the letter D), the
// general form (fixed point for magnitudes 0.1 .. 10^sig, scientific with E
// otherwise) and free-format lines (a leading blank, then texts as they are
// and numbers in fixed-width fields).  A number that does not fit its field
// is shown as a field of '*', so a wrong-looking number is never printed.
#pragma once

#include <string>
#include <string_view>

namespace quillane::ftn {

// Integer right-aligned in w columns (In).
std::string int_field(long long v, int w);

// Fixed point in w columns with d decimals (Fw.d).  A value below 1 in
// magnitude keeps its leading zero when there is room for it.
std::string fixed(double v, int w, int d);

// Scientific notation in w columns with d digits after the point and the
// exponent letter `letter` (Dw.d): lead = 1 gives one digit before the point
// (1.2345D-03), lead = 0 a mantissa below 1 (0.1235D-02).  Exponents of three
// digits drop the letter (1.234+100).
std::string sci(double v, int w, int d, char letter = 'D', int lead = 1);

// The general form with sig significant digits, judged after rounding:
// 0.1 <= |v| < 10^sig in fixed point right-aligned in w-4 columns plus 4
// blanks; zero as 0.000.. (sig-1 zeros) the same way; otherwise scientific
// with one digit before the point, sig digits after it and the letter E,
// right-aligned in w columns.  general(3600) = "   3600.00    ".
std::string general(double v, int sig = 6, int w = 14);

// Field widths of numbers in free-format lines.
inline constexpr int kFreeIntWidth = 12;
inline constexpr int kFreeRealDigits = 15;
inline constexpr int kFreeRealWidth = 25;

std::string free_int(long long v);
std::string free_real(double v);

// Builds a free-format line: a leading blank, then the items.  A line with no
// items is empty.
class FreeLine {
  public:
    FreeLine &operator<<(std::string_view text);
    FreeLine &operator<<(const char *text) { return *this << std::string_view(text); }
    FreeLine &operator<<(const std::string &text) { return *this << std::string_view(text); }
    FreeLine &operator<<(int v);
    FreeLine &operator<<(long v);
    FreeLine &operator<<(double v);
    const std::string &str() const { return line_; }
    operator const std::string &() const { return line_; }
    operator std::string_view() const { return line_; }

  private:
    void start();
    std::string line_;
};

// The same layouts appended to `out`, without forming a string of their
// own: the report's inner loops use these.
void append_int(std::string &out, long long v, int w);
void append_fixed(std::string &out, double v, int w, int d);
void append_sci(std::string &out, double v, int w, int d, char letter = 'D', int lead = 1);
void append_general(std::string &out, double v, int sig = 6, int w = 14);

// Text helpers for the blank-padded texts of the report.
std::string_view trim_right(std::string_view s);
std::string_view trim(std::string_view s);
std::string pad_right(std::string_view s, size_t width);  // pad or cut to width
std::string pad_left(std::string_view s, size_t width);   // right-align, never cut

}  // namespace quillane::ftn
