// SPDX-License-Identifier: MIT
#include "series.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <tuple>

namespace quillane::session {
namespace {

std::string base_name(const std::string &path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.empty() ? path : name;
}

// Names for a sentence: all of them up to four, else the first three and
// how many more.
std::string names_of(const std::vector<ScanFacts> &scans, const std::vector<int> &which) {
    std::string text;
    const size_t shown = which.size() <= 4 ? which.size() : 3;
    for (size_t i = 0; i < shown; ++i)
        text += (i == 0 ? "" : ", ") + base_name(scans[static_cast<size_t>(which[i] - 1)].file);
    if (shown < which.size()) text += " and " + std::to_string(which.size() - shown) + " more";
    return text;
}

std::string scans_word(size_t n) {
    return std::to_string(n) + (n == 1 ? " scan" : " scans");
}

// "1 scan has", "2 scans have".
std::string scans_verb(size_t n, const char *one, const char *more) {
    return scans_word(n) + " " + (n == 1 ? one : more);
}

// Cluster numbers for values: sorted, a value joins the cluster of the
// smallest value it lies close enough to; -1 where there is no value.
std::vector<int> clusters(const std::vector<std::optional<double>> &values,
                          const std::function<bool(double first, double v)> &close) {
    std::vector<double> sorted;
    for (const auto &v : values)
        if (v) sorted.push_back(*v);
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> firsts;
    for (double v : sorted)
        if (firsts.empty() || !close(firsts.back(), v)) firsts.push_back(v);
    std::vector<int> id(values.size(), -1);
    for (size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) continue;
        const auto above = std::upper_bound(firsts.begin(), firsts.end(), *values[i]);
        id[i] = static_cast<int>(above - firsts.begin()) - 1;
    }
    return id;
}

// The value most scans give (the smallest of equally frequent ones).
std::optional<double> most_common(const std::vector<std::optional<double>> &values) {
    std::map<double, int> counts;
    for (const auto &v : values)
        if (v) ++counts[*v];
    std::optional<double> best;
    int best_count = 0;
    for (const auto &[v, n] : counts)
        if (n > best_count) {
            best = v;
            best_count = n;
        }
    return best;
}

std::string speed_text(const std::optional<double> &rpm, bool grouped) {
    if (!rpm) return "unknown rpm";
    char text[48];
    std::snprintf(text, sizeof text, "%.0f", *rpm);
    return (grouped ? grouped_number(std::round(*rpm)) : std::string(text)) + " rpm";
}

std::string wavelength_text(const std::optional<double> &nm) {
    if (!nm) return "unknown nm";
    return grouped_number(*nm) + " nm";
}

std::string time_text(double s) {
    return grouped_number(s) + " s";
}

// Notes on facts some scans give and others do not: the ones without
// form a series of their own.
void note_missing(SeriesSplit &split, const std::vector<ScanFacts> &scans,
                  const std::vector<int> &opened, const char *what,
                  const std::function<bool(const ScanFacts &)> &has) {
    std::vector<int> without;
    for (int i : opened)
        if (scans[static_cast<size_t>(i - 1)].time_line && !has(scans[static_cast<size_t>(i - 1)]))
            without.push_back(i);
    const bool some_have = std::any_of(opened.begin(), opened.end(), [&](int i) {
        return has(scans[static_cast<size_t>(i - 1)]);
    });
    if (without.empty() || !some_have) return;
    split.notes.push_back(scans_verb(without.size(), "gives", "give") + " no " + what + " (" +
                          names_of(scans, without) + "): they are not put with the others");
}

// Two scans with the same time at different speeds cannot come from one run.
void note_time_clashes(SeriesSplit &split, const std::vector<ScanFacts> &scans,
                       const std::vector<int> &series_of) {
    std::vector<std::pair<double, int>> timed;  // time, position
    for (size_t i = 0; i < scans.size(); ++i)
        if (scans[i].opened && scans[i].time_s) timed.emplace_back(*scans[i].time_s, i + 1);
    std::sort(timed.begin(), timed.end());
    int across = 0, within = 0;
    std::string first_across, first_within;
    for (size_t a = 0; a < timed.size(); ++a) {
        for (size_t b = a + 1; b < timed.size() && timed[b].first == timed[a].first; ++b) {
            const ScanFacts &x = scans[static_cast<size_t>(timed[a].second - 1)];
            const ScanFacts &y = scans[static_cast<size_t>(timed[b].second - 1)];
            if (x.cell != y.cell) continue;
            const bool same_series = series_of[static_cast<size_t>(timed[a].second - 1)] ==
                                     series_of[static_cast<size_t>(timed[b].second - 1)];
            const std::string pair = base_name(x.file) + " and " + base_name(y.file);
            if (same_series) {
                if (within++ == 0) first_within = pair + " (" + time_text(timed[a].first) + ")";
            } else if (x.speed_rpm && y.speed_rpm && *x.speed_rpm != *y.speed_rpm) {
                if (across++ == 0)
                    first_across = pair + " (" + time_text(timed[a].first) + ", " +
                                   speed_text(x.speed_rpm, true) + " and " +
                                   speed_text(y.speed_rpm, true) + ")";
            }
        }
    }
    if (across > 0)
        split.notes.push_back(std::to_string(across) + (across == 1 ? " pair" : " pairs") +
                              " of scans have the same time at different rotor speeds, first " +
                              first_across + ": they cannot come from one run");
    if (within > 0)
        split.notes.push_back(std::to_string(within) + (within == 1 ? " pair" : " pairs") +
                              " of scans of one series have the same time, first " + first_within +
                              ": check the times");
}

// Series of one cell at different speeds whose times interleave: two runs
// mixed, or a speed that came back.
void note_interleaved(SeriesSplit &split, const std::vector<ScanFacts> &scans) {
    struct Span {
        double first = 0.0, last = 0.0;
        bool known = false;
    };
    std::vector<Span> spans;
    for (const Series &s : split.series) {
        Span span;
        for (int i : s.scans) {
            const auto &t = scans[static_cast<size_t>(i - 1)].time_s;
            if (!t) continue;
            span.first = span.known ? std::min(span.first, *t) : *t;
            span.last = span.known ? std::max(span.last, *t) : *t;
            span.known = true;
        }
        spans.push_back(span);
    }
    for (size_t a = 0; a < split.series.size(); ++a) {
        for (size_t b = a + 1; b < split.series.size(); ++b) {
            const Series &x = split.series[a], &y = split.series[b];
            if (x.cell != y.cell || !x.speed_rpm || !y.speed_rpm || *x.speed_rpm == *y.speed_rpm)
                continue;
            if (!spans[a].known || !spans[b].known) continue;
            if (spans[a].first < spans[b].last && spans[b].first < spans[a].last)
                split.notes.push_back(
                    "series " + std::to_string(a + 1) + " (" + speed_text(x.speed_rpm, true) +
                    ") and series " + std::to_string(b + 1) + " (" + speed_text(y.speed_rpm, true) +
                    ") alternate in time: the files may come from two runs, or the speed came "
                    "back");
        }
    }
}

}  // namespace

