// SPDX-License-Identifier: MIT
#include "scan_header.h"

#include <cmath>
#include <span>
#include <vector>

#include "free_input.h"

namespace quillane {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The items of a free-format line as the number reader splits them: runs of
// blanks, and at most one comma, separate them.  An empty item between two
// commas is an item too (and not a number).
std::vector<std::string_view> items_of(std::string_view text, size_t wanted) {
    std::vector<std::string_view> items;
    size_t pos = 0;
    while (items.size() < wanted) {
        while (pos < text.size() && is_blank(text[pos]))
            ++pos;
        if (pos >= text.size()) break;
        size_t end = pos;
        while (end < text.size() && !is_blank(text[end]) && text[end] != ',')
            ++end;
        items.push_back(text.substr(pos, end - pos));
        pos = end;
        while (pos < text.size() && is_blank(text[pos]))
            ++pos;
        if (pos < text.size() && text[pos] == ',') ++pos;
    }
    return items;
}

// Plausible values of each fact.  Instruments number cells from 1 and
// write whole numbers; a rotor turns; a wavelength is positive.  The
// bounds only keep numbers that cannot be meant from being used.
bool plausible(HeaderFact f, double v, double time_bound) {
    if (!std::isfinite(v)) return false;
    switch (f) {
        case HeaderFact::cell:
            return v >= 1.0 && v <= 999.0 && v == std::floor(v);
        case HeaderFact::temperature:
            return v >= -273.15 && v <= 1000.0;
        case HeaderFact::speed:
            return v > 0.0 && v <= 1.0e6;
        case HeaderFact::time:
            return std::fabs(v) <= time_bound;
        case HeaderFact::omega2t:
            return v >= 0.0 && v <= 1.0e30;
        case HeaderFact::wavelength:
            return v > 0.0 && v <= 1.0e5;
    }
    return false;
}

}  // namespace

ScanHeader header_facts(std::string_view items, double time_bound) {
    ScanHeader h;
    h.time_line = true;
    const std::vector<std::string_view> found = items_of(items, kHeaderFacts);
    for (size_t i = 0; i < found.size(); ++i) {
        const auto fact = static_cast<HeaderFact>(i);
        double v = 0.0;
        const bool number = read_free_numbers(found[i], std::span<double>(&v, 1)) == FreeRead::ok;
        if (number && plausible(fact, v, time_bound)) {
            h.state[i] = FactState::known;
            h.value[i] = v;
        } else {
            h.state[i] = FactState::unreadable;
        }
    }
    return h;
}

}  // namespace quillane
