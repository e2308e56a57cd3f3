// SPDX-License-Identifier: MIT
// The C interface: thin wrappers over the process-wide state.  No C++
// exception may cross into the caller; one that escapes an operation is
// reported to the list box and the call returns normally.
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "assessment.h"
#include "column_search.h"
#include "data_plots.h"
#include "equilibrium_plot.h"
#include "fit_match.h"
#include "fit_readout.h"
#include "log.h"
#include "options.h"
#include "quillane.h"
#include "result_graphs.h"
#include "scanfile.h"
#include "selection.h"
#include "state.h"
#include "tick_rounding.h"

using namespace quillane;

namespace {

void report_internal_error(const std::string &line) noexcept {
    try {
        Log::post_error(global_state(), line);
    } catch (...) {
    }
}

// How many exports are under way on this thread: more than one only when a
// list-box operation calls back into the library.
thread_local int t_calls_under_way = 0;

// Exports that change nothing, and so may run inside a list-box operation
// while another export is under way.
enum class Nesting { refused, allowed };

// Runs one export: clears the last error, and turns an exception into a
// logged internal error, so nothing crosses into the caller.  An export
// called from inside a list-box operation would work on the state the
// export under way is in the middle of changing (a store half filled, a
// fit half done): it is refused and changes nothing.  One that may nest
// leaves the last error of the call under way alone.
template <typename F>
void guarded(const char *operation, F &&body, Nesting nesting = Nesting::refused) noexcept {
    const bool nested = t_calls_under_way > 0;
    if (nested && nesting == Nesting::refused) return;
    ++t_calls_under_way;
    try {
        if (!nested) global_state().last_error.clear();
        body(global_state());
    } catch (const std::exception &e) {
        report_internal_error(std::string(" Internal error in ") + operation + ": " + e.what());
    } catch (...) {
        report_internal_error(std::string(" Internal error in ") + operation);
    }
    --t_calls_under_way;
}

// A text handed back as the header describes: `length` bytes, cut or blank
// padded, and the full length.
void copy_text(const std::string &value, char *text, int32_t length, int32_t *text_length) {
    if (text != nullptr && length > 0) {
        const size_t n = std::min(value.size(), static_cast<size_t>(length));
        std::memcpy(text, value.data(), n);
        std::memset(text + n, ' ', static_cast<size_t>(length) - n);
    }
    if (text_length != nullptr) *text_length = static_cast<int32_t>(value.size());
}

// A scan's header facts as the header describes them: a state and a value
// per fact.
void copy_header(const ScanHeader &h, int32_t *known, double *facts) {
    static_assert(kMaxColumns == QUILLANE_MAX_COLUMNS);
    for (int i = 0; i < kHeaderFacts; ++i) {
        known[i] = static_cast<int32_t>(h.state[static_cast<size_t>(i)]);
        facts[i] = h.state[static_cast<size_t>(i)] == FactState::known
                       ? h.value[static_cast<size_t>(i)]
                       : 0.0;
    }
}

quillane_header_status header_status(bool opened, const ScanHeader &h) {
    if (!opened) return QUILLANE_HEADER_NO_FILE;
    return h.time_line ? QUILLANE_HEADER_TIME_LINE : QUILLANE_HEADER_NO_TIME_LINE;
}

}  // namespace

