// SPDX-License-Identifier: MIT
#include "ftn_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace quillane::ftn {
namespace {

// Room for any double in fixed notation with the decimals the layouts use.
constexpr int kBuffer = 400;

// Text being formed in a fixed buffer: numbers never need the heap.
struct Text {
    char c[kBuffer];
    int n = 0;
    void put(char ch) {
        if (n < kBuffer) c[n++] = ch;
    }
    void put(const char *from, int count) {
        for (int i = 0; i < count; ++i)
            put(from[i]);
    }
    void erase(int at) {
        for (int i = at; i + 1 < n; ++i)
            c[i] = c[i + 1];
        --n;
    }
    std::string_view view() const { return {c, static_cast<size_t>(n)}; }
};

void append_stars(std::string &out, int w) {
    if (w > 0) out.append(static_cast<size_t>(w), '*');
}

// `text` right-aligned in w columns, or w stars when it does not fit.
void append_field(std::string &out, std::string_view text, int w) {
    if (static_cast<int>(text.size()) > w) {
        append_stars(out, w);
        return;
    }
    out.append(static_cast<size_t>(w) - text.size(), ' ');
    out.append(text);
}

void append_not_finite(std::string &out, double v, int w) {
    if (std::isnan(v)) {
        append_field(out, "NaN", w);
    } else {
        append_field(out, v > 0 ? "Infinity" : "-Infinity", w);
    }
}

// The conversions use std::to_chars: unlike printf they do not follow the
// caller's locale, so a report never gets decimal commas because the program
// that loaded the library runs under a locale that writes them.
bool to_text(Text &t, double v, std::chars_format format, int precision) {
    const auto r = std::to_chars(t.c, t.c + kBuffer, v, format, precision);
    if (r.ec != std::errc()) {
        t.n = 0;
        return false;
    }
    t.n = static_cast<int>(r.ptr - t.c);
    return true;
}

// The scientific form of |v| with `digits_after_point` digits: its digits
// (no point) go to `mantissa`, the power of ten is returned in `exponent`.
void decimal_digits(double magnitude, int digits_after_point, Text &mantissa, int &exponent) {
    Text s;
    to_text(s, magnitude, std::chars_format::scientific, digits_after_point);
    mantissa.n = 0;
    exponent = 0;
    int i = 0;
    for (; i < s.n && s.c[i] != 'e'; ++i)
        if (s.c[i] != '.') mantissa.put(s.c[i]);
    if (i >= s.n) return;
    ++i;  // past the 'e'
    const bool negative = i < s.n && s.c[i] == '-';
    if (i < s.n && (s.c[i] == '-' || s.c[i] == '+')) ++i;
    for (; i < s.n; ++i)
        exponent = 10 * exponent + (s.c[i] - '0');
    if (negative) exponent = -exponent;
}

// At least `min_digits` digits of a >= 0.
void put_digits(Text &t, int a, int min_digits) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, a);
    for (int pad = min_digits - static_cast<int>(r.ptr - buf); pad > 0; --pad)
        t.put('0');
    t.put(buf, static_cast<int>(r.ptr - buf));
}

// The exponent of the D and E layouts: letter, sign and two digits; three
// digits drop the letter (the letter gives way to the digit).
void put_exponent(Text &t, int exponent, char letter) {
    const int a = std::abs(exponent);
    const char sign = exponent < 0 ? '-' : '+';
    if (a <= 99) {
        t.put(letter);
        t.put(sign);
        put_digits(t, a, 2);
    } else {
        t.put(sign);
        put_digits(t, a, 3);
    }
}

bool all_zero_digits(const Text &t) {
    for (int i = 0; i < t.n; ++i)
        if (t.c[i] >= '1' && t.c[i] <= '9') return false;
    return true;
}

}  // namespace

void append_int(std::string &out, long long v, int w) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    append_field(out, std::string_view(buf, static_cast<size_t>(r.ptr - buf)), w);
}

void append_fixed(std::string &out, double v, int w, int d) {
    if (!std::isfinite(v)) return append_not_finite(out, v, w);
    Text t;
    if (!to_text(t, v, std::chars_format::fixed, d)) return append_stars(out, w);
    if (t.c[0] == '-' && all_zero_digits(t)) t.erase(0);  // no "-0.000"
    if (t.n > w) {
        // Fortran may drop the optional leading zero of a value below 1.
        const int zero = t.c[0] == '-' ? 1 : 0;
        if (t.n > zero + 1 && t.c[zero] == '0' && t.c[zero + 1] == '.') t.erase(zero);
    }
    append_field(out, t.view(), w);
}

void append_sci(std::string &out, double v, int w, int d, char letter, int lead) {
    if (!std::isfinite(v)) return append_not_finite(out, v, w);
    d = std::clamp(d, 0, kBuffer / 2);
    Text t;
    if (v < 0) t.put('-');
    int exponent = 0;
    if (v == 0.0) {
        t.put('0');
        t.put('.');
        for (int i = 0; i < d; ++i)
            t.put('0');
    } else if (lead == 1) {
        Text digits;
        decimal_digits(std::fabs(v), d, digits, exponent);
        if (digits.n > 0) t.put(digits.c[0]);
        t.put('.');
        if (digits.n > 1) t.put(digits.c + 1, digits.n - 1);
    } else {
        Text digits;
        decimal_digits(std::fabs(v), d > 0 ? d - 1 : 0, digits, exponent);
        t.put('0');
        t.put('.');
        t.put(digits.c, digits.n);
        exponent += 1;
    }
    put_exponent(t, exponent, letter);
    const int zero = v < 0 ? 1 : 0;
    if (t.n > w && t.n >= zero + 2 && t.c[zero] == '0' && t.c[zero + 1] == '.') t.erase(zero);
    append_field(out, t.view(), w);
}

void append_general(std::string &out, double v, int sig, int w) {
    if (!std::isfinite(v)) return append_not_finite(out, v, w);
    sig = std::clamp(sig, 1, kBuffer / 2);
    if (v == 0.0) {
        Text t;
        t.put('0');
        t.put('.');
        for (int i = 0; i < sig - 1; ++i)
            t.put('0');
        append_field(out, t.view(), w - 4);
        out.append(4, ' ');
        return;
    }
    Text digits;
    int exponent = 0;
    decimal_digits(std::fabs(v), sig - 1, digits, exponent);
    if (exponent >= -1 && exponent <= sig - 1) {
        Text t;
        to_text(t, v, std::chars_format::fixed, sig - 1 - exponent);
        if (t.view().find('.') == std::string_view::npos) t.put('.');  // 123457. keeps its point
        append_field(out, t.view(), w - 4);
        out.append(4, ' ');
        return;
    }
    // The value keeps its sig significant digits; the form shows one more,
    // always 0, after the point.
    Text t;
    if (v < 0) t.put('-');
    if (digits.n > 0) t.put(digits.c[0]);
    t.put('.');
    if (digits.n > 1) t.put(digits.c + 1, digits.n - 1);
    t.put('0');
    t.put('E');
    t.put(exponent < 0 ? '-' : '+');
    put_digits(t, std::abs(exponent), 2);
    append_field(out, t.view(), w);
}

std::string int_field(long long v, int w) {
    std::string out;
    append_int(out, v, w);
    return out;
}

std::string fixed(double v, int w, int d) {
    std::string out;
    append_fixed(out, v, w, d);
    return out;
}

std::string sci(double v, int w, int d, char letter, int lead) {
    std::string out;
    append_sci(out, v, w, d, letter, lead);
    return out;
}

std::string general(double v, int sig, int w) {
    std::string out;
    append_general(out, v, sig, w);
    return out;
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
