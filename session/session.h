// SPDX-License-Identifier: MIT
// The session: everything a user action asks of the analysis library, in
// one place for the program and the headless runner.
//
// The library is a set of exports over one process-wide state.  A user
// action (read these files, take these sets, set these limits, fit, draw
// this graph) is a sequence of export calls with rules between them; the
// session owns those sequences and the library-side state a window needs to
// show (the active sets, the limits in the position variable in use, the
// reference set of the last fit, whether that fit still matches the data,
// whether the plot on show is the one used to set limits).  Windows and the
// runner ask the session; only the session calls the exports, through the
// table its binding filled in.
//
// Numbering: data sets are numbered 1..n in the order the files were read;
// active sets 1..k in the order of the selection.  Every function says
// which numbering it takes.
//
// Nothing here throws for a user mistake: a refused action comes back as an
// Outcome with the message to show, and the library's state is unchanged.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exports.h"
#include "series.h"

namespace quillane::session {

inline constexpr int kMaxDataSets = QUILLANE_MAX_DATA_SETS;
inline constexpr int kMaxPlotPositions = QUILLANE_MAX_PLOT_POSITIONS;
inline constexpr int kMinActiveSets = 3;  // fewer cannot be fitted meaningfully
inline constexpr int kMinSpan = 3;

// What an action did, for the caller to show.
struct Outcome {
    bool done = true;     // false: refused, nothing changed; `refusal` says why
    std::string refusal;  // the message for the user when refused
    // The data limits leave every data set more than the differentiation
    // span of points (false: the caller warns; the limits still apply).
    bool span_ok = true;
    bool plot_written = false;        // a plot file is ready to be shown
    std::vector<std::string> errors;  // failures the library or the session met, in order
};

// The outcome of reading one scan file.
struct FileOutcome {
    std::string name;
    int points = 0;     // points read
    std::string error;  // why the file gave no points, or empty
    // The file is no scan (not_a_scan_text says why) and was not read: it
    // is no data set.
    bool not_a_scan = false;
    // Points of the file that found the library's point store full and
    // were not read (the file's last ones).
    int points_not_read = 0;
};

// What a user is told of a file the point store cut: how many of its points
// were kept and how many were not read.  Empty when nothing was cut.
std::string point_store_cut(const FileOutcome &file);

struct Limits {
    double low = 0.0;
    double high = 0.0;
};

struct DifferParms {
    int span = 0;
    int points = 0;  // fewest points of an active set inside the limits
    int terms = 0;
};

// The library's codes, typed: each value is the header's constant.
enum class GraphKind : int32_t {
    rms = QUILLANE_GRAPH_RMS,
    variance = QUILLANE_GRAPH_VARIANCE,
    deviations_vs_position = QUILLANE_GRAPH_DEVIATIONS_VS_POSITION,
    deviations_vs_time = QUILLANE_GRAPH_DEVIATIONS_VS_TIME,
    offsets = QUILLANE_GRAPH_OFFSETS,
};
enum class VerdictStatus : int32_t {
    none = QUILLANE_VERDICT_NONE,  // no verdict
    approaching = QUILLANE_VERDICT_APPROACHING,
    reached = QUILLANE_VERDICT_REACHED,
};
// The comparison a verdict's block was judged on, or the one its breaking
// scan failed.
enum class Comparison : int32_t {
    none = QUILLANE_COMPARISON_NONE,
    no_offsets = QUILLANE_COMPARISON_NO_OFFSETS,
    both_offsets = QUILLANE_COMPARISON_BOTH_OFFSETS,  // drift
    scale_factor = QUILLANE_COMPARISON_SCALE_FACTOR,  // lamp jitter
};
enum class BreakReason : int32_t {
    none = QUILLANE_BREAK_NONE,
    shape_differs = QUILLANE_BREAK_SHAPE_DIFFERS,
    offsets_too_large = QUILLANE_BREAK_OFFSETS_TOO_LARGE,
    no_clear_step = QUILLANE_BREAK_NO_CLEAR_STEP,
    lone_step = QUILLANE_BREAK_LONE_STEP,
    not_compared = QUILLANE_BREAK_NOT_COMPARED,
    no_plateau = QUILLANE_BREAK_NO_PLATEAU,
    still_shrinking = QUILLANE_BREAK_STILL_SHRINKING,
};

// A result graph and its options.
struct GraphRequest {
    GraphKind kind = GraphKind::rms;
    std::array<bool, 3> fit_kinds{false, false, true};  // no offsets, y, y and position
    bool logarithms = false;
    int reference = 0;              // kinds 1, 2, 5: the graph's own reference set; 0 = the fit's
    std::vector<int> sets;          // kind 3: the active sets shown
    std::vector<double> positions;  // kind 4: positions in the current unit (kMaxPlotPositions)
};

// What a plot shows, as the session was asked for it, so that its key can
// name each series: a data plot of active sets, a result graph as asked
// for, or the approach to equilibrium.
struct PlotSubject {
    std::vector<int> sets{};              // a data plot: the active sets shown
    std::optional<GraphRequest> graph{};  // a result graph
    bool equilibrium = false;             // the approach to equilibrium
    // The scans themselves against the position (the limits plot, the
    // values): the plot on which the column finder's stretches are shown.
    bool scans = false;
};

// ---- the equilibrium assessment and the fit's results, read back ----

struct Noise {
    double sigma = 0.0;  // noise standard deviation, unit of the values
    int dof = 0;         // its degrees of freedom; 0 = not known
};

// Scans of the block that differ from the latest by an instrument step.
struct Drift {
    int first_scan = 0, last_scan = 0;  // active sets
    double baseline = 0.0;              // y-offset against the latest, unit of the values
    double radial_cm = 0.0;             // position offset against the latest, cm
};

struct Verdict {
    VerdictStatus status = VerdictStatus::none;
    int scan = 0;  // active set from which on every scan matches the latest; 0 = none
    double time_s = 0.0;
    double block_s = 0.0;
    std::string text;  // "equilibrium reached by scan 10 (t = 20.000 h)", or why not
    Comparison decided_by = Comparison::none;  // what the block was judged on
    int block_scans = 0;                       // scans in the block, the latest included
    bool too_few = false;                      // every scan agrees, but fewer than the block needs
    int breaking_scan = 0;                     // the latest scan that still differs; 0 = none
    Comparison broken_by = Comparison::none;   // the comparison it failed
    BreakReason break_reason = BreakReason::none;
    double no_offset_rms = 0.0;      // of the block's first scan against the latest
    std::vector<std::string> notes;  // the break and the drift in words
    std::vector<Drift> drift;        // latest group first
};

struct Forecast {
    bool made = false;
    int pairs = 0;
    double tau_s = 0.0;
    double tau_error_s = 0.0;
    double amplitude = 0.0;
    double threshold = 0.0;
    double equilibrium_time_s = 0.0;
    double interval_low_s = 0.0;
    double interval_high_s = 0.0;
    std::string reason;  // why there is none
    // "not before interval_low_s": the data bound t_eq from below only
    // (interval_high_s is then 0); may hold also when made is false.
    bool one_sided = false;
    double floor_s = 0.0;  // the latest scan that still differs: no interval below it
    double jitter = 0.0;   // RMS drift between scans in the error model, unit of the values
};

struct Assessment {
    std::vector<Noise> noise;  // element k - 1 = active set k
    Noise pooled;              // all active sets together
    Verdict verdict;
    Forecast forecast;
};

struct AssessmentSettings {
    double block_s = 14400.0;  // minimum time the matching scans must span
    double tolerance = 0.0;    // remaining distance that counts as reached; 0 = from the noise
    bool exact_f = false;      // exact F quantiles instead of the approximation
    double confidence = 95.0;  // percent (read only)
};

// One ordered pair of the last fit, fit kinds 1..3 in elements 0..2.
struct PairResult {
    int status = QUILLANE_PAIR_NOT_COMPARED;  // a quillane_pair_status
    int points = 0;                           // of the reference set
    std::array<double, 3> variance{};
    std::array<double, 3> rms{};
    std::array<double, 3> y_offset{};
    double x_offset = 0.0;
    double f_critical = 0.0;
};

struct ActiveSetFacts {
    int data_set = 0;
    double time_s = 0.0;
    int points = 0;  // inside the limits
};

// A solution column of the active sets, as the library found it.
struct Column {
    double meniscus_cm = 0.0;
    double base_cm = 0.0;
    // The suggested limits, inset from meniscus and base by the margin, in
    // the position variable in use.
    double low = 0.0;
    double high = 0.0;
};

// A stretch the column finder looked at, and why it took or left it.
struct ColumnStretch {
    double from_cm = 0.0;
    double to_cm = 0.0;
    double level = 0.0;      // median signal
    double deviation = 0.0;  // point noise
    double sd = -1.0;        // median replicate SD; -1: the files give none
    bool column = false;
    std::string reason;  // empty for a column
};

// How far suggested limits lie inside meniscus and base, cm.
inline constexpr double kDefaultColumnMargin = 0.02;

// The unit of limits: "cm^2" (xi) or "cm" (radius).
const char *limits_unit(bool xi);

// A column's limits as the user sees them, three decimals: "5.880-6.060 cm".
std::string column_limits_text(const Column &column, bool xi);

// What taking a stretch the finder looked at gives.  A stretch it took is
// its column: the limits solution_columns() gives for it (which the limits
// dialog, the runner's --column and the watch take), numbered as they number
// it.  A stretch it refused gives its ends inset by margin_cm, and no number.
struct StretchChoice {
    Column limits;   // in the position variable `xi` (cm^2) or cm
    int column = 0;  // its number among the columns (1 nearest the meniscus side); 0: refused
};
std::vector<StretchChoice> stretch_choices(const std::vector<ColumnStretch> &stretches,
                                           const std::vector<Column> &columns, double margin_cm,
                                           bool xi);

// The stretch (0-based, in rising radius) whose choice's limits are
// `limits` within 1e-6; -1 when the limits are no stretch's.
int stretch_in_force(const std::vector<StretchChoice> &choices, Limits limits);

// A position converted between xi = r^2/2 (cm^2) and the radius r (cm);
// unchanged when both units are the same.  A negative xi has no radius: NaN.
double convert_position(double value, bool from_xi, bool to_xi);

// Whether the span (points of each local fit) suits the data limits: the
// active set with the fewest points inside the limits, and the largest span
// that every active set can take.
struct SpanCheck {
    bool fits = true;    // every active set holds more than `span` points
    int span = 0;        // points of each local fit in force
    int terms = 0;       // order of the polynomial in force
    int active_set = 0;  // the active set with the fewest points; 0 = none
    std::string file;    // its file name, without the folder
    int points = 0;      // its points inside the limits
    int largest = 0;     // the largest span that fits every set; 0 = none can
};

// "Active set 3 (00005.RA1) has only 42 points inside the limits; each local
// fit uses 50 and needs fewer than a set holds.  The largest number of points
// per fit that suits every active set is 41."  Empty when the span fits.
std::string span_shortfall_text(const SpanCheck &check);

// Why limits that hold none of the points read are refused: "The limits 30
// .. 40 cm^2 hold no data: the points read lie from 16.245 to 26.645 cm^2."
std::string limits_outside_text(double low, double high, Limits range, bool xi);

// The messages of refusals, as the user sees them.
extern const char *const kTooFewActiveSets;
extern const char *const kLimitsRemoveAllData;
extern const char *const kNoFit;     // a result asked for before any fit
extern const char *const kStaleFit;  // ... after the data changed since the fit

class Session {
  public:
    explicit Session(const Exports &library);