extern "C" {

QUILLANE_API void initcommons(const int32_t *echo_flag) {
    guarded("initcommons", [&](State &s) { init_commons(s, echo_flag && (*echo_flag & 1)); });
}

QUILLANE_API void init_namwr(const char *name, int32_t length) {
    guarded("init_namwr", [&](State &s) { s.out_file_name = file_name_argument(name, length); });
}

QUILLANE_API void setplotfile(const char *name, int32_t length) {
    guarded("setplotfile", [&](State &s) { s.plot_file_name = file_name_argument(name, length); });
}

QUILLANE_API void init_lbhandle(const int32_t *handle, const int32_t *visible_lines) {
    guarded("init_lbhandle", [&](State &s) {
        s.lb_handle = *handle;
        s.lb_visible_lines = *visible_lines;
    });
}

QUILLANE_API void init_lbsink(const quillane_listbox_ops *ops) {
    guarded("init_lbsink", [&](State &s) {
        s.lb_ctx_sink_set = false;
        s.lb_ctx_ops = {};
        s.lb_ctx = nullptr;
        s.lb_sink_set = ops != nullptr && ops->add_string && ops->get_count && ops->set_top_index &&
                        ops->update && ops->dispatch_pending;
        s.lb_ops = s.lb_sink_set ? *ops : quillane_listbox_ops{};
    });
}

QUILLANE_API void init_lbsink_ctx(const quillane_listbox_ctx_ops *ops, void *ctx) {
    guarded("init_lbsink_ctx", [&](State &s) {
        s.lb_sink_set = false;
        s.lb_ops = {};
        const bool complete = ops != nullptr && ops->add_string && ops->get_count &&
                              ops->set_top_index && ops->update && ops->dispatch_pending;
        s.lb_ctx_sink_set = complete;
        s.lb_ctx_ops = complete ? *ops : quillane_listbox_ctx_ops{};
        s.lb_ctx = complete ? ctx : nullptr;
        if (ops != nullptr && !complete)
            note_error(s, "init_lbsink_ctx: every list-box operation must be set");
    });
}

QUILLANE_API void quillane_version(int32_t *major, int32_t *minor, int32_t *revision) {
    guarded(
        "quillane_version",
        [&](State &) {
            if (major) *major = QUILLANE_VERSION_MAJOR;
            if (minor) *minor = QUILLANE_VERSION_MINOR;
            if (revision) *revision = QUILLANE_VERSION_REVISION;
        },
        Nesting::allowed);
}

QUILLANE_API void quillane_version_number(int32_t *number) {
    guarded(
        "quillane_version_number", [&](State &) { *number = QUILLANE_VERSION_NUMBER; },
        Nesting::allowed);
}

// Reads the last error; unlike every other export it leaves it in place.
QUILLANE_API void quillane_last_error(char *text, int32_t length, int32_t *text_length) {
    // Not guarded: that would clear the very error asked for.
    try {
        copy_text(global_state().last_error, text, length, text_length);
    } catch (...) {
    }
}

QUILLANE_API void setredir(const int32_t *table, const int32_t *count) {
    guarded("setredir", [&](State &s) { set_redirection(s, table, *count); });
}

QUILLANE_API void setrchoice(const int32_t *choices, const int32_t *use_log) {
    guarded("setrchoice", [&](State &s) { set_result_choice(s, choices, *use_log != 0); });
}

QUILLANE_API void set_xs_to_plot(const double *xs, const int32_t *count) {
    guarded("set_xs_to_plot", [&](State &s) { set_positions_to_plot(s, xs, *count); });
}

QUILLANE_API void set_plotsave(const int32_t *delete_flag) {
    guarded("set_plotsave", [&](State &s) { set_plot_save(s, *delete_flag != 0); });
}

QUILLANE_API void get_differ_parms(int32_t *span, int32_t *points, int32_t *terms) {
    guarded("get_differ_parms", [&](State &s) {
        const DifferParms p = quillane::get_differ_parms(s);
        *span = p.span;
        *points = p.points;
        *terms = p.terms;
    });
}

QUILLANE_API void set_differ_parms(const int32_t *span, const int32_t *terms) {
    guarded("set_differ_parms", [&](State &s) { quillane::set_differ_parms(s, *span, *terms); });
}

QUILLANE_API void getdatar(const char *name, int32_t length, const int32_t *n) {
    guarded("getdatar", [&](State &s) {
        std::string text = name != nullptr && length > 0
                               ? std::string(name, static_cast<size_t>(length))
                               : std::string();
        read_scan_file(s, std::move(text), *n);
    });
}

QUILLANE_API void quillane_data_set_info(const int32_t *n, int32_t *points, double *time) {
    guarded("quillane_data_set_info", [&](State &s) {
        const bool read = *n >= 1 && *n <= s.data_set_count && *n <= kMaxDataSets;
        *points = read ? s.set_point_count[*n] : 0;
        *time = read ? s.set_time[*n] : 0.0;
    });
}

QUILLANE_API void quillane_data_set_points_not_read(const int32_t *n, int32_t *count) {
    guarded("quillane_data_set_points_not_read", [&](State &s) {
        const bool read = *n >= 1 && *n <= s.data_set_count && *n <= kMaxDataSets;
        *count = read ? s.set_points_not_read[*n] : 0;
    });
}

QUILLANE_API void quillane_data_set_range(const int32_t *n, double *low, double *high) {
    guarded("quillane_data_set_range", [&](State &s) {
        *low = *high = 0.0;
        if (*n < 1 || *n > s.data_set_count || *n > kMaxDataSets) return;
        const int32_t first = first_raw_index(s, *n);
        const int32_t last = std::min(first + s.set_point_count[*n] - 1, kMaxPoints);
        if (last < first) return;
        // Points are kept in rising order of position.
        const RawPoint &a = s.raw_points[first], &b = s.raw_points[last];
        *low = s.xi_mode ? a.xi : a.radius;
        *high = s.xi_mode ? b.xi : b.radius;
    });
}

QUILLANE_API void TRANSFER_DATA(void) {
    guarded("TRANSFER_DATA", [&](State &s) { transfer_data(s); });
}

QUILLANE_API void put_plotlist(const int32_t *list) {
    guarded("put_plotlist", [&](State &s) { put_plot_list(s, list); });
}

QUILLANE_API void setxirange(const double *low, const double *high) {
    guarded("setxirange", [&](State &s) {
        s.xi_low = *low;
        s.xi_high = *high;
    });
}

QUILLANE_API void getxirange(double *low, double *high) {
    guarded("getxirange", [&](State &s) {
        *low = s.xi_low;
        *high = s.xi_high;
    });
}

QUILLANE_API void set_lim_indices_vb(int32_t *ok) {
    guarded("set_lim_indices_vb", [&](State &s) {
        *ok = set_limit_indices(s) ? QUILLANE_LIMITS_OK : QUILLANE_LIMITS_TOO_NARROW;
    });
}

QUILLANE_API void find_smallest_range(void) {
    guarded("find_smallest_range", [&](State &s) { quillane::find_smallest_range(s); });
}

QUILLANE_API void set_x_var(const double *choice) {
    guarded("set_x_var", [&](State &s) { set_position_variable(s, *choice); });
}

QUILLANE_API void get_times(double *times) {
    guarded("get_times", [&](State &s) { quillane::get_times(s, times); });
}

QUILLANE_API void set_times(const double *times) {
    guarded("set_times", [&](State &s) { quillane::set_times(s, times); });
}

QUILLANE_API void renumber_fringes(void) {
    guarded("renumber_fringes", [&](State &s) { quillane::renumber_fringes(s); });
}

// ---- the matching fit ----

QUILLANE_API void fit_allB(const int32_t *ref) {
    guarded("fit_allB", [&](State &s) { fit_all(s, *ref); });
}

// ---- result graphs ----

QUILLANE_API void plot_result_graphs(const int32_t *kind, const int32_t *ref) {
    guarded("plot_result_graphs", [&](State &s) { quillane::plot_result_graphs(s, *kind, *ref); });
}

// ---- data plots ----

QUILLANE_API void GENERIC_PLOT(const int32_t *kind, const int32_t *set) {
    guarded("GENERIC_PLOT", [&](State &s) { generic_plot(s, *kind, *set); });
}

QUILLANE_API void plt_c_x(void) {
    guarded("plt_c_x", [&](State &s) { plot_list_values(s); });
}

// ---- axis tick rounding ----

QUILLANE_API void tkrnd2(const float *lo, const float *hi, float *out_lo, float *out_hi,
                         int32_t *n_intervals) {
    guarded(
        "tkrnd2", [&](State &) { tick_round_float(*lo, *hi, *out_lo, *out_hi, *n_intervals); },
        Nesting::allowed);
}

// ---- equilibrium assessment and results for other tools ----

QUILLANE_API void quillane_set_equilibrium_time(const double *seconds) {
    guarded("quillane_set_equilibrium_time", [&](State &s) { set_equilibrium_block(s, *seconds); });
}

QUILLANE_API void quillane_set_equilibrium_tolerance(const double *tolerance) {
    guarded("quillane_set_equilibrium_tolerance",
            [&](State &s) { set_equilibrium_tolerance(s, *tolerance); });
}

QUILLANE_API void quillane_set_exact_f(const int32_t *exact) {
    guarded("quillane_set_exact_f", [&](State &s) { set_exact_f(s, *exact != 0); });
}

QUILLANE_API void quillane_get_equilibrium_settings(double *seconds, double *tolerance,
                                                    int32_t *exact, double *confidence) {
    guarded("quillane_get_equilibrium_settings", [&](State &s) {
        *seconds = s.assessment_settings.min_block_s;
        *tolerance = s.assessment_settings.tolerance;
        *exact = s.exact_f ? 1 : 0;
        *confidence = s.confidence_level;
    });
}

QUILLANE_API void quillane_assess(const int32_t *write_report) {
    guarded("quillane_assess", [&](State &s) { assess(s, *write_report != 0); });
}

QUILLANE_API void quillane_noise(const int32_t *set, double *noise, int32_t *dof) {
    guarded("quillane_noise", [&](State &s) {
        const AssessmentResults &a = s.assessment;
        NoiseEstimate e;
        if (a.made && *set == 0) e = a.pooled;
        if (a.made && *set >= 1 && *set <= a.sets) e = a.noise[*set];
        *noise = e.known() ? e.sd() : 0.0;
        *dof = e.known() ? e.dof : 0;
    });
}

QUILLANE_API void quillane_verdict(int32_t *status, int32_t *scan, double *time_s, double *block_s,
                                   char *text, int32_t length, int32_t *text_length) {
    guarded("quillane_verdict", [&](State &s) {
        const AssessmentResults &a = s.assessment;
        const Verdict v = a.made ? a.verdict : Verdict{};
        *status = static_cast<int32_t>(v.status);
        *scan = v.scan;
        *time_s = v.time_s;
        *block_s = v.block_s;
        const std::string why = !a.failure.empty() ? a.failure : "no assessment has been made";
        copy_text(a.made ? v.text : why, text, length, text_length);
    });
}

QUILLANE_API void quillane_forecast(int32_t *status, int32_t *pairs, double *tau_s,
                                    double *tau_error_s, double *amplitude, double *threshold,
                                    double *equilibrium_time_s, double *interval_s, char *reason,
                                    int32_t length, int32_t *reason_length) {
    guarded("quillane_forecast", [&](State &s) {
        const AssessmentResults &a = s.assessment;
        const Forecast &f = a.forecast;
        const bool made = a.made && f.made;
        *status = made ? QUILLANE_FORECAST_MADE : QUILLANE_FORECAST_NONE;
        *pairs = a.made ? f.pairs : 0;
        *tau_s = made ? f.tau_s : 0.0;
        *tau_error_s = made ? f.tau_error_s : 0.0;
        *amplitude = made ? f.amplitude : 0.0;
        *threshold = made ? f.threshold : 0.0;
        *equilibrium_time_s = made ? f.equilibrium_time_s : 0.0;
        interval_s[0] = made ? f.interval_lo_s : 0.0;
        interval_s[1] = made ? f.interval_hi_s : 0.0;
        std::string why;
        if (!a.made) why = !a.failure.empty() ? a.failure : "no assessment has been made";
        if (a.made && !made) why = f.reason;
        copy_text(why, reason, length, reason_length);
    });
}

QUILLANE_API void quillane_verdict_basis(int32_t *decided_by, int32_t *block_scans,
                                         int32_t *too_few, int32_t *breaking_scan,
                                         int32_t *broken_by, int32_t *break_reason,
                                         double *no_offset_rms, char *notes, int32_t length,
                                         int32_t *notes_length) {
    guarded("quillane_verdict_basis", [&](State &s) {
        const AssessmentResults &a = s.assessment;
        const Verdict v = a.made ? a.verdict : Verdict{};
        *decided_by = static_cast<int32_t>(v.decided_by);
        *block_scans = v.block_scans;
        *too_few = v.too_few ? 1 : 0;
        *breaking_scan = v.differing_scan;
        *broken_by = static_cast<int32_t>(v.broken_by);
        *break_reason = static_cast<int32_t>(v.break_reason);
        *no_offset_rms = v.no_offset_rms;
        std::string text;
        for (const std::string &note : v.notes)
            text += (text.empty() ? "" : "\n") + note;
        copy_text(text, notes, length, notes_length);
    });
}

QUILLANE_API void quillane_drift(const int32_t *group, int32_t *groups, int32_t *first_scan,
                                 int32_t *last_scan, double *baseline, double *radial_cm) {
    guarded("quillane_drift", [&](State &s) {
        const AssessmentResults &a = s.assessment;
        const std::vector<DriftGroup> none;
        const std::vector<DriftGroup> &drift = a.made ? a.verdict.drift : none;
        *groups = static_cast<int32_t>(drift.size());
        DriftGroup g;
        if (*group >= 1 && *group <= *groups) g = drift[static_cast<size_t>(*group - 1)];
        *first_scan = g.first_scan;
        *last_scan = g.last_scan;
        *baseline = g.baseline;
        *radial_cm = g.radial_cm;
    });
}

QUILLANE_API void quillane_forecast_bounds(int32_t *one_sided, double *lower_s, double *upper_s,
                                           double *floor_s, double *jitter) {
    guarded("quillane_forecast_bounds", [&](State &s) {
        const AssessmentResults &a = s.assessment;
        const Forecast f = a.made ? a.forecast : Forecast{};
        const bool bounded = f.made || (f.one_sided && f.interval_lo_s > 0.0);
        *one_sided = bounded && f.one_sided ? 1 : 0;
        *lower_s = bounded ? f.interval_lo_s : 0.0;
        *upper_s = bounded && !f.one_sided ? f.interval_hi_s : 0.0;
        *floor_s = f.floor_s;
        *jitter = f.jitter;
    });
}

QUILLANE_API void quillane_pair_result(const int32_t *ref, const int32_t *cmp, int32_t *status,
                                       int32_t *points, double *variance, double *rms,
                                       double *y_offset, double *x_offset, double *f_critical) {
    guarded("quillane_pair_result", [&](State &s) {
        const PairReadout p = read_pair(s, *ref, *cmp);
        *status = static_cast<int32_t>(p.status);
        *points = p.points;
        for (int k = 1; k <= kFitKinds; ++k) {
            variance[k - 1] = p.variance[k];
            rms[k - 1] = p.rms[k];
            y_offset[k - 1] = p.y_offset[k];
        }
        *x_offset = p.x_offset;
        *f_critical = p.f_critical;
    });
}

QUILLANE_API void quillane_active_set(const int32_t *set, int32_t *data_set, double *time_s,
                                      int32_t *points) {
    guarded("quillane_active_set", [&](State &s) {
        const SetReadout r = read_active_set(s, *set);
        *data_set = r.data_set;
        *time_s = r.time_s;
        *points = r.points;
    });
}

QUILLANE_API void quillane_plot_equilibrium(void) {
    guarded("quillane_plot_equilibrium", [&](State &s) { plot_equilibrium(s); });
}

// ---- scan headers and solution columns ----

QUILLANE_API void quillane_scan_header(const char *name, int32_t length, int32_t *status,
                                       int32_t *known, double *facts) {
    guarded("quillane_scan_header", [&](State &s) {
        const std::string text = name != nullptr && length > 0
                                     ? std::string(name, static_cast<size_t>(length))
                                     : std::string();
        std::string error;
        const ScanHeader h = read_scan_header(text, error);
        if (!error.empty()) {
            note_error(s, error);
            Log::post_log_line(s, " " + error);
        }
        *status = header_status(error.empty(), h);
        copy_header(h, known, facts);
    });
}

QUILLANE_API int32_t quillane_is_data_line(const char *line, int32_t length) {
    // No state, so no lock and no error: any thread may ask.
    if (line == nullptr || length <= 0) return 0;
    try {
        return is_data_line(std::string_view(line, static_cast<size_t>(length))) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QUILLANE_API void quillane_data_set_header(const int32_t *n, int32_t *status, int32_t *known,
                                           double *facts) {
    guarded("quillane_data_set_header", [&](State &s) {
        const bool read = *n >= 1 && *n <= s.data_set_count && *n <= kMaxDataSets;
        const ScanHeader h = read ? s.set_header[static_cast<size_t>(*n)] : ScanHeader{};
        *status = header_status(read, h);
        copy_header(h, known, facts);
    });
}

QUILLANE_API void quillane_find_columns(const int32_t *sets, const double *margin_cm,
                                        int32_t *count, double *meniscus_cm, double *base_cm,
                                        double *low, double *high) {
    guarded("quillane_find_columns", [&](State &s) {
        *count = 0;
        for (int k = 0; k < QUILLANE_MAX_COLUMNS; ++k)
            meniscus_cm[k] = base_cm[k] = low[k] = high[k] = 0.0;
        const std::vector<ColumnLimits> found = find_columns(s, sets, *margin_cm);
        for (const ColumnLimits &c : found) {
            if (*count >= QUILLANE_MAX_COLUMNS) break;
            meniscus_cm[*count] = c.column.meniscus;
            base_cm[*count] = c.column.base;
            low[*count] = c.low;
            high[*count] = c.high;
            ++*count;
        }
    });
}

QUILLANE_API void quillane_column_stretches(const int32_t *sets, int32_t *count, double *from_cm,
                                            double *to_cm, double *level, double *deviation,
                                            double *sd, int32_t *taken, char *reasons) {
    guarded("quillane_column_stretches", [&](State &s) {
        *count = 0;
        for (int k = 0; k < QUILLANE_MAX_STRETCHES; ++k) {
            from_cm[k] = to_cm[k] = level[k] = deviation[k] = sd[k] = 0.0;
            taken[k] = 0;
            reasons[k * QUILLANE_STRETCH_REASON_LENGTH] = '\0';
        }
        std::vector<ColumnStretch> stretches;
        find_columns(s, sets, 0.0, &stretches);
        for (const ColumnStretch &c : stretches) {
            if (*count >= QUILLANE_MAX_STRETCHES) break;
            const int k = (*count)++;
            from_cm[k] = c.from;
            to_cm[k] = c.to;
            level[k] = c.level;
            deviation[k] = c.deviation;
            sd[k] = c.sd;
            taken[k] = c.column ? 1 : 0;
            char *reason = reasons + static_cast<ptrdiff_t>(k) * QUILLANE_STRETCH_REASON_LENGTH;
            const size_t n =
                std::min(c.reason.size(), static_cast<size_t>(QUILLANE_STRETCH_REASON_LENGTH - 1));
            std::memcpy(reason, c.reason.data(), n);
            reason[n] = '\0';
        }
    });
}

// ---- the same exports under the prefix: one function, two names ----

#define QUILLANE_PREFIXED(prefixed, original) \
    QUILLANE_API decltype(::original) prefixed __attribute__((alias(#original)));
QUILLANE_PREFIXED(quillane_initcommons, initcommons)
QUILLANE_PREFIXED(quillane_init_namwr, init_namwr)
QUILLANE_PREFIXED(quillane_setplotfile, setplotfile)
QUILLANE_PREFIXED(quillane_init_lbhandle, init_lbhandle)
QUILLANE_PREFIXED(quillane_setredir, setredir)
QUILLANE_PREFIXED(quillane_setrchoice, setrchoice)
QUILLANE_PREFIXED(quillane_set_xs_to_plot, set_xs_to_plot)
QUILLANE_PREFIXED(quillane_set_plotsave, set_plotsave)
QUILLANE_PREFIXED(quillane_get_differ_parms, get_differ_parms)
QUILLANE_PREFIXED(quillane_set_differ_parms, set_differ_parms)
QUILLANE_PREFIXED(quillane_getdatar, getdatar)
QUILLANE_PREFIXED(quillane_transfer_data, TRANSFER_DATA)
QUILLANE_PREFIXED(quillane_put_plotlist, put_plotlist)
QUILLANE_PREFIXED(quillane_setxirange, setxirange)
QUILLANE_PREFIXED(quillane_getxirange, getxirange)
QUILLANE_PREFIXED(quillane_set_lim_indices_vb, set_lim_indices_vb)
QUILLANE_PREFIXED(quillane_find_smallest_range, find_smallest_range)
QUILLANE_PREFIXED(quillane_set_x_var, set_x_var)
QUILLANE_PREFIXED(quillane_get_times, get_times)
QUILLANE_PREFIXED(quillane_set_times, set_times)
QUILLANE_PREFIXED(quillane_renumber_fringes, renumber_fringes)
QUILLANE_PREFIXED(quillane_fit_allb, fit_allB)
QUILLANE_PREFIXED(quillane_plot_result_graphs, plot_result_graphs)
QUILLANE_PREFIXED(quillane_generic_plot, GENERIC_PLOT)
QUILLANE_PREFIXED(quillane_plt_c_x, plt_c_x)
QUILLANE_PREFIXED(quillane_tkrnd2, tkrnd2)
QUILLANE_PREFIXED(quillane_init_lbsink, init_lbsink)
QUILLANE_PREFIXED(quillane_init_lbsink_ctx, init_lbsink_ctx)
#undef QUILLANE_PREFIXED

}  // extern "C"
