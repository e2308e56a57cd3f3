#include "free_input.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <string>

namespace quillane {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Checks the form [sign] digits [. digits] [letter [sign] digits] with at
// least one mantissa digit, and converts it.
bool parse_number(std::string_view token, double &value) {
    std::string text;
    size_t i = 0;
    auto digits = [&](bool &any) {
        while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i]))) {
            text.push_back(token[i++]);
            any = true;
        }
    };
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) text.push_back(token[i++]);
    bool mantissa = false;
    digits(mantissa);
    if (i < token.size() && token[i] == '.') {
        text.push_back(token[i++]);
        digits(mantissa);
    }
    if (!mantissa) return false;
    if (i < token.size()) {
        const char letter = token[i];
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return false;
        ++i;
        text.push_back('e');
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) text.push_back(token[i++]);
        bool exponent = false;
        digits(exponent);
        if (!exponent) return false;
    }
    if (i != token.size()) return false;
    // std::from_chars ignores the locale (strtod would want a decimal comma
    // under some); it takes no leading '+', and a value beyond the range of a
    // double is no number to store.
    const char *first = text.c_str();
    const char *last = first + text.size();
    if (*first == '+') ++first;
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