    // The program's title and version as the report's first two lines give
    // them: "Quillane V0.99" and "0.99.0039", from the library header this
    // program was built with.
    static std::string program_title();
    static std::string program_version();
    // The report's first two lines, which the program's list shows too:
    // " Quillane V0.99  " and " Current Revision V0.99.0039 ", in fixed
    // widths of 16 and 10 characters.
    static std::vector<std::string> banner_lines();

    // ---- start-up ----
    // The caller's log view; the session's own report lines go there too.
    void attach_list_box(const quillane_listbox_ctx_ops &ops, void *context, int visible_lines);
    // Creates the report (an existing file is emptied), heads it with the
    // program's title and version, and names it to the library.  False with
    // `error` set when it cannot be written.
    bool create_report(const std::string &path, std::string &error);
    const std::string &report_path() const { return report_path_; }
    // The file the library writes every plot to.
    void set_plot_file(const std::string &path);
    // Switches the library's lines to the report off (true) and on again:
    // plots drawn for another document, such as the run report's figures,
    // add nothing to the user's record of the analysis.  The list box still
    // gets every line.
    void mute_report(bool muted);
    const std::string &plot_file() const { return plot_file_; }
    // The library's start values (and the session's: nothing read, nothing
    // selected, no fit); `echo` copies every scan file read into the report.
    void initialise(bool echo);
    // Plot files are deleted after viewing (true) or kept.
    Outcome set_plot_save(bool discard);
    // Closes the run read: the library and the session start over as
    // initialise() leaves them, with the echo and the plot-file choice
    // last given kept, so the next read is as fresh as the first.  The
    // report, the plot file and the log view stay.
    Outcome close_run();

