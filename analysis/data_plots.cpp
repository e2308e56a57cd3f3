// SPDX-License-Identifier: MIT
#include "data_plots.h"

#include <algorithm>
#include <cstdio>

#include "fit_access.h"
#include "ftn_format.h"
#include "plot_file.h"
#include "tick_rounding.h"

namespace quillane {
namespace {

constexpr int kSetListLimit = 75;  // the set list stops growing at this length

std::string plot_text(std::string_view text) {
    return ftn::pad_right(text, kPlotTextLength);
}

// Step 1 of every data plot: the headings come from the subtitle and title.
void start_data_plot(State &s) {
    s.plot.plot_heading = plot_text(s.plot_subtitle);
    s.plot.plot_heading2 = plot_text(s.plot_title);
}

const char *position_label(const State &s) {
    return s.xi_mode ? "XI = R^2/2 (cm^2)" : "Radius, R (cm)";
}

void set_labels(State &s) {
    PlotState &p = s.plot;
    switch (p.axes) {
        case PlotAxes::slope_position:
            p.plot_xlabel = plot_text(position_label(s));
            p.plot_ylabel = plot_text("Gradient, dC/dX");
            break;
        case PlotAxes::slope_value:
            p.plot_xlabel = plot_text("Concentration, C");
            p.plot_ylabel = plot_text("Gradient, dC/dX");
            break;
        default:
            p.plot_xlabel = plot_text(position_label(s));
            p.plot_ylabel = plot_text("Concentration");
            break;
    }
}

// X and Y of an active point on the chosen axes.
std::pair<double, double> plotted(const PlotState &p, const ActivePoint &a) {
    switch (p.axes) {
        case PlotAxes::slope_position:
            return {a.position, a.work};
        case PlotAxes::slope_value:
            return {a.value, a.work};
        default:
            return {a.position, a.value};
    }
}

}  // namespace

bool list_contains(const SetTable<int32_t> &list, int32_t value) {
    const int32_t n = std::clamp<int32_t>(list[0], 0, kMaxDataSets);
    return std::find(list.begin() + 1, list.begin() + 1 + n, value) != list.begin() + 1 + n;
}

std::string format_set_list(const SetTable<int32_t> &list) {
    std::string text = plot_text("Data sets: ");
    const int32_t n = std::clamp<int32_t>(list[0], 0, kMaxDataSets);
    for (int j = 1; j <= n; ++j) {
        const size_t used = ftn::trim_right(text).size();
        if (used >= kSetListLimit) continue;
        text.replace(used, 3, ftn::int_field(list[j], 2) + ",");
    }
    // The last non-blank character is the final comma (or, for an empty
    // list, the colon of "Data sets:").
    const size_t used = ftn::trim_right(text).size();
    if (used > 0) text[used - 1] = ' ';
    return text;
}

void append_zero_line(PlotState &plot, double lo, double hi) {
    if (kPlotBufferCapacity - static_cast<int64_t>(plot.plot_points.size()) <= 2) return;
    plot.plot_points.push_back({static_cast<float>(lo), 0.0f, 0.0f, kCodeLineStart});
    plot.plot_points.push_back({static_cast<float>(hi), 0.0f, 0.0f, kCodeLineContinue});
}

std::string time_stamp_text(const std::tm &t, int hundredths, StampTarget target) {
    char time[32];
    char date[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d.%02d", t.tm_hour, t.tm_min, t.tm_sec,
                  hundredths);
    std::snprintf(date, sizeof date, "%02d/%02d/%04d ", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    std::string text = std::string(" ") + time + " On " + date;
    if (target == StampTarget::list_box) text.pop_back();
    return text;
}

void log_time_stamp(Log &log, StampTarget target) {
    int hundredths = 0;
    const std::tm now = local_time_now(&hundredths);
    const std::string text = time_stamp_text(now, hundredths, target);
    if (target == StampTarget::file) {
        log.file("");
        log.file(text);
    } else {
        log.box(text);
    }
}

void write_data_plot(State &s) {
    PlotState &p = s.plot;
    Log log(s);
    const int32_t total = std::clamp<int32_t>(s.active_point_count[0], 0, kMaxPoints);
    auto selected = [&](int32_t n) {
        const int32_t set = s.active_point_set[n];
        return set == p.plot_set || (p.plot_set < 0 && list_contains(s.plot_list, set));
    };

    int32_t count = 0, first = 0, last = 0;
    for (int32_t n = 1; n <= total; ++n) {
        if (!selected(n)) continue;
        if (count++ == 0) first = n;
        last = n;
    }

    if (p.plot_set < 0) {
        p.plot_heading2 = format_set_list(s.plot_list);
    } else {
        p.plot_heading2 = plot_text(ftn::trim_right(stored_slope_label(s, p.plot_set)));
        const int length = plot_text_length(p.plot_heading2);
        if (length >= 1 && length <= 79)
            log.file(ftn::FreeLine() << ftn::trim_right(p.plot_heading2));
    }
    if (!s.delete_plot_files) log_time_stamp(log, StampTarget::file);
    if (plot_text_length(p.plot_heading) > 0)
        log.file(ftn::FreeLine() << ftn::trim_right(p.plot_heading));
    const int heading2_length = plot_text_length(p.plot_heading2);
    if (!s.delete_plot_files && heading2_length >= 1 && heading2_length <= 79)
        log.file(ftn::FreeLine() << ftn::trim_right(p.plot_heading2));

    if (count < 2) return;
    set_labels(s);

    p.plot_points.clear();
    p.plot_points.reserve(static_cast<size_t>(count) + 2);
    double smallest = 1e37, largest = -1e37;
    for (int32_t n = first; n <= last; ++n) {
        if (!selected(n)) continue;
        const auto [x, y] = plotted(p, s.active_points[n]);
        const uint8_t code = p.plot_set < 0 ? static_cast<uint8_t>(s.active_point_set[n]) : 1;
        p.plot_points.push_back({static_cast<float>(x), static_cast<float>(y), 0.0f, code});
        smallest = std::min(smallest, x);
        largest = std::max(largest, x);
    }
    if (p.axes != PlotAxes::value_position) {
        const TickRange r = snap_plot_range(smallest, largest);
        append_zero_line(p, r.lo, r.hi);
    }
    write_plot_file(s);
}

void generic_plot(State &s, int32_t kind, int32_t set) {
    PlotState &p = s.plot;
    p.plot_set = set;
    p.plot_kind = kind;
    start_data_plot(s);
    // Slopes exist only for the active store, so a plot of the list needs
    // every active set differentiated (not every set read: a file left out
    // of the fit would otherwise refuse every slope plot of the list).
    const bool slopes = (set < 0 && s.deriv_valid[0] > 0 && s.deriv_valid[0] == s.active_sets[0]) ||
                        list_contains(s.deriv_valid, set);
    if (kind == 1) p.axes = PlotAxes::value_position;
    if (slopes && kind == 2) p.axes = PlotAxes::slope_position;
    if (slopes && kind == 3) p.axes = PlotAxes::slope_value;
    if (!slopes && kind != 1) {
        const std::string line = ftn::FreeLine() << " No derivatives are available !";
        Log::post_error(s, line);
        return;
    }
    if (p.axes == PlotAxes::none) {
        // Another kind keeps the axes of the plot before; before any plot
        // there are none to keep.
        const std::string line = ftn::FreeLine() << " There is no data plot of kind" << kind;
        Log::post_error(s, line);
        return;
    }
    write_data_plot(s);
}

void plot_list_values(State &s) {
    start_data_plot(s);
    s.plot.plot_set = -1;
    s.plot.axes = PlotAxes::value_position;
    write_data_plot(s);
}

}  // namespace quillane
