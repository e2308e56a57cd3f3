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
#include <string>
#include <utility>
#include <vector>

#include "exports.h"
#include "series.h"

namespace quillane::session {

inline constexpr int kMaxDataSets = 50;
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
};

struct Limits {
    double low = 0.0;
    double high = 0.0;
};

struct DifferParms {
    int span = 0;
    int points = 0;  // fewest points of an active set inside the limits
    int terms = 0;
};

// A result graph and its options.
struct GraphRequest {
    int kind = 1;  // 1 RMS, 2 variance, 3 deviations vs position, 4 vs time, 5 offsets
    std::array<bool, 3> fit_kinds{false, false, true};  // no offsets, y, y and position
    bool logarithms = false;
    int reference = 0;              // kinds 1, 2, 5: the graph's own reference set; 0 = the fit's
    std::vector<int> sets;          // kind 3: the active sets shown
    std::vector<double> positions;  // kind 4: positions in the current unit (at most 10)
};

// ---- the equilibrium assessment and the fit's results, read back ----

struct Noise {
    double sigma = 0.0;  // noise standard deviation, unit of the values
    int dof = 0;         // its degrees of freedom; 0 = not known
};

struct Verdict {
    int status = QUILLANE_VERDICT_NONE;  // a quillane_verdict_status
    int scan = 0;  // active set from which on every scan matches the latest; 0 = none
    double time_s = 0.0;
    double block_s = 0.0;
    std::string text;  // "equilibrium reached by scan 10 (t = 20.000 h)", or why not
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

// How far suggested limits lie inside meniscus and base, cm.
inline constexpr double kDefaultColumnMargin = 0.02;

// The unit of limits: "cm^2" (xi) or "cm" (radius).
const char *limits_unit(bool xi);

// A column's limits as the user sees them, three decimals: "5.880-6.060 cm".
std::string column_limits_text(const Column &column, bool xi);

// The messages of refusals, as the user sees them.
extern const char *const kTooFewActiveSets;
extern const char *const kLimitsRemoveAllData;

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
    const std::string &plot_file() const { return plot_file_; }
    // The library's start values (and the session's: nothing read, nothing
    // selected, no fit); `echo` copies every scan file read into the report.
    void initialise(bool echo);
    // Plot files are deleted after viewing (true) or kept.
    Outcome set_plot_save(bool discard);

    // Told after each scan file read_and_select has read: files done and
    // files in all, so a window can show how far reading has come.
    using ReadProgress = std::function<void(int done, int total)>;
    void set_read_progress(ReadProgress progress) { read_progress_ = std::move(progress); }

    // ---- data files and the active sets ----
    // The first reading: with at least three of `active` (data set numbers,
    // 1-based into `files`), reads every file as data sets 1..n and makes
    // `active` the active sets.  With fewer, nothing is read (refused).
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
    // The limits read back when the files were first read: the full range.
    Limits full_range() const { return full_; }
    // New limits in the current unit.  Refused unless low < high.
    Outcome set_limits(double low, double high);
    // A click on the limits plot sets the lower (or upper) limit; refused
    // when it would pass the other one.
    Outcome set_lower_limit(double value);
    Outcome set_upper_limit(double value);
    Outcome reset_limits() { return set_limits(full_.low, full_.high); }
    // Switches between xi = r^2/2 (cm^2) and the radius r (cm); the limits
    // and the full range are converted.  Nothing happens when the variable
    // is already the one asked for.
    Outcome set_position_variable(bool xi);

    // While the plot on show is the limits plot, clicks on it set limits.
    bool limits_mode() const { return limits_mode_; }

    // ---- scan times, fringes, differentiation ----
    // Times of active sets 1..50 (element 0 = active set 1), in s.
    std::vector<double> times() const;
    Outcome set_times(const std::vector<double> &times);
    Outcome set_times_to_set_numbers();
    Outcome renumber_fringes();
    DifferParms differ_parms() const;
    // Refused unless span >= 3, span > terms and 1 <= terms <= 3.
    Outcome set_differ_parms(int span, int terms);

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
    bool fit_current() const { return fit_current_; }
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

    // Rounds lo..hi outward to whole tick steps (the library's rule).
    void tick_round(float lo, float hi, float &out_lo, float &out_hi, int &intervals) const;

  private:
    static std::string selection_refusal(int sets, const std::vector<int> &active);
    void check(Outcome &outcome) const;
    void apply_limits(Outcome &outcome);
    void build_active_list(Outcome &outcome);
    void install_selection(Outcome &outcome, const std::vector<int> &active);
    bool plot_made(Outcome &outcome) const;
    void post(const std::string &line) const;
    void invalidate_fit() { fit_current_ = false; }
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
    ReadProgress read_progress_;
};

}  // namespace quillane::session