    // The version of the library this session calls ("0.99.0039") and the
    // file it was loaded from, a full path (empty when that cannot be
    // told): a second copy of it keeps a second analysis
    // (Library::load_own_copy).
    std::string library_version() const;
    std::string library_file() const;

    // Told after each scan file read_and_select has read: files done and
    // files in all, so a window can show how far reading has come.
    using ReadProgress = std::function<void(int done, int total)>;
    void set_read_progress(ReadProgress progress) { read_progress_ = std::move(progress); }

    // ---- data files and the active sets ----
    // The first reading: with at least three of `active` (data set numbers,
    // 1-based into `files`), reads every file as data sets 1..n and makes
    // `active` the active sets.  With fewer, nothing is read (refused).
    // Files that are no scans (not_a_scan) are not handed to the library:
    // their outcome says why, they become no data set, and the data sets
    // and `active` are numbered without them.  A run already read is closed
    // first (close_run).
    Outcome read_and_select(const std::vector<std::string> &files, const std::vector<int> &active,
                            std::vector<FileOutcome> *outcomes = nullptr);
    // A new choice of active sets among the data sets read.  Refused (and
    // nothing changes) with fewer than three.  The limits are kept.
    Outcome select(const std::vector<int> &active);

    bool files_read() const { return !files_.empty(); }
    int data_set_count() const { return static_cast<int>(files_.size()); }
    const std::string &file_name(int data_set) const;                // 1-based; "" outside
    const std::vector<int> &active_sets() const { return active_; }  // data set per active set
    int active_count() const { return static_cast<int>(active_.size()); }
    // File name of active set k (1-based); "" outside.
    const std::string &active_file_name(int k) const;

