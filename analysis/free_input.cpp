// SPDX-License-Identifier: MIT
#include "free_input.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace quillane {
namespace {

// Numbers of up to this length are copied on the stack when they must be.
constexpr size_t kCopyLength = 160;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Exact powers of ten: every one up to 10^22 is a double.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;
// Digits that always make an exact double (10^15 - 1 < 2^53).
constexpr int kMaxExactDigits = 15;

// Reads the form [sign] digits [. digits] [letter [sign] digits], with at
// least one mantissa digit, from the start of `text`, and converts it to the
// double nearest to it; `n` gets its length.
bool parse_number(std::string_view text, double &value, size_t &n) {
    const size_t size = text.size();
    size_t i = 0;
    auto at = [&](size_t k) { return k < size ? text[k] : '\0'; };
    const bool plus = at(0) == '+';
    const bool minus = at(0) == '-';
    if (plus || minus) ++i;
    // The digits as a whole number (while they fit), and the power of ten
    // that the point and the exponent put on it.
    uint64_t digits = 0;
    int significant = 0;
    int scale = 0;
    bool mantissa = false;
    auto take = [&](char c, bool after_point) {
        mantissa = true;
        if (significant == 0 && c == '0') {
            if (after_point) --scale;
            return;
        }
        if (significant < kMaxExactDigits + 1)
            digits = 10 * digits + static_cast<uint64_t>(c - '0');
        ++significant;
        if (after_point) --scale;
    };
    while (is_digit(at(i)))
        take(text[i++], false);
    if (at(i) == '.') {
        ++i;
        while (is_digit(at(i)))
            take(text[i++], true);
    }
    if (!mantissa) return false;
    size_t letter = std::string_view::npos;
    const char e = at(i);
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        letter = i++;
        const bool negative = at(i) == '-';
        if (at(i) == '+' || at(i) == '-') ++i;
        bool exponent = false;
        int power = 0;
        while (is_digit(at(i))) {
            if (power < 10000) power = 10 * power + (text[i] - '0');
            ++i;
            exponent = true;
        }
        if (!exponent) return false;
        scale += negative ? -power : power;
    }
    n = i;

    // Few digits and a small power: the digits and the power are exact
    // doubles, so one multiplication or division rounds to the nearest
    // double, as the full conversion below does.
    if (significant <= kMaxExactDigits && scale >= -kMaxExactPower && scale <= kMaxExactPower) {
        const double whole = static_cast<double>(digits);
        const double v = scale >= 0 ? whole * kExactPowers[scale] : whole / kExactPowers[-scale];
        value = minus ? -v : v;
        return true;
    }

    // std::from_chars ignores the locale (strtod would want a decimal comma
    // under some); it takes no leading '+' and no letter D, and a value
    // beyond the range of a double is no number to store.
    const std::string_view token = text.substr(0, n);
    const char *first = token.data();
    const char *last = first + n;
    char copy[kCopyLength];
    std::string long_copy;
    if (letter != std::string_view::npos && (token[letter] == 'D' || token[letter] == 'd')) {
        char *to = copy;
        if (n > sizeof copy) {
            long_copy.assign(token);
            to = long_copy.data();
        } else {
            std::memcpy(copy, first, n);
        }
        to[letter] = 'e';
        first = to;
        last = to + n;
    }
    if (plus) ++first;
    const auto r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last;
}

}  // namespace

FreeRead read_free_numbers(std::string_view text, std::span<double> out) {
    size_t pos = 0;
    for (double &slot : out) {
        while (pos < text.size() && is_blank(text[pos]))
            ++pos;
        if (pos >= text.size()) return FreeRead::end_of_record;
        // An item runs to the next blank or comma; all of it must be the number.
        double value = 0.0;
        size_t length = 0;
        if (!parse_number(text.substr(pos), value, length)) return FreeRead::bad_text;
        const size_t end = pos + length;
        if (end < text.size() && !is_blank(text[end]) && text[end] != ',')
            return FreeRead::bad_text;
        slot = value;
        // Move past the separator: blanks, then at most one comma.
        pos = end;
        while (pos < text.size() && is_blank(text[pos]))
            ++pos;
        if (pos < text.size() && text[pos] == ',') ++pos;
    }
    return FreeRead::ok;
}

}  // namespace quillane