std::string grouped_number(double v) {
    char text[64];
    if (v != std::floor(v) || std::fabs(v) >= 1e15) {
        std::snprintf(text, sizeof text, "%g", v);
        return text;
    }
    std::snprintf(text, sizeof text, "%.0f", std::fabs(v));
    std::string digits = text, out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return (v < 0 ? "-" : "") + out;
}

SeriesSplit split_into_series(const std::vector<ScanFacts> &scans) {
    SeriesSplit split;
    std::vector<int> opened;
    for (size_t i = 0; i < scans.size(); ++i) {
        if (scans[i].opened) {
            opened.push_back(static_cast<int>(i + 1));
            continue;
        }
        split.unreadable.push_back(static_cast<int>(i + 1));
        split.notes.push_back(base_name(scans[i].file) + " cannot be read: " + scans[i].error);
    }

    std::vector<std::optional<double>> speeds, wavelengths;
    std::vector<int> cells;
    for (const ScanFacts &s : scans) {
        speeds.push_back(s.opened ? s.speed_rpm : std::nullopt);
        wavelengths.push_back(s.opened ? s.wavelength_nm : std::nullopt);
        cells.push_back(s.opened && s.cell ? *s.cell : -1);
    }
    const std::vector<int> speed_id = clusters(
        speeds, [](double first, double v) { return v - first <= kSpeedTolerance * first; });
    const std::vector<int> wavelength_id = clusters(
        wavelengths, [](double first, double v) { return v - first <= kWavelengthTolerance; });

    // One series per cell, speed and wavelength, in the order first met.
    std::map<std::tuple<int, int, int>, size_t> index;
    std::vector<int> series_of(scans.size(), -1);
    for (int i : opened) {
        const auto k = static_cast<size_t>(i - 1);
        const auto key = std::make_tuple(cells[k], speed_id[k], wavelength_id[k]);
        auto found = index.find(key);
        if (found == index.end()) {
            found = index.emplace(key, split.series.size()).first;
            split.series.emplace_back();
            split.series.back().cell = scans[k].cell;
        }
        split.series[found->second].scans.push_back(i);
        series_of[k] = static_cast<int>(found->second);
    }

    std::vector<int> without_time;
    for (Series &s : split.series) {
        std::vector<std::optional<double>> rpm, nm;
        bool all_timed = true;
        for (int i : s.scans) {
            const ScanFacts &f = scans[static_cast<size_t>(i - 1)];
            rpm.push_back(f.speed_rpm);
            nm.push_back(f.wavelength_nm);
            if (!f.time_s) {
                all_timed = false;
                without_time.push_back(i);
            }
        }
        s.speed_rpm = most_common(rpm);
        s.wavelength_nm = most_common(nm);
        s.in_time_order = all_timed;
        if (all_timed)
            std::stable_sort(s.scans.begin(), s.scans.end(), [&](int a, int b) {
                return *scans[static_cast<size_t>(a - 1)].time_s <
                       *scans[static_cast<size_t>(b - 1)].time_s;
            });
    }
    // Series in the order of their first scans' times; those without times
    // after them, in the order first met.
    auto first_time = [&](const Series &s) {
        return s.in_time_order ? *scans[static_cast<size_t>(s.scans.front() - 1)].time_s
                               : std::numeric_limits<double>::infinity();
    };
    std::stable_sort(
        split.series.begin(), split.series.end(),
        [&](const Series &a, const Series &b) { return first_time(a) < first_time(b); });
    for (size_t n = 0; n < split.series.size(); ++n)
        for (int i : split.series[n].scans)
            series_of[static_cast<size_t>(i - 1)] = static_cast<int>(n);

    std::vector<int> no_line;
    for (int i : opened)
        if (!scans[static_cast<size_t>(i - 1)].time_line) no_line.push_back(i);
    if (!no_line.empty())
        split.notes.push_back(scans_verb(no_line.size(), "has", "have") + " no time line (" +
                              names_of(scans, no_line) +
                              "): their cell, rotor speed, wavelength and time are unknown");
    std::map<std::string, std::vector<int>> unreadable;
    for (int i : opened)
        for (const std::string &what : scans[static_cast<size_t>(i - 1)].unreadable)
            unreadable[what].push_back(i);
    for (const auto &[what, which] : unreadable)
        split.notes.push_back("the " + what + " of " + scans_word(which.size()) + " (" +
                              names_of(scans, which) +
                              ") is text or no plausible number: it counts as unknown");
    note_missing(split, scans, opened, "cell number", [](const ScanFacts &f) { return !!f.cell; });
    note_missing(split, scans, opened, "rotor speed",
                 [](const ScanFacts &f) { return !!f.speed_rpm; });
    note_missing(split, scans, opened, "wavelength",
                 [](const ScanFacts &f) { return !!f.wavelength_nm; });
    // Scans without a time line are named above already.
    std::vector<int> untimed;
    for (int i : without_time)
        if (scans[static_cast<size_t>(i - 1)].time_line) untimed.push_back(i);
    if (!untimed.empty())
        split.notes.push_back(
            scans_verb(untimed.size(), "has", "have") + " no time (" + names_of(scans, untimed) +
            "): " + (untimed.size() == 1 ? "its series keeps" : "their series keep") +
            " the order the files were given in");

    std::vector<int> distinct_cells;
    for (int i : opened)
        if (const auto &c = scans[static_cast<size_t>(i - 1)].cell;
            std::find(distinct_cells.begin(), distinct_cells.end(), c.value_or(-1)) ==
            distinct_cells.end())
            distinct_cells.push_back(c.value_or(-1));
    split.several_cells = distinct_cells.size() > 1;
    note_time_clashes(split, scans, series_of);
    note_interleaved(split, scans);
    return split;
}