    // ---- data limits and the position variable ----
    bool xi_mode() const { return xi_mode_; }
    Limits limits() const { return limits_; }
    // Where the points of every data set read lie, in the position variable
    // in use: the full range ("Full Range" of the limits, the limits plot).
    Limits full_range() const { return full_; }
    // Where the active sets' points lie, within the limits or not, in the
    // position variable in use.
    Limits data_range() const;
    // New limits in the current unit.  Refused unless low < high, and when
    // they hold no part of the full range.  The full range may reach past
    // the library's default range (16..26 cm^2): limits anywhere inside it
    // are taken, the library's range widened to them.
    Outcome set_limits(double low, double high);
    // A click on the limits plot sets the lower (or upper) limit; refused
    // when it would pass the other one.
    Outcome set_lower_limit(double value);
    Outcome set_upper_limit(double value);
    // The same with limits typed in cm^2 (`in_xi`) or cm, whatever the
    // position variable: the session converts them.
    Outcome set_limits_in(double low, double high, bool in_xi);
    Outcome reset_limits() { return set_limits(full_.low, full_.high); }
    // Limits have been set since the files were read (on the limits plot,
    // typed, or clicked): the fit may start.
    bool limits_chosen() const { return limits_chosen_; }
    // Switches between xi = r^2/2 (cm^2) and the radius r (cm); the limits
    // and the full range are converted.  Nothing happens when the variable
    // is already the one asked for.
    Outcome set_position_variable(bool xi);

