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

// Checks the form [sign] digits [. digits] [letter [sign] digits] with at
// least one mantissa digit, and converts it.  The token is converted where
// it lies; only a leading '+' or the exponent letter D (which the
// conversion does not take) make it go through a copy first.
bool parse_number(std::string_view token, double &value) {
    const size_t n = token.size();
    size_t i = 0;
    const bool plus = n > 0 && token[0] == '+';
    if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
    bool mantissa = false;
    while (i < n && is_digit(token[i])) {
        ++i;
        mantissa = true;
    }
    if (i < n && token[i] == '.') {
        ++i;
        while (i < n && is_digit(token[i])) {
            ++i;
            mantissa = true;
        }
    }
    if (!mantissa) return false;
    size_t letter = std::string_view::npos;
    if (i < n) {
        if (token[i] != 'E' && token[i] != 'e' && token[i] != 'D' && token[i] != 'd') return false;
        letter = i++;
        if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
        bool exponent = false;
        while (i < n && is_digit(token[i])) {
            ++i;
            exponent = true;
        }
        if (!exponent) return false;
    }
    if (i != n) return false;

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
        size_t end = pos;
        while (end < text.size() && !is_blank(text[end]) && text[end] != ',')
            ++end;
        const std::string_view token = text.substr(pos, end - pos);
        double value = 0.0;
        if (token.empty() || !parse_number(token, value)) return FreeRead::bad_text;
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
