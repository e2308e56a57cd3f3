// SPDX-License-Identifier: MIT
#include "result_graphs.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "data_plots.h"
#include "fit_access.h"
#include "ftn_format.h"
#include "log.h"
#include "plot_file.h"
#include "tick_rounding.h"

namespace quillane {

const float kLogOfZeroDeviation = std::log(FLT_MIN);

namespace {

// Headings grow with set numbers or positions up to these lengths.
constexpr size_t kSetHeadingLength = 48;
constexpr size_t kPositionHeadingLength = 52;
constexpr size_t kPositionEllipsisLength = 55;
// Points a viewer holds; a graph with more records is cut short there.
constexpr size_t kViewerCapacity = 204800;

std::string trimmed(std::string_view s) {
    return std::string(ftn::trim_right(s));
}

std::string cut(std::string text, size_t length) {
    if (text.size() > length) text.resize(length);
    return text;
}

// Natural logarithm of |v|, finite for v = 0.
float log_of_deviation(float v) {
    if (v == 0.0f) return kLogOfZeroDeviation;
    return static_cast<float>(std::log(std::fabs(static_cast<double>(v))));
}

// The highest-numbered fit kind chosen, 0 when none is.
int shown_fit_kind(const State &s) {
    for (int k = 3; k >= 1; --k)
        if (s.result_choice[k]) return k;
    return 0;
}

void size_graph(PlotState &p, int series, int points) {
    p.graph_series_count = series;
    p.graph_x.assign(static_cast<size_t>(std::max(points, 0)), 0.0f);
    p.graph_y.assign(static_cast<size_t>(std::max(series, 0)),
                     std::vector<float>(p.graph_x.size(), 0.0f));
}

// The fit-kind title: "No Offsets Y-Offsets and Both X/Y-Offsets" and its
// shorter forms.
std::string fit_kind_title(const State &s) {
    const std::string t1 = s.result_choice[1] ? "No Offsets " : "";
    const std::string t2 = s.result_choice[2] ? " Y-Offsets " : "";
    const std::string t3 = s.result_choice[3] ? " Both X/Y-Offsets " : "";
    const int chosen = s.result_choice[1] + s.result_choice[2] + s.result_choice[3];
    if (chosen == 1) return join_trimmed({t1, t2, t3});
    if (s.result_choice[3]) return join_trimmed({t1, t2, " and", t3});
    return join_trimmed({t1, " and", t2});
}

// Kinds 1, 2 and 5: one point per compared set at its time.
void graph_against_time(State &s, Log &log, int32_t kind, int32_t ref) {
    PlotState &p = s.plot;
    const int n = active_set_count(s);
    std::vector<int> kinds;
    if (kind == QUILLANE_GRAPH_OFFSETS) {
        kinds = {3};
    } else {
        for (int k = 1; k <= 3; ++k)
            if (s.result_choice[k]) kinds.push_back(k);
    }
    s.plot_title = trimmed(s.plot_title) + "  Ref. set: " + ftn::int_field(ref, 2);
    size_graph(p, static_cast<int>(kinds.size()), n - (ref >= 1 && ref <= n ? 1 : 0));
    int point = 0;
    for (int j = 1; j <= n; ++j) {
        if (j == ref) continue;
        p.graph_x[point] = static_cast<float>(s.active_time[j]);
        for (size_t series = 0; series < kinds.size(); ++series) {
            const double v = kind == QUILLANE_GRAPH_RMS ? result_rms(s, kinds[series], ref, j)
                             : kind == QUILLANE_GRAPH_VARIANCE
                                 ? result_rss(s, kinds[series], ref, j)
                                 : result_x_offset(s, ref, j);
            // The graph holds single precision: the value is rounded first
            // and its logarithm taken of the rounded value, as for the
            // deviations.
            float y = static_cast<float>(v);
            if (s.result_choice[0] && y > 0.0f)
                y = static_cast<float>(std::log(static_cast<double>(y)));
            p.graph_y[series][point] = y;
        }
        ++point;
    }
    const char *what = kind == QUILLANE_GRAPH_RMS
                           ? " Graphing RMS devs as f(time) for all data sets with Ref set:"
                       : kind == QUILLANE_GRAPH_VARIANCE
                           ? " Graphing VARIANCES as f(time) for all data sets with Ref set:"
                           : " Graphing X-OFFSETS as f(time) for all data sets with Ref set:";
    log_time_stamp(log, StampTarget::file);
    log_time_stamp(log, StampTarget::list_box);
    log.both(ftn::FreeLine() << what << ref);
    log.file("");
    log.file("");
    log.box("");
    write_result_graph(s, point, false);
}

// Kind 3: the kept deviations of the plot list's sets at the reference
// set's points.
void graph_against_position(State &s, Log &log, int32_t ref, const std::string &fit_title) {
    PlotState &p = s.plot;
    set_result_ref_set(s, ref);
    const int n = active_set_count(s);
    const int f = shown_fit_kind(s);
    const int32_t listed = std::clamp<int32_t>(s.plot_list[0], 0, kMaxDataSets);
    const int points =
        ref >= 1 && ref <= n ? std::max(0, s.active_end[ref] - s.active_start[ref] + 1) : 0;
    size_graph(p, listed, points);
    for (int m = 1; m <= points; ++m)
        p.graph_x[m - 1] =
            static_cast<float>(s.active_points[s.active_start[ref] + m - 1].position);

    std::string heading = outfile_heading(s, " for Data Sets:");
    std::string heading2 = fit_title;
    bool ellipsis = false;
    for (int t = 1; t <= listed; ++t) {
        const int32_t set = s.plot_list[t];
        const bool last = t == listed;
        if (ftn::trim_right(heading).size() < kSetHeadingLength) {
            heading = trimmed(heading) + ftn::int_field(set, 2) + (last ? "" : ",");
        } else if (ftn::trim_right(heading2).size() < kSetHeadingLength) {
            heading2 = trimmed(heading2) +
                       (last ? "and " + ftn::int_field(set, 2) : ftn::int_field(set, 2) + ",");
        } else if (!ellipsis) {
            heading2 = trimmed(heading2) + " ...";
            ellipsis = true;
        }
        for (int m = 1; m <= points; ++m) {
            const float v = result_deviation(s, f, set, m);
            p.graph_y[t - 1][m - 1] = s.result_choice[0] ? log_of_deviation(v) : v;
        }
    }
    s.plot_subtitle = cut(heading, kTitleLength);
    s.plot_title = cut(heading2, kTitleLength);

    if (!s.delete_plot_files) {
        log_time_stamp(log, StampTarget::file);
        log.file(ftn::FreeLine() << " Graphing deviations as f(X) for the following data sets:");
        ftn::FreeLine sets;
        for (int t = 1; t <= listed; ++t)
            sets << static_cast<int>(s.plot_list[t]);
        log.file(sets);
        log.file("");
        log.file("");
    }
    write_result_graph(s, points, !s.result_choice[0]);
}

// Kind 4: the kept deviations at chosen positions, against time.
void graph_at_positions(State &s, Log &log) {
    PlotState &p = s.plot;
    const int n = active_set_count(s);
    const int32_t ref = result_ref_set(s);
    const int f = shown_fit_kind(s);
    s.plot_subtitle = outfile_heading(s, " At X=");
    const int count = std::min<int32_t>(s.xs_to_plot_count, 10);
    if (count <= 0) return;
    if (count > 1)
        sort_reals(std::span<double>(s.xs_to_plot.data() + 1, static_cast<size_t>(count)));

    // The first point of the reference set at or above each position, or
    // its last point; the positions are sorted, so the search only moves on.
    const bool ref_valid = ref >= 1 && ref <= n && s.active_end[ref] >= s.active_start[ref];
    std::vector<int> located(static_cast<size_t>(count) + 1, 1);
    if (ref_valid) {
        int32_t q = s.active_start[ref];
        for (int t = 1; t <= count; ++t) {
            while (q < s.active_end[ref] && s.active_points[q].position < s.xs_to_plot[t])
                ++q;
            located[t] = q - s.active_start[ref] + 1;
        }
    }

    std::string heading = s.plot_subtitle;
    for (int t = 1; t <= count; ++t) {
        const size_t length = ftn::trim_right(heading).size();
        if (length < kPositionHeadingLength)
            heading = trimmed(heading) + " " + ftn::fixed(s.xs_to_plot[t], 7, 3);
        else if (length <= kPositionEllipsisLength)
            heading = trimmed(heading) + " ...";
    }
    s.plot_subtitle = cut(heading, kTitleLength);

    size_graph(p, count, n - (ref >= 1 && ref <= n ? 1 : 0));
    int point = 0;
    for (int j = 1; j <= n; ++j) {
        if (j == ref) continue;
        p.graph_x[point] = static_cast<float>(s.active_time[j]);
        for (int t = 1; t <= count; ++t) {
            const float v = ref_valid ? result_deviation(s, f, j, located[t]) : 0.0f;
            p.graph_y[t - 1][point] = s.result_choice[0] ? log_of_deviation(v) : v;
        }
        ++point;
    }

    log_time_stamp(log, StampTarget::file);
    log_time_stamp(log, StampTarget::list_box);
    log.file(ftn::FreeLine() << " Graphing at the following X values as f(time):");
    ftn::FreeLine positions;
    for (int t = 1; t <= count; ++t)
        positions << s.xs_to_plot[t];
    log.file(positions);
    log.file("");
    log.file("");
    log.box(" Graphing at the following X values as f(time):");
    for (int t = 1; t <= count; ++t)
        log.box(" XI (or R) = " + ftn::fixed(s.xs_to_plot[t], 9, 5));
    log.box("");
    write_result_graph(s, point, false);
}

}  // namespace

std::string join_trimmed(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        const std::string_view kept = ftn::trim_right(part);
        text += kept.empty() ? std::string_view(" ") : kept;
    }
    return text;
}