    // While the plot on show is the limits plot, clicks on it set limits.
    bool limits_mode() const { return limits_mode_; }

    // ---- scan times, fringes, differentiation ----
    // Times of active sets 1..50 (element 0 = active set 1), in s.
    std::vector<double> times() const;
    // New times; `what` names the command for Edit > Undo.  The times
    // before are kept for undo_times().  A fit made on other times is stale
    // until the times are those of the fit again.
    Outcome set_times(const std::vector<double> &times,
                      const std::string &what = "Enter New DS Times");
    // Active set k gets the time k.  A new selection (a series chosen, the
    // active sets changed) puts the times read from the files back.
    Outcome set_times_to_set_numbers();
    bool can_undo_times() const { return times_undo_.has_value(); }
    // The command undo_times() takes back: "Set DS Time to DS Number".
    std::string undo_times_text() const { return times_undo_ ? times_undo_->what : ""; }
    // Puts back the times before the last change.  Refused when there is
    // nothing to undo.
    Outcome undo_times();
    Outcome renumber_fringes();
    DifferParms differ_parms() const;
    // Refused unless span >= 3, span > terms and 1 <= terms <= 3.
    Outcome set_differ_parms(int span, int terms);
    // The span against the points inside the limits of every active set.
    SpanCheck span_check() const;
    // Sets the span to the largest that fits every active set, with a line
    // in the report saying so.  Refused when no span can fit.
    Outcome fit_span_to_data();

    // ---- plots ----
    // The sets a plot shows, chosen by the user (active set numbers; empty
    // when the choice was cancelled).
    using ChooseSets = std::function<std::vector<int>()>;
    // The plot used to set limits: every chosen set at the full range, with
    // the current limits marked.  Limits mode starts when it is written.
    Outcome limits_plot(const ChooseSets &choose);
    // Values (kind 1) or slopes against position (2) or value (3) of the
    // chosen sets; slopes need a fit that is still current.
    Outcome data_plot(int kind, const ChooseSets &choose);

    // ---- the fit and its graphs ----
    // Matches every active set against every other one; `reference` (an
    // active set) keeps its per-point deviations for the deviation graphs.
    Outcome fit(int reference);
    bool fitted() const { return fit_reference_ > 0; }
    // The fit's results still match the data: no selection, limits,
    // position variable, fringe numbers or differentiation parameters have
    // changed since.
    bool fit_current() const { return fit_current_ && times_match_fit_; }
    int fit_reference() const { return fit_reference_; }
    // The reference set to offer: the last fit's, or after a new selection
    // the last active set.
    int suggested_reference() const { return suggested_reference_; }
    // Refused while there is no current fit.
    Outcome result_graph(const GraphRequest &request);

    // ---- the equilibrium assessment ----
    AssessmentSettings assessment_settings() const;
    // Settings are refused (nothing changes) when negative or not finite.
    Outcome set_assessment_settings(const AssessmentSettings &settings);
    // Assesses the current fit: noise of each scan, the verdict and the
    // forecast; `write_report` appends the assessment to the report and the
    // list.  Refused while there is no current fit.
    Outcome assess(bool write_report, Assessment *assessment);
    // The equilibrium graph of the last assessment (assess first).
    Outcome equilibrium_plot();
    // The fit's results of ordered pair (reference set, compared set), and
    // the facts of active set k.
    PairResult pair_result(int reference, int compared) const;
    ActiveSetFacts active_set(int k) const;

