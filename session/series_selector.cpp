// SPDX-License-Identifier: MIT
#include "series_selector.h"

#include <charconv>
#include <cmath>

namespace quillane::session {
namespace {

std::string lower(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool to_number(std::string_view text, double &v) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(v);
}

bool close_speed(double a, double b) {
    return std::fabs(a - b) <= kSpeedTolerance * std::min(a, b);
}

bool close_wavelength(double a, double b) {
    return std::fabs(a - b) <= kWavelengthTolerance;
}

}  // namespace

bool SeriesSelector::matches(const Series &s) const {
    if (mode != Mode::chosen) return true;
    if (number != 0) return false;  // not resolved against a folder yet
    if (cell ? s.cell != cell : all_facts && s.cell) return false;
    if (speed_rpm ? !s.speed_rpm || !close_speed(*s.speed_rpm, *speed_rpm)
                  : all_facts && s.speed_rpm)
        return false;
    if (wavelength_nm ? !s.wavelength_nm || !close_wavelength(*s.wavelength_nm, *wavelength_nm)
                      : all_facts && s.wavelength_nm)
        return false;
    return true;
}

bool parse_series_selector(const std::string &text, SeriesSelector &selector, std::string &error) {
    selector = SeriesSelector{};
    selector.text = text;
    std::string all;
    for (char c : lower(text))
        if (c != ' ' && c != '\t') all += c;
    if (all.empty()) return true;
    if (all == "all") {
        selector.mode = SeriesSelector::Mode::together;
        return true;
    }
    selector.mode = SeriesSelector::Mode::chosen;
    const std::string why = "\"" + text +
                            "\" names no series: give a series number, or a speed, wavelength "
                            "or cell such as 10000rpm, 280nm or cell2 (several joined by commas)";
    size_t start = 0;
    int parts = 0;
    while (start <= all.size()) {
        const size_t comma = std::min(all.find(',', start), all.size());
        const std::string part = all.substr(start, comma - start);
        start = comma + 1;
        ++parts;
        double v = 0.0;
        const auto ends_with = [&](const char *unit) {
            const std::string u(unit);
            return part.size() > u.size() && part.compare(part.size() - u.size(), u.size(), u) == 0;
        };
        if (part.rfind("cell", 0) == 0) {
            if (selector.cell || !to_number(part.substr(4), v) || v < 1 || v > 999 ||
                v != std::floor(v)) {
                error = why;
                return false;
            }
            selector.cell = static_cast<int>(v);
        } else if (ends_with("rpm")) {
            if (selector.speed_rpm || !to_number(part.substr(0, part.size() - 3), v) || v <= 0) {
                error = why;
                return false;
            }
            selector.speed_rpm = v;
        } else if (ends_with("nm")) {
            if (selector.wavelength_nm || !to_number(part.substr(0, part.size() - 2), v) ||
                v <= 0) {
                error = why;
                return false;
            }
            selector.wavelength_nm = v;
        } else if (to_number(part, v) && v >= 1 && v == std::floor(v) && v < 1e6) {
            selector.number = static_cast<int>(v);
        } else {
            error = why;
            return false;
        }
    }
    if (selector.number != 0 && parts > 1) {
        error = "\"" + text + "\": a series number stands alone";
        return false;
    }
    return true;
}

bool resolve_series_number(SeriesSelector &selector, const SeriesSplit &split,
                           const std::vector<ScanFacts> &facts, std::string &error) {
    if (selector.mode != SeriesSelector::Mode::chosen || selector.number == 0) return true;
    const int count = static_cast<int>(split.series.size());
    if (selector.number > count) {
        error = "there is no series " + std::to_string(selector.number) + ": the folder holds " +
                std::to_string(count) + " series";
        for (int k = 1; k <= count; ++k)
            error += "\n  " + series_line(split, k, facts);
        return false;
    }
    const Series &s = split.series[static_cast<size_t>(selector.number - 1)];
    selector.cell = s.cell;
    selector.speed_rpm = s.speed_rpm;
    selector.wavelength_nm = s.wavelength_nm;
    selector.all_facts = true;
    selector.number = 0;
    return true;
}

}  // namespace quillane::session