std::string series_name(const SeriesSplit &split, int number) {
    const Series &s = split.series[static_cast<size_t>(number - 1)];
    std::string text;
    if (split.several_cells)
        text += s.cell ? "cell " + std::to_string(*s.cell) + ", " : std::string("cell unknown, ");
    return text + speed_text(s.speed_rpm, true) + " " + wavelength_text(s.wavelength_nm);
}

std::string series_label(const SeriesSplit &split, int number) {
    const Series &s = split.series[static_cast<size_t>(number - 1)];
    return series_name(split, number) + ", " + scans_word(s.scans.size());
}

std::string series_summary(const SeriesSplit &split) {
    const size_t n = split.series.size();
    std::string text = std::to_string(n) + " series";
    for (size_t k = 1; k <= n; ++k)
        text += (k == 1 ? ": " : "; ") + series_label(split, static_cast<int>(k));
    return text;
}

std::string series_choice_line(const SeriesSplit &split, int number) {
    return "Series " + std::to_string(number) + " is analysed: " + series_label(split, number);
}

std::string series_line(const SeriesSplit &split, int number, const std::vector<ScanFacts> &scans) {
    const Series &s = split.series[static_cast<size_t>(number - 1)];
    std::string text =
        std::to_string(number) + ": " + speed_text(s.speed_rpm, false) + ", " +
        (s.wavelength_nm ? grouped_number(*s.wavelength_nm) + " nm" : std::string("unknown nm")) +
        ", " + scans_word(s.scans.size());
    if (split.several_cells)
        text += s.cell ? ", cell " + std::to_string(*s.cell) : std::string(", cell unknown");
    if (!s.scans.empty()) {
        text += ", " + base_name(scans[static_cast<size_t>(s.scans.front() - 1)].file);
        if (s.scans.size() > 1)
            text += " ... " + base_name(scans[static_cast<size_t>(s.scans.back() - 1)].file);
    }
    return text;
}

std::vector<int> every_nth(const std::vector<int> &scans, int n) {
    if (n <= 1) return scans;
    std::vector<int> kept;
    for (size_t back = 0; back < scans.size(); back += static_cast<size_t>(n))
        kept.push_back(scans[scans.size() - 1 - back]);
    std::reverse(kept.begin(), kept.end());
    return kept;
}

}  // namespace quillane::session