    // ---- scan headers, series and solution columns ----
    // The facts of a scan file's header, read without storing anything, so
    // for any number of files.
    ScanFacts scan_header(const std::string &file) const;
    // Whether a line of a scan file is a data line as the library reads it
    // (at least two numbers, Fortran D exponents included).  Safe from any
    // thread: it touches no state of the library.
    bool is_data_line(std::string_view line) const;
    // Why `file` is no scan file ("binary content", "no data lines"), or
    // empty when it is one, judged by is_data_line before the library reads
    // it.  A file that cannot be opened is left to the reader, which says
    // why.
    std::string not_a_scan(const std::string &file) const;
    // The header facts of the data sets read, data set 1 first.
    std::vector<ScanFacts> data_set_headers() const;
    // The data sets read, split into series; scans are numbered as data sets.
    SeriesSplit series_read() const;
    // Lines for the record: each goes to the report and the list, with a
    // leading blank.
    Outcome add_to_report(const std::vector<std::string> &lines);
    // The solution columns of the active sets taken together, with limits
    // inset by margin_cm from meniscus and base.  Refused (no columns,
    // refusal set in `outcome`) before files are read or with a margin
    // below 0.
    std::vector<Column> solution_columns(double margin_cm, Outcome *outcome = nullptr) const;
    // What the finder looked at in the active sets, stretch by stretch.
    // Refused before files are read, and while a library call is under way
    // on this thread (a line it writes reaching a window that asks).
    std::vector<ColumnStretch> column_stretches(Outcome *outcome = nullptr) const;
    // "column 2: 20.194-20.794 cm^2" when the limits in force are those of
    // a column the finder took (stretch_choices() with kDefaultColumnMargin);
    // empty otherwise, and refused (`outcome`) when the finder cannot be
    // asked now.
    std::string column_in_force_text(Outcome *outcome = nullptr) const;
    // Points of the active sets: as read, and inside the limits in use.
    struct PointsInRange {
        long read = 0;
        long inside = 0;
    };
    PointsInRange points_in_range() const;
    // "16 .. 26 cm^2, which leaves 284 of the 5235 points read out": the
    // limits in force and, when they leave points of the active sets out,
    // how many; the runner and the program say it alike.
    std::string limits_text() const;
    // "The data limits 16 .. 26 cm^2, which leaves 284 of the 5235 points
    // read out." when the limits leave points out; empty otherwise.
    std::string points_left_out_text() const;

    // Rounds lo..hi outward to whole tick steps (the library's rule).
    void tick_round(float lo, float hi, float &out_lo, float &out_hi, int &intervals) const;

  private:
    static std::string selection_refusal(int sets, const std::vector<int> &active);
    void check(Outcome &outcome) const;
    void apply_limits(Outcome &outcome);
    void build_active_list(Outcome &outcome);
    void install_selection(Outcome &outcome, const std::vector<int> &active);
    bool plot_made(Outcome &outcome, bool existed_before) const;
    void post(const std::string &line) const;
    void invalidate_fit() { fit_current_ = false; }
    Outcome change_times(const std::vector<double> &before, const std::vector<double> &times,
                         const std::string &what);
    void write_times(const std::vector<double> &all, Outcome &outcome);
    void restore_file_times(Outcome &outcome);
    Limits range_read() const;
    // The positions the given data sets span together (sets the library
    // holds no range for are skipped).
    Limits range_of_sets(const std::vector<int32_t> &data_sets) const;
    Outcome refused(const std::string &why) const;

    const Exports &lib_;
    quillane_listbox_ctx_ops list_ops_{};
    void *list_context_ = nullptr;
    bool has_list_ = false;
    int visible_lines_ = 0;
    std::string report_path_;
    std::string plot_file_;

    std::vector<std::string> files_;  // data set n is files_[n - 1]
    std::vector<int> active_;         // data set of active set k is active_[k - 1]
    bool xi_mode_ = true;
    Limits limits_;
    Limits full_;
    bool limits_mode_ = false;
    int fit_reference_ = 0;
    bool fit_current_ = false;
    int suggested_reference_ = 0;
    bool limits_chosen_ = false;

    // Times: as read from each data set's file (element n - 1 = data set
    // n), those of the fit (taken at the first change after it), and the
    // times before the last change, for undo.
    struct TimesUndo {
        std::vector<double> times;
        bool numbered = false;
        std::string what;
    };
    std::vector<double> file_times_;
    std::vector<double> fit_times_;
    bool times_match_fit_ = true;
    bool numbered_times_ = false;
    std::optional<TimesUndo> times_undo_;
    ReadProgress read_progress_;
    // As last given to initialise() and set_plot_save(), for close_run().
    bool echo_ = false;
    bool discard_plots_ = true;
};

}  // namespace quillane::session