void sort_reals(std::span<double> values) {
    std::make_heap(values.begin(), values.end());
    std::sort_heap(values.begin(), values.end());
}

void write_result_graph(State &s, int32_t npts, bool zero_line) {
    PlotState &p = s.plot;
    const size_t points = std::min(static_cast<size_t>(std::max(npts, 0)), p.graph_x.size());
    const size_t series =
        std::min(static_cast<size_t>(std::max(p.graph_series_count, 0)), p.graph_y.size());
    p.plot_points.clear();
    p.plot_points.reserve(2 * series * points + 3);
    float smallest = 1.0e32f, largest = -1.0e32f;
    for (size_t k = 0; k < series; ++k) {
        for (size_t i = 0; i < points; ++i) {
            p.plot_points.push_back(
                {p.graph_x[i], p.graph_y[k][i], 0.0f, static_cast<uint8_t>(k + 1)});
            smallest = std::min(smallest, p.graph_x[i]);
            largest = std::max(largest, p.graph_x[i]);
        }
    }
    for (size_t k = 0; k < series; ++k)
        for (size_t i = 0; i < points; ++i)
            p.plot_points.push_back(
                {p.graph_x[i], p.graph_y[k][i], 0.0f, i == 0 ? kCodeLineStart : kCodeLineContinue});
    if (zero_line && points > 0) {
        const TickRange r = snap_plot_range(smallest, largest);
        p.plot_points.push_back({static_cast<float>(r.lo), 0.0f, 0.0f, kCodeLineStart});
        p.plot_points.push_back({static_cast<float>(r.hi), 0.0f, 0.0f, kCodeLineContinue});
    }
    p.plot_points.push_back({p.graph_x.empty() ? 0.0f : p.graph_x[0], 0.0f, 0.0f, kCodeHidden});

    p.plot_heading = ftn::pad_right(s.plot_subtitle, kPlotTextLength);
    p.plot_heading2 = ftn::pad_right(s.plot_title, kPlotTextLength);
    p.plot_xlabel = ftn::pad_right(p.result_x_label, kPlotTextLength);
    p.plot_ylabel = ftn::pad_right(p.result_y_label, kPlotTextLength);
    if (p.plot_points.size() > kViewerCapacity)
        Log::post_log_line(s, ftn::FreeLine()
                                  << " The graph has" << static_cast<long>(p.plot_points.size())
                                  << " records; a plot window shows the first"
                                  << static_cast<long>(kViewerCapacity));
    write_plot_file(s);
}

