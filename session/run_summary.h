// SPDX-License-Identifier: MIT
// What a run report tells about one analysis, gathered from the session
// after the fit and the assessment: the scans and their headers, the
// settings, the verdict, the forecast, the noise and every pair.  Plain
// data, Qt-free, so the runner and the program fill it the same way and the
// drawing library lays it out without asking the library anything.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "session.h"

namespace quillane::session {

// A figure of the report: a plot file the library wrote, with its caption.
struct ReportFigure {
    std::string caption;
    std::string plot_file;
    std::vector<std::string> legend;  // the name of series code 1, 2, ...; empty = none
    std::string key_title{};          // what the named series are
    // The approach to equilibrium: the series' verdict and forecast are told
    // beside it in words, and its reference lines are labelled.
    bool equilibrium = false;
    // The limits plot: the analysed range is marked on the full range.
    bool mark_limits = false;
    double low = 0.0;
    double high = 0.0;
};

struct ReportScan {
    int set = 0;  // active set
    std::string file;
    double time_s = 0.0;
    int points = 0;               // inside the limits
    std::optional<double> noise;  // unit of the values
};

// One pair of scans, matched onto the later one (the one the assessment
// would take as the reference).
struct ReportPair {
    int reference = 0;  // active set
    int compared = 0;
    double reference_time_s = 0.0;
    double compared_time_s = 0.0;
    int points = 0;
    std::array<double, 3> rms{};  // fit kinds 1..3; kind 3 only with `position_fit`
    double y_offset = 0.0;        // of the y-offset fit
    bool position_fit = false;
    double x_offset = 0.0;
    double f_critical = 0.0;
};

struct SeriesReport {
    // ---- the run ----
    int number = 0;     // the series of the run; 0 = the files as given
    std::string label;  // "14,000 rpm 280 nm, 6 scans"
    std::optional<int> cell;
    std::optional<double> speed_rpm;
    std::optional<double> wavelength_nm;
    std::optional<double> temperature_c;
    std::vector<std::string> files;  // the data sets read, in order
    std::string refusal;             // why the series was not analysed (nothing else is set)
    // Every scan of the series when there are more than were analysed (the
    // latest within the session's capacity, or every Nth); 0: all were.
    int scans_in_series = 0;

    // ---- the settings ----
    bool xi = true;
    double low = 0.0;
    double high = 0.0;
    int column = 0;  // the solution column the limits came from; 0 = none
    std::optional<double> meniscus_cm;
    std::optional<double> base_cm;
    int span = 0;
    int degree = 0;
    int reference = 0;  // active set of the fit
    std::string reference_file;
    AssessmentSettings assessment;

    // ---- the answer ----
    bool assessed = false;
    Verdict verdict;
    Forecast forecast;
    Noise noise;  // all scans pooled
    // The comparison that decided the verdict and the drift found between
    // the late scans, in words; empty when the assessment does not say.
    std::optional<std::string> decided_by;
    std::optional<std::string> drift;

    std::vector<ReportScan> scans;
    std::vector<ReportPair> pairs;
    std::vector<ReportFigure> figures;
};

struct RunReport {
    std::string program_version;     // "0.99.0039"
    std::string created;             // when the report was made, as shown
    std::vector<std::string> files;  // every file of the run, as given
    std::vector<std::string> notes;  // what the headers left in doubt
    bool several_series = false;     // --each-series: the summary table comes first
    std::vector<SeriesReport> series;
};

// The analysis the session holds now: its scans and headers, settings,
// pairs, and the assessment when one was made (`assessment` may be null).
SeriesReport summarise_analysis(const Session &session, const Assessment *assessment);

// The plot files of a report's figures, each empty where it was not made.
struct FigurePlots {
    std::string equilibrium;
    std::string rms;  // RMS deviations against time, all three fits
    std::string limits;
    // The limits plot holds every active set over the full range (the
    // runner's) rather than inside the limits (the program's).
    bool limits_at_full_range = false;
};

// Draws the figures of the run report of the analysis on show into plot
// files in `folder` (which must exist): the approach to equilibrium, the RMS
// deviations of all three fits, and every active set inside the limits (a
// plot at the full range would make the fit stale).  Nothing is added to
// the report; the session's own plot file is put back.  What the library
// met is added to `errors`.
FigurePlots draw_report_plots(Session &session, const std::string &folder,
                              std::vector<std::string> &errors);

// The figures of the report of `series`, with their captions and keys, in
// the order the report shows them: the approach to equilibrium, the RMS
// deviations, the limits; a figure whose plot was not made is left out.
std::vector<ReportFigure> report_figures(const SeriesReport &series, const FigurePlots &plots);

// "equilibrium reached" / "still approaching" / "not assessed" / "not
// analysed": the verdict of a series in a word or two, for the summary.
std::string short_verdict(const SeriesReport &series);

// ---- the summary of a run: one row per series ----
//
// The run report's summary table, the program's run overview and its CSV
// are one table, made here.  A series whose cell holds several solution
// columns has one SeriesReport per column (consecutive, the same number);
// its row says where the whole cell stands: reached only when every column
// has.

struct SummaryRow {
    int number = 0;
    std::string name;  // "cell 2, 10,000 rpm 280 nm"
    std::optional<int> cell;
    std::optional<double> speed_rpm;
    std::optional<double> wavelength_nm;
    int scans = 0;            // analysed
    int scans_in_series = 0;  // every scan of the series (>= scans)
    // The columns analysed, their limits ("5.880-6.060") in `column_unit`;
    // empty when the whole range was analysed.
    std::vector<std::string> columns;
    std::string column_unit;
    std::string verdict;  // short: "reached by scan 9", "still approaching (column 2)"
    bool reached = false;
    // The latest forecast of the columns, when one was made.
    std::optional<Forecast> forecast;
    std::optional<double> noise;        // the noisiest column's pooled noise
    std::optional<double> last_scan_s;  // the latest scan analysed
    std::string note;                   // why the series was not analysed
};

// The rows of these reports, one per series number, in their order.
std::vector<SummaryRow> summary_rows(const std::vector<SeriesReport> &series);

// The table's headings, and a row's cells in the same order, as the report,
// the overview and its CSV show them.
std::vector<std::string> summary_headings();
std::vector<std::string> summary_cells(const SummaryRow &row);

// Where a series stands, for the question whether the rotor speed may change.
struct SeriesStanding {
    std::optional<double> speed_rpm;
    std::optional<double> last_scan_s;  // its latest scan; none: no scan yet
    bool reached = false;
};

SeriesStanding standing_of(const SummaryRow &row);

// "all 21 series at 16,000 rpm reached equilibrium: the speed can be changed"
// when every series at the speed the run is at now (that of the latest scan)
// has reached equilibrium; empty otherwise.  Series at earlier speeds do not
// count: the rotor has left them.
std::string speed_change_line(const std::vector<SeriesStanding> &series);

// The local time now, "2026-12-09 03:40 CET" (SOURCE_DATE_EPOCH, when set,
// pins it, in UTC).
std::string report_time_now();

}  // namespace quillane::session
