#include "free_input.h"

#include <charconv>
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

// Reads the form [sign] digits [. digits] [letter [sign] digits], with at
// least one mantissa digit, from the start of `text`, and converts it; `n`
// gets its length.  The number is converted where it lies; only a leading
// '+' or the exponent letter D (which the conversion does not take) make it
// go through a copy first.
bool parse_number(std::string_view text, double &value, size_t &n) {
    const size_t size = text.size();
    size_t i = 0;
    auto at = [&](size_t k) { return k < size ? text[k] : '\0'; };
    const bool plus = at(0) == '+';
    if (at(i) == '+' || at(i) == '-') ++i;
    bool mantissa = false;
    while (is_digit(at(i))) {
        ++i;
        mantissa = true;
    }
    if (at(i) == '.') {
        ++i;
        while (is_digit(at(i))) {
            ++i;
            mantissa = true;
        }
    }
    if (!mantissa) return false;
    size_t letter = std::string_view::npos;
    const char e = at(i);
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        letter = i++;
        if (at(i) == '+' || at(i) == '-') ++i;
        bool exponent = false;
        while (is_digit(at(i))) {
            ++i;
            exponent = true;
        }
        if (!exponent) return false;
    }
    n = i;
    const std::string_view token = text.substr(0, n);

    // std::from_chars ignores the locale (strtod would want a decimal comma
    // under some); it takes no leading '+' and no letter D, and a value
    // beyond the range of a double is no number to store.
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
