// SPDX-License-Identifier: MIT
// The session's questions about scan headers and solution columns: what
// the library read from the headers, the series they make, and the columns
// of the active sets.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "run_listing.h"
#include "session.h"

namespace quillane::session {

namespace {

const char *const kFactNames[QUILLANE_HEADER_FACTS] = {"cell number", "temperature", "rotor speed",
                                                       "time",        "omega^2 t",   "wavelength"};

ScanFacts facts_of(const std::string &file, int32_t status,
                   const std::array<int32_t, QUILLANE_HEADER_FACTS> &known,
                   const std::array<double, QUILLANE_HEADER_FACTS> &values) {
    ScanFacts f;
    f.file = file;
    f.opened = status != QUILLANE_HEADER_NO_FILE;
    f.time_line = status == QUILLANE_HEADER_TIME_LINE;
    std::array<std::optional<double>, QUILLANE_HEADER_FACTS> got;
    for (size_t i = 0; i < got.size(); ++i) {
        if (known[i] == QUILLANE_FACT_KNOWN) got[i] = values[i];
        if (known[i] == QUILLANE_FACT_UNREADABLE) f.unreadable.emplace_back(kFactNames[i]);
    }
    if (got[0]) f.cell = static_cast<int>(*got[0]);
    f.temperature_c = got[1];
    f.speed_rpm = got[2];
    f.time_s = got[3];
    f.omega2t = got[4];
    f.wavelength_nm = got[5];
    return f;
}

}  // namespace

const char *limits_unit(bool xi) {
    return xi ? "cm^2" : "cm";
}

std::string column_limits_text(const Column &column, bool xi) {
    char text[96];
    std::snprintf(text, sizeof text, "%.3f-%.3f %s", column.low, column.high, limits_unit(xi));
    return text;
}

std::vector<StretchChoice> stretch_choices(const std::vector<ColumnStretch> &stretches,
                                           const std::vector<Column> &columns, double margin_cm,
                                           bool xi) {
    const auto taken = static_cast<size_t>(std::count_if(
        stretches.begin(), stretches.end(), [](const ColumnStretch &s) { return s.column; }));
    std::vector<StretchChoice> choices;
    int column = 0;
    for (const ColumnStretch &s : stretches) {
        StretchChoice c;
        c.limits = {s.from_cm, s.to_cm, convert_position(s.from_cm + margin_cm, false, xi),
                    convert_position(s.to_cm - margin_cm, false, xi)};
        if (s.column) {
            c.column = ++column;
            // The finder lists its columns in the order of the stretches it
            // took; should the two answers ever disagree in number, the
            // stretch's own ends stand.
            if (taken == columns.size()) c.limits = columns[static_cast<size_t>(column - 1)];
        }
        choices.push_back(c);
    }
    return choices;
}

int stretch_in_force(const std::vector<StretchChoice> &choices, Limits limits) {
    // Limits typed or marked by hand that happen to lie this close to a
    // stretch's are that stretch for the user too.
    constexpr double kSame = 1e-6;
    for (size_t i = 0; i < choices.size(); ++i) {
        const Column &c = choices[i].limits;
        if (std::fabs(c.low - limits.low) <= kSame && std::fabs(c.high - limits.high) <= kSame)
            return static_cast<int>(i);
    }
    return -1;
}

bool Session::is_data_line(std::string_view line) const {
    return lib_.quillane_is_data_line(line.data(), static_cast<int32_t>(line.size())) == 1;
}

std::string Session::not_a_scan(const std::string &file) const {
    return not_a_scan_reason(file, [this](std::string_view line) { return is_data_line(line); });
}

ScanFacts Session::scan_header(const std::string &file) const {
    int32_t status = 0;
    std::array<int32_t, QUILLANE_HEADER_FACTS> known{};
    std::array<double, QUILLANE_HEADER_FACTS> values{};
    lib_.quillane_scan_header(file.data(), static_cast<int32_t>(file.size()), &status, known.data(),
                              values.data());
    ScanFacts f = facts_of(file, status, known, values);
    if (!f.opened) {
        Outcome o;
        check(o);
        f.error = o.errors.empty() ? "Cannot open scan file " + file : o.errors.front();
    }
    return f;
}

std::vector<ScanFacts> Session::data_set_headers() const {
    std::vector<ScanFacts> all;
    for (int32_t n = 1; n <= data_set_count(); ++n) {
        int32_t status = 0;
        std::array<int32_t, QUILLANE_HEADER_FACTS> known{};
        std::array<double, QUILLANE_HEADER_FACTS> values{};
        lib_.quillane_data_set_header(&n, &status, known.data(), values.data());
        all.push_back(facts_of(file_name(n), status, known, values));
    }
    return all;
}

SeriesSplit Session::series_read() const {
    return split_into_series(data_set_headers());
}

std::vector<Column> Session::solution_columns(double margin_cm, Outcome *outcome) const {
    Outcome local;
    Outcome &o = outcome ? *outcome : local;
    if (!files_read()) {
        o = refused("No scan files have been read yet.");
        return {};
    }
    if (!(margin_cm >= 0.0) || !std::isfinite(margin_cm)) {
        o = refused("The margin must be 0 cm or more.");
        return {};
    }
    std::array<int32_t, kMaxDataSets + 1> sets{};
    for (int d : active_) {
        if (sets[0] >= kMaxDataSets) break;
        sets[static_cast<size_t>(++sets[0])] = d;
    }
    int32_t count = 0;
    std::array<double, QUILLANE_MAX_COLUMNS> meniscus{}, base{}, low{}, high{};
    lib_.quillane_find_columns(sets.data(), &margin_cm, &count, meniscus.data(), base.data(),
                               low.data(), high.data());
    check(o);
    std::vector<Column> columns;
    for (int32_t k = 0; k < count && k < QUILLANE_MAX_COLUMNS; ++k) {
        const auto i = static_cast<size_t>(k);
        columns.push_back({meniscus[i], base[i], low[i], high[i]});
    }
    return columns;
}

std::vector<ColumnStretch> Session::column_stretches(Outcome *outcome) const {
    Outcome local;
    Outcome &o = outcome ? *outcome : local;
    if (!files_read()) {
        o = refused("No scan files have been read yet.");
        return {};
    }
    std::array<int32_t, kMaxDataSets + 1> sets{};
    for (int d : active_) {
        if (sets[0] >= kMaxDataSets) break;
        sets[static_cast<size_t>(++sets[0])] = d;
    }
    // The library leaves the count alone when it refuses a call made from
    // within one of its own (a window asking while the library writes a
    // line): then nothing was looked at, which is not "no stretch".
    int32_t count = -1;
    std::array<double, QUILLANE_MAX_STRETCHES> from{}, to{}, level{}, deviation{}, sd{};
    std::array<int32_t, QUILLANE_MAX_STRETCHES> taken{};
    std::vector<char> reasons(QUILLANE_MAX_STRETCHES * QUILLANE_STRETCH_REASON_LENGTH, '\0');
    lib_.quillane_column_stretches(sets.data(), &count, from.data(), to.data(), level.data(),
                                   deviation.data(), sd.data(), taken.data(), reasons.data());
    if (count < 0) {
        o = refused("The column finder cannot be asked while the library is at work.");
        return {};
    }
    check(o);
    std::vector<ColumnStretch> stretches;
    for (int32_t k = 0; k < count && k < QUILLANE_MAX_STRETCHES; ++k) {
        const auto i = static_cast<size_t>(k);
        const char *reason = reasons.data() + i * QUILLANE_STRETCH_REASON_LENGTH;
        stretches.push_back({from[i], to[i], level[i], deviation[i], sd[i], taken[i] != 0,
                             std::string(reason, strnlen(reason, QUILLANE_STRETCH_REASON_LENGTH))});
    }
    return stretches;
}

std::string Session::column_in_force_text(Outcome *outcome) const {
    Outcome local;
    Outcome &o = outcome ? *outcome : local;
    if (!files_read()) return {};
    const std::vector<ColumnStretch> stretches = column_stretches(&o);
    if (!o.done) return {};
    const std::vector<StretchChoice> choices = stretch_choices(
        stretches, solution_columns(kDefaultColumnMargin, &o), kDefaultColumnMargin, xi_mode_);
    const int n = stretch_in_force(choices, limits_);
    if (n < 0 || choices[static_cast<size_t>(n)].column == 0) return {};
    const StretchChoice &c = choices[static_cast<size_t>(n)];
    return "column " + std::to_string(c.column) + ": " + column_limits_text(c.limits, xi_mode_);
}

Limits Session::data_range() const {
    std::vector<int32_t> active;
    for (int k = 1; k <= active_count(); ++k)
        active.push_back(active_set(k).data_set);
    return range_of_sets(active);
}

Session::PointsInRange Session::points_in_range() const {
    PointsInRange in;
    for (int k = 1; k <= active_count(); ++k) {
        const ActiveSetFacts facts = active_set(k);
        const int32_t n = facts.data_set;
        int32_t points = 0;
        double time = 0.0;
        lib_.quillane_data_set_info(&n, &points, &time);
        in.read += points;
        in.inside += facts.points;
    }
    return in;
}

std::string Session::limits_text() const {
    char text[128];
    std::snprintf(text, sizeof text, "%g .. %g %s", limits_.low, limits_.high,
                  limits_unit(xi_mode_));
    std::string line = text;
    const PointsInRange points = points_in_range();
    if (points.read > points.inside)
        line += ", which leaves " + std::to_string(points.read - points.inside) + " of the " +
                std::to_string(points.read) + " points read out";
    return line;
}

std::string Session::points_left_out_text() const {
    if (!files_read()) return {};
    const PointsInRange points = points_in_range();
    if (points.read <= points.inside) return {};
    return "The data limits " + limits_text() + ".";
}

}  // namespace quillane::session