void plot_result_graphs(State &s, int32_t kind, int32_t ref) {
    PlotState &p = s.plot;
    Log log(s);
    s.plot_subtitle = outfile_heading(s, " for Fits with:");
    // The offsets are in the position variable: in XI mode they are XI
    // offsets in cm^2, several times the radial offset they stand for.
    p.result_y_label = kind == QUILLANE_GRAPH_RMS        ? "RMS Devs"
                       : kind == QUILLANE_GRAPH_VARIANCE ? "Variance"
                       : kind == QUILLANE_GRAPH_OFFSETS
                           ? (s.xi_mode ? "XI Offset in cm^2" : "Radial Offset in cm")
                           : "Deviations";
    p.result_x_label = kind != QUILLANE_GRAPH_DEVIATIONS_VS_POSITION ? "            Time"
                       : s.xi_mode                                   ? "      XI = R^2/2 (cm^2)"
                                                                     : "      Radius, R (cm)";
    if (kind == QUILLANE_GRAPH_OFFSETS) s.result_choice = {false, false, false, true};
    if (s.result_choice[0]) p.result_y_label = "Ln( " + trimmed(p.result_y_label) + " )";
    s.plot_title = cut(fit_kind_title(s), kTitleLength);

    switch (kind) {
        case QUILLANE_GRAPH_RMS:
        case QUILLANE_GRAPH_VARIANCE:
        case QUILLANE_GRAPH_OFFSETS:
            graph_against_time(s, log, kind, ref);
            break;
        case QUILLANE_GRAPH_DEVIATIONS_VS_POSITION:
            graph_against_position(s, log, ref, s.plot_title);
            break;
        case QUILLANE_GRAPH_DEVIATIONS_VS_TIME:
            graph_at_positions(s, log);
            break;
        default:
            log.box(ftn::FreeLine() << " There is no result graph of kind" << kind);
            break;
    }
}

}  // namespace quillane
