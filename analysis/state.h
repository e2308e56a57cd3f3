// SPDX-License-Identifier: MIT
// The library's whole state: raw and active point stores, selection, limits,
// options, file names and the list-box sink.  One instance serves the
// process (see global_state()); tests create their own.
//
// Indexing follows the report and the C interface: sets, active sets and
// points are numbered from 1.  Tables written (0:50) keep their count or
// total in element 0; per-set tables have 51 elements and leave 0 unused.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "assessment_state.h"
#include "fit_results.h"
#include "plot_state.h"
#include "quillane.h"
#include "range_check.h"
#include "scan_header.h"

namespace quillane {

inline constexpr int kMaxDataSets = QUILLANE_MAX_DATA_SETS;
inline constexpr int kMaxPoints = QUILLANE_MAX_POINTS;
inline constexpr int kMaxPlotPositions = QUILLANE_MAX_PLOT_POSITIONS;
// Width of the report's file-name fields: a shorter name is blank padded to
// it, a longer one is written whole.  Names themselves are never cut.
inline constexpr int kFileNameLength = 127;
inline constexpr int kTitleLength = 90;
inline constexpr int kLogLineLength = 160;

inline constexpr const char *kBanner = "Quillane/DLL V0.99 on 28-Apr-1999";
inline constexpr const char *kPlotTitle = "Quillane V0.99";

// A stored point without a third number.
inline constexpr double kNoDeviation = -1.0;

// One point as read from a scan file.
struct RawPoint {
    double value = 0.0;   // the scan's signal (fringes or absorbance)
    double radius = 0.0;  // cm
    double unused = 0.0;  // never written; carried into the active store's work field
    double xi = 0.0;      // r^2/2, cm^2
    // The file's third number where it has one (the replicate standard
    // deviation of an absorbance scan, never negative: a negative one
    // rejects the point); kNoDeviation where the line has two numbers.
    double sd = kNoDeviation;
};

// One point of an active set, cut to the limits.  The differentiation
// overwrites weight and work with the local slope dY/dX.
struct ActivePoint {
    double value = 0.0;
    double weight = 1.0;
    double work = 0.0;
    double position = 0.0;  // xi in xi mode, radius otherwise
};

template <typename T>
using SetTable = std::array<T, kMaxDataSets + 1>;

struct State {
    State();

    // ---- data store (scan reader, fringe renumbering) ----
    SetTable<std::string> data_file_names{};  // trimmed, whole
    std::vector<RawPoint> raw_points;         // 1..kMaxPoints
    std::vector<int32_t> raw_point_set;       // 1..kMaxPoints
    SetTable<int32_t> set_point_count{};      // [0] = points stored
    // Points of each set's file that found the store full and were not read.
    SetTable<int32_t> set_points_not_read{};
    int32_t data_set_count = 0;
    SetTable<double> set_time{};
    SetTable<ScanHeader> set_header{};  // the facts of each set's time line
    bool echo_input = false;

    // ---- selection, limits and active store ----
    SetTable<int32_t> active_sets{};  // [0] = number of active sets
    double xi_low = 16.0;
    double xi_high = 26.0;
    bool xi_mode = true;
    SetTable<int32_t> lim_lo{};
    SetTable<int32_t> lim_hi{};
    std::vector<ActivePoint> active_points;  // 1..kMaxPoints
    std::vector<int32_t> active_point_set;   // 1..kMaxPoints
    SetTable<int32_t> active_point_count{};  // [0] = active points
    SetTable<int32_t> active_start{};
    SetTable<int32_t> active_end{};
    SetTable<double> active_time{};

    // ---- options, texts ----
    std::string out_file_name;   // trimmed; "NUL" = no output file
    std::string plot_file_name;  // trimmed
    std::string banner = kBanner;
    std::string plot_title = kPlotTitle;
    std::string plot_subtitle;
    int32_t differ_span = 50;
    int32_t differ_terms = 3;
    SetTable<int32_t> deriv_valid{};                         // [0] = sets differentiated, 0 = stale
    SetTable<int32_t> plot_list{};                           // [0] = count
    std::array<bool, 4> result_choice{};                     // [0] = logarithms, [1..3] = fit kinds
    std::array<double, kMaxPlotPositions + 1> xs_to_plot{};  // 1..10
    int32_t xs_to_plot_count = 0;
    bool write_plot_files = true;
    bool delete_plot_files = true;
    double confidence_level = 95.0;
    // F critical values from the exact quantile of the F distribution
    // instead of the closed-form approximation.
    bool exact_f = false;
    int32_t max_data_sets = kMaxDataSets;

    // ---- list box ----
    // One sink at a time: the handle form (init_lbsink) or the context form
    // (init_lbsink_ctx).
    int32_t lb_handle = 0;
    int32_t lb_visible_lines = 0;
    bool lb_sink_set = false;
    quillane_listbox_ops lb_ops{};
    bool lb_ctx_sink_set = false;
    quillane_listbox_ctx_ops lb_ctx_ops{};
    void *lb_ctx = nullptr;

    // The last failure met by the export being called (quillane_last_error);
    // cleared when an export starts.
    std::string last_error;

    // ---- results of the later stages ----
    FitResults fit;
    PlotState plot;
    AssessmentSettings assessment_settings;
    AssessmentResults assessment;  // of the last equilibrium assessment
    RangeCheck range_check;        // what the last look at its range found (range_check.h)
};

// The process-wide instance behind the C interface.
State &global_state();

// Keeps `message` (without its leading blank) as the last error, for
// quillane_last_error.  The first failure of a call is kept: it is usually
// the cause of the ones after it.
void note_error(State &s, std::string_view message);

// Start-up initialisation (initcommons): options, selection and counts.
void init_commons(State &s, bool echo);

// "Outfile: " + the output file name (81 characters at most) + suffix, cut at
// 90 characters.  Used for the plot subtitle and the result-graph headings.
std::string outfile_heading(const State &s, const char *suffix);

// Smallest number of active points over the active sets, kMaxPoints when
// there is none.
int32_t smallest_active_set(const State &s);

// The points of active set k in the active store; none when its bounds do
// not lie inside the store.
std::span<const ActivePoint> active_set_span(const State &s, int k);
std::span<ActivePoint> active_set_span(State &s, int k);
// Their number.
int active_set_points(const State &s, int k);

// First raw-store index of data set k (1-based), from the set point counts.
int32_t first_raw_index(const State &s, int k);

// Number of active sets, clamped to the table's capacity.
int32_t active_set_count(const State &s);

}  // namespace quillane
