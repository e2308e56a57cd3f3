// SPDX-License-Identifier: MIT
// A stand-in for the analysis library: it exports the same operations, keeps
// just enough state to answer the getters, and appends one line per call to
// the file named by $QUILLANE_RECORD_FILE, so tests can check which
// operations the front end called, in which order and with what.
//
// Built a second time with RECORDER_WITHOUT_TKRND2 to give a library that
// lacks one export, and with RECORDER_OTHER_MINOR to give one of the next
// minor version.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "quillane.h"

namespace {

quillane_listbox_ops g_ops{};
bool g_has_ops = false;
int32_t g_handle = 0;
quillane_listbox_ctx_ops g_ctx_ops{};
void *g_ctx = nullptr;
bool g_has_ctx_ops = false;
std::string g_plot_file;
double g_low = 16.0;
double g_high = 26.0;
double g_times[50];
bool g_times_set = false;
int32_t g_span_ok = 1;

void record(const std::string &line) {
    const char *path = std::getenv("QUILLANE_RECORD_FILE");
    if (!path || !*path) return;
    if (std::FILE *f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

// Plots are written as a file of one line, so the caller finds one; as
// the real library, never over a plot file still there.
void write_plot() {
    if (g_plot_file.empty()) return;
    if (std::FILE *old = std::fopen(g_plot_file.c_str(), "rb")) {
        std::fclose(old);
        return;
    }
    if (std::FILE *f = std::fopen(g_plot_file.c_str(), "wb")) {
        std::fputs(" recorded plot\r\n", f);
        std::fclose(f);
    }
}

void post(const std::string &line) {
    if (g_has_ctx_ops) {
        g_ctx_ops.add_string(g_ctx, line.c_str());
        const int32_t count = g_ctx_ops.get_count(g_ctx);
        g_ctx_ops.set_top_index(g_ctx, count > 0 ? count - 1 : 0);
        g_ctx_ops.update(g_ctx);
        g_ctx_ops.dispatch_pending(g_ctx);
        return;
    }
    if (!g_has_ops) return;
    g_ops.add_string(g_handle, line.c_str());
    const int32_t count = g_ops.get_count(g_handle);
    g_ops.set_top_index(g_handle, count > 0 ? count - 1 : 0);
    g_ops.update(g_handle);
    g_ops.dispatch_pending(g_handle);
}

std::string num(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

std::string text(const char *s, int32_t length) {
    std::string t = s && length > 0 ? std::string(s, static_cast<size_t>(length)) : std::string();
    while (!t.empty() && (t.back() == ' ' || t.back() == '\0'))
        t.pop_back();
    return t;
}

void initTimes() {
    if (g_times_set) return;
    for (int k = 0; k < 50; ++k)
        g_times[k] = k + 1;
    g_times_set = true;
}

}  // namespace

extern "C" {

// Test control, not part of the library's interface: the answer of the
// next set_lim_indices_vb calls.
QUILLANE_API void recorder_set_span_ok(int32_t ok) {
    g_span_ok = ok;
}

QUILLANE_API void initcommons(const int32_t *echo_flag) {
    record("initcommons " + std::to_string(*echo_flag));
}
QUILLANE_API void init_namwr(const char *name, int32_t length) {
    record("init_namwr " + std::to_string(length) + " " + text(name, length));
}
QUILLANE_API void setplotfile(const char *name, int32_t length) {
    g_plot_file = text(name, length);
    record("setplotfile " + std::to_string(length) + " " + text(name, length));
}
QUILLANE_API void init_lbhandle(const int32_t *handle, const int32_t *visible_lines) {
    g_handle = *handle;
    record("init_lbhandle " + std::to_string(*visible_lines > 0 ? 1 : 0));
}
QUILLANE_API void setredir(const int32_t *table, const int32_t *count) {
    std::string line = "setredir " + std::to_string(*count);
    for (int k = 0; k < *count && k < 50; ++k)
        line += " " + std::to_string(table[k]);
    record(line);
}
QUILLANE_API void setrchoice(const int32_t *choices, const int32_t *use_log) {
    record("setrchoice " + std::to_string(choices[0]) + " " + std::to_string(choices[1]) + " " +
           std::to_string(choices[2]) + " " + std::to_string(*use_log));
}
QUILLANE_API void set_xs_to_plot(const double *xs, const int32_t *count) {
    std::string line = "set_xs_to_plot " + std::to_string(*count);
    for (int k = 0; k < *count && k < 10; ++k)
        line += " " + num(xs[k]);
    record(line);
}
QUILLANE_API void set_plotsave(const int32_t *delete_flag) {
    record("set_plotsave " + std::to_string(*delete_flag));
}
QUILLANE_API void get_differ_parms(int32_t *span, int32_t *points, int32_t *terms) {
    *span = 50;
    *points = 102400;
    *terms = 3;
    record("get_differ_parms");
}
QUILLANE_API void set_differ_parms(const int32_t *span, const int32_t *terms) {
    record("set_differ_parms " + std::to_string(*span) + " " + std::to_string(*terms));
}
QUILLANE_API void getdatar(const char *name, int32_t length, const int32_t *n) {
    record("getdatar " + std::to_string(*n) + " " + std::to_string(length) + " " +
           text(name, length));
    post(" read data set " + std::to_string(*n));
}
QUILLANE_API void TRANSFER_DATA(void) {
    record("TRANSFER_DATA");
}
QUILLANE_API void put_plotlist(const int32_t *list) {
    std::string line = "put_plotlist " + std::to_string(list[0]);
    for (int k = 1; k <= list[0] && k <= 50; ++k)
        line += " " + std::to_string(list[k]);
    record(line);
}
QUILLANE_API void setxirange(const double *low, const double *high) {
    g_low = *low;
    g_high = *high;
    record("setxirange " + num(*low) + " " + num(*high));
}
QUILLANE_API void getxirange(double *low, double *high) {
    *low = g_low;
    *high = g_high;
    record("getxirange");
}
QUILLANE_API void set_lim_indices_vb(int32_t *ok) {
    *ok = g_span_ok;
    record("set_lim_indices_vb");
}
QUILLANE_API void find_smallest_range(void) {
    record("find_smallest_range");
}
QUILLANE_API void set_x_var(const double *choice) {
    record("set_x_var " + num(*choice));
}
QUILLANE_API void get_times(double *times) {
    initTimes();
    for (int k = 0; k < 50; ++k)
        times[k] = g_times[k];
    record("get_times");
}
QUILLANE_API void set_times(const double *times) {
    initTimes();
    for (int k = 0; k < 50; ++k)
        g_times[k] = times[k];
    record("set_times " + num(times[0]) + " " + num(times[1]) + " " + num(times[2]));
}
QUILLANE_API void renumber_fringes(void) {
    record("renumber_fringes");
}
QUILLANE_API void fit_allB(const int32_t *ref) {
    record("fit_allB " + std::to_string(*ref));
}
QUILLANE_API void plot_result_graphs(const int32_t *kind, const int32_t *ref) {
    record("plot_result_graphs " + std::to_string(*kind) + " " + std::to_string(*ref));
    write_plot();
}
QUILLANE_API void GENERIC_PLOT(const int32_t *kind, const int32_t *set) {
    record("GENERIC_PLOT " + std::to_string(*kind) + " " + std::to_string(*set));
    write_plot();
}
QUILLANE_API void plt_c_x(void) {
    record("plt_c_x");
}
#ifndef RECORDER_WITHOUT_TKRND2
QUILLANE_API void tkrnd2(const float *lo, const float *hi, float *out_lo, float *out_hi,
                         int32_t *n_intervals) {
    *out_lo = *lo;
    *out_hi = *hi;
    *n_intervals = 5;
    record("tkrnd2");
}
#endif
QUILLANE_API void init_lbsink(const quillane_listbox_ops *ops) {
    g_has_ops = ops != nullptr;
    g_has_ctx_ops = false;
    if (ops) g_ops = *ops;
    record("init_lbsink");
}
QUILLANE_API void init_lbsink_ctx(const quillane_listbox_ctx_ops *ops, void *ctx) {
    g_has_ctx_ops = ops != nullptr;
    g_has_ops = false;
    if (ops) g_ctx_ops = *ops;
    g_ctx = ctx;
    record("init_lbsink_ctx");
}
QUILLANE_API void quillane_version(int32_t *major, int32_t *minor, int32_t *revision) {
    *major = QUILLANE_VERSION_MAJOR;
#ifdef RECORDER_OTHER_MINOR
    *minor = QUILLANE_VERSION_MINOR + 1;
#else
    *minor = QUILLANE_VERSION_MINOR;
#endif
    *revision = QUILLANE_VERSION_REVISION;
}
// The stand-in never fails.
QUILLANE_API void quillane_last_error(char *text, int32_t length, int32_t *text_length) {
    for (int32_t i = 0; i < length; ++i)
        text[i] = ' ';
    *text_length = 0;
}
// The assessment of the stand-in: settings are remembered, results are empty.
double g_block_s = 14400.0;
double g_tolerance = 0.0;
int32_t g_exact = 0;
QUILLANE_API void quillane_set_equilibrium_time(const double *seconds) {
    g_block_s = *seconds;
    record("quillane_set_equilibrium_time " + num(*seconds));
}
QUILLANE_API void quillane_set_equilibrium_tolerance(const double *tolerance) {
    g_tolerance = *tolerance;
    record("quillane_set_equilibrium_tolerance " + num(*tolerance));
}
QUILLANE_API void quillane_set_exact_f(const int32_t *exact) {
    g_exact = *exact;
    record("quillane_set_exact_f " + std::to_string(*exact));
}
QUILLANE_API void quillane_get_equilibrium_settings(double *seconds, double *tolerance,
                                                    int32_t *exact, double *confidence) {
    *seconds = g_block_s;
    *tolerance = g_tolerance;
    *exact = g_exact;
    *confidence = 95.0;
}
QUILLANE_API void quillane_assess(const int32_t *write_report) {
    record("quillane_assess " + std::to_string(*write_report));
}
QUILLANE_API void quillane_noise(const int32_t *, double *noise, int32_t *dof) {
    *noise = 0.0;
    *dof = 0;
}
QUILLANE_API void quillane_verdict(int32_t *status, int32_t *scan, double *time_s, double *block_s,
                                   char *text, int32_t length, int32_t *text_length) {
    *status = -1;
    *scan = 0;
    *time_s = *block_s = 0.0;
    for (int32_t i = 0; i < length; ++i)
        text[i] = ' ';
    *text_length = 0;
}
QUILLANE_API void quillane_forecast(int32_t *status, int32_t *pairs, double *tau_s,
                                    double *tau_error_s, double *amplitude, double *threshold,
                                    double *equilibrium_time_s, double *interval_s, char *reason,
                                    int32_t length, int32_t *reason_length) {
    *status = *pairs = 0;
    *tau_s = *tau_error_s = *amplitude = *threshold = *equilibrium_time_s = 0.0;
    interval_s[0] = interval_s[1] = 0.0;
    for (int32_t i = 0; i < length; ++i)
        reason[i] = ' ';
    *reason_length = 0;
}
QUILLANE_API void quillane_verdict_basis(int32_t *decided_by, int32_t *block_scans,
                                         int32_t *too_few, int32_t *breaking_scan,
                                         int32_t *broken_by, int32_t *break_reason,
                                         double *no_offset_rms, char *notes, int32_t length,
                                         int32_t *notes_length) {
    *decided_by = *block_scans = *too_few = *breaking_scan = *broken_by = *break_reason = 0;
    *no_offset_rms = 0.0;
    for (int32_t i = 0; i < length; ++i)
        notes[i] = ' ';
    *notes_length = 0;
}
QUILLANE_API void quillane_drift(const int32_t *, int32_t *groups, int32_t *first_scan,
                                 int32_t *last_scan, double *baseline, double *radial_cm) {
    *groups = *first_scan = *last_scan = 0;
    *baseline = *radial_cm = 0.0;
}
QUILLANE_API void quillane_forecast_bounds(int32_t *one_sided, double *lower_s, double *upper_s,
                                           double *floor_s, double *jitter) {
    *one_sided = 0;
    *lower_s = *upper_s = *floor_s = *jitter = 0.0;
}
QUILLANE_API void quillane_pair_result(const int32_t *, const int32_t *, int32_t *status,
                                       int32_t *points, double *variance, double *rms,
                                       double *y_offset, double *x_offset, double *f_critical) {
    *status = *points = 0;
    for (int k = 0; k < 3; ++k)
        variance[k] = rms[k] = y_offset[k] = 0.0;
    *x_offset = *f_critical = 0.0;
}
QUILLANE_API void quillane_active_set(const int32_t *set, int32_t *data_set, double *time_s,
                                      int32_t *points) {
    *data_set = *set;
    *time_s = 600.0 * *set;
    *points = 60;
}
QUILLANE_API void quillane_plot_equilibrium(void) {
    record("quillane_plot_equilibrium");
    write_plot();
}
QUILLANE_API void quillane_data_set_info(const int32_t *n, int32_t *points, double *time) {
    *points = 60;
    *time = 600.0 * *n;
}
QUILLANE_API void quillane_data_set_points_not_read(const int32_t *, int32_t *count) {
    *count = 0;
}
QUILLANE_API void quillane_data_set_range(const int32_t *, double *low, double *high) {
    *low = 18.0;
    *high = 24.0;
}

// Every scan of the stand-in has the header of the test scans: cell 1,
// 20.0 C, 12000 rpm, 600 s per data set number, 280 nm.  Reading headers
// and searching columns only ask, so neither is recorded.
static void stand_in_header(int32_t n, int32_t *status, int32_t *known, double *facts) {
    const double values[6] = {1.0, 20.0, 12000.0, 600.0 * n, 1.0e10, 280.0};
    *status = 1;
    for (int i = 0; i < 6; ++i) {
        known[i] = 1;
        facts[i] = values[i];
    }
}
QUILLANE_API void quillane_scan_header(const char *, int32_t, int32_t *status, int32_t *known,
                                       double *facts) {
    stand_in_header(1, status, known, facts);
}
QUILLANE_API int32_t quillane_is_data_line(const char *line, int32_t length) {
    // Enough for a stand-in: a line that starts with a digit.
    return line && length > 0 && line[0] >= '0' && line[0] <= '9' ? 1 : 0;
}
QUILLANE_API void quillane_data_set_header(const int32_t *n, int32_t *status, int32_t *known,
                                           double *facts) {
    stand_in_header(*n, status, known, facts);
}
// The stand-in finds no column.
QUILLANE_API void quillane_find_columns(const int32_t *, const double *, int32_t *count,
                                        double *meniscus_cm, double *base_cm, double *low,
                                        double *high) {
    *count = 0;
    for (int k = 0; k < QUILLANE_MAX_COLUMNS; ++k)
        meniscus_cm[k] = base_cm[k] = low[k] = high[k] = 0.0;
}

// Nor any stretch.
QUILLANE_API void quillane_column_stretches(const int32_t *, int32_t *count, double *, double *,
                                            double *, double *, double *, int32_t *,
                                            char *reasons) {
    *count = 0;
    reasons[0] = '\0';
}

}  // extern "C"
