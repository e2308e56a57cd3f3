#include "ftn_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quillane::ftn {
namespace {

std::string stars(int w) {
    return std::string(static_cast<size_t>(w > 0 ? w : 0), '*');
}

std::string fit_field(const std::string &s, int w) {
    if (static_cast<int>(s.size()) > w) return stars(w);
    return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

std::string not_finite(double v, int w) {
    if (std::isnan(v)) return fit_field("NaN", w);
    return fit_field(v > 0 ? "Infinity" : "-Infinity", w);
}

// The conversions use std::to_chars: unlike printf they do not follow the
// caller's locale, so a report never gets decimal commas because the program
// that loaded the library runs under a locale that writes them.
std::string to_chars_text(double v, std::chars_format format, int precision) {
    char buf[400];  // room for any double in fixed notation
    const auto r = std::to_chars(buf, buf + sizeof buf, v, format, precision);
    if (r.ec != std::errc()) return {};
    return std::string(buf, r.ptr);
}

// Splits the scientific form of |v| into its digits (no point) and the exponent.
void decimal_digits(double magnitude, int digits_after_point, std::string &mantissa,
                    int &exponent) {
    const std::string s =
        to_chars_text(magnitude, std::chars_format::scientific, digits_after_point);
    const size_t e = s.find('e');
    exponent = std::atoi(s.c_str() + e + 1);
    mantissa.clear();
    for (size_t i = 0; i < e; ++i)
        if (s[i] != '.') mantissa.push_back(s[i]);
}

std::string exponent_text(int exponent, char letter) {
    char buf[16];
    const int a = std::abs(exponent);
    const char sign = exponent < 0 ? '-' : '+';
    if (a <= 99) {
        std::snprintf(buf, sizeof buf, "%c%c%02d", letter, sign, a);
    } else {
        std::snprintf(buf, sizeof buf, "%c%03d", sign, a);  // the letter gives way to the digit
    }
    return buf;
}

bool all_zero_digits(const std::string &s) {
    for (char c : s)
        if (c >= '1' && c <= '9') return false;
    return true;
}

}  // namespace

std::string int_field(long long v, int w) {
    return fit_field(std::to_string(v), w);
}

std::string fixed(double v, int w, int d) {
    if (!std::isfinite(v)) return not_finite(v, w);
    std::string s = to_chars_text(v, std::chars_format::fixed, d);
    if (s.empty()) return stars(w);
    if (s[0] == '-' && all_zero_digits(s)) s.erase(0, 1);  // no "-0.000"
    if (static_cast<int>(s.size()) > w) {
        // Fortran may drop the optional leading zero of a value below 1.
        const size_t zero = s[0] == '-' ? 1 : 0;
        if (s.size() > zero + 1 && s[zero] == '0' && s[zero + 1] == '.') s.erase(zero, 1);
    }
    return fit_field(s, w);
}

std::string sci(double v, int w, int d, char letter, int lead) {
    if (!std::isfinite(v)) return not_finite(v, w);
    std::string digits;
    int exponent = 0;
    std::string body;
    if (v == 0.0) {
        body = "0." + std::string(static_cast<size_t>(d), '0');
    } else if (lead == 1) {
        decimal_digits(std::fabs(v), d, digits, exponent);
        body = digits.substr(0, 1) + "." + digits.substr(1);
    } else {
        decimal_digits(std::fabs(v), d > 0 ? d - 1 : 0, digits, exponent);
        body = "0." + digits;
        exponent += 1;
    }
    std::string s = (v < 0 ? "-" : "") + body + exponent_text(exponent, letter);
    const size_t zero = v < 0 ? 1 : 0;
    if (static_cast<int>(s.size()) > w && s.compare(zero, 2, "0.") == 0) s.erase(zero, 1);
    return fit_field(s, w);
}

std::string general(double v, int sig, int w) {
    if (!std::isfinite(v)) return not_finite(v, w);
    const std::string trailer(4, ' ');
    if (v == 0.0)
        return fit_field("0." + std::string(static_cast<size_t>(sig - 1), '0'), w - 4) + trailer;
    std::string digits;
    int exponent = 0;
    decimal_digits(std::fabs(v), sig - 1, digits, exponent);
    if (exponent >= -1 && exponent <= sig - 1) {
        std::string text = to_chars_text(v, std::chars_format::fixed, sig - 1 - exponent);
        if (text.find('.') == std::string::npos) text += '.';  // 123457. keeps its point
        return fit_field(text, w - 4) + trailer;
    }
    // The value keeps its sig significant digits; the form shows one more,
    // always 0, after the point.
    std::string s = (v < 0 ? "-" : "") + digits.substr(0, 1) + "." + digits.substr(1) + "0";
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return fit_field(s + buf, w);
}

std::string free_int(long long v) {
    return int_field(v, kFreeIntWidth);
}
std::string free_real(double v) {
    return general(v, kFreeRealDigits, kFreeRealWidth);
}

void FreeLine::start() {
    if (line_.empty()) line_ = " ";
}
FreeLine &FreeLine::operator<<(std::string_view text) {
    start();
    line_ += text;
    return *this;
}
FreeLine &FreeLine::operator<<(int v) {
    start();
    line_ += free_int(v);
    return *this;
}
FreeLine &FreeLine::operator<<(long v) {
    start();
    line_ += free_int(v);
    return *this;
}
FreeLine &FreeLine::operator<<(double v) {
    start();
    line_ += free_real(v);
    return *this;
}

std::string_view trim_right(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return s.substr(0, n);
}

std::string_view trim(std::string_view s) {
    s = trim_right(s);
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}

std::string pad_right(std::string_view s, size_t width) {
    std::string out(s.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string pad_left(std::string_view s, size_t width) {
    if (s.size() >= width) return std::string(s);
    return std::string(width - s.size(), ' ') + std::string(s);
}

}  // namespace quillane::ftn
