// The C interface: thin wrappers over the process-wide state.  No C++
// exception may cross into the caller; one that escapes an operation is
// reported to the list box and the call returns normally.
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "data_plots.h"
#include "fit_match.h"
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
        note_error(global_state(), line);
        Log::post_log_line(global_state(), line);
    } catch (...) {
    }
}

// Runs one export: clears the last error, and turns an exception into a
// logged internal error, so nothing crosses into the caller.
template <typename F>
void guarded(const char *operation, F &&body) noexcept {
    try {
        global_state().last_error.clear();
        body(global_state());
    } catch (const std::exception &e) {
        report_internal_error(std::string(" Internal error in ") + operation + ": " + e.what());
    } catch (...) {
        report_internal_error(std::string(" Internal error in ") + operation);
    }
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
    guarded("quillane_version", [&](State &) {
        if (major) *major = QUILLANE_VERSION_MAJOR;
        if (minor) *minor = QUILLANE_VERSION_MINOR;
        if (revision) *revision = QUILLANE_VERSION_REVISION;
    });
}

// Reads the last error; unlike every other export it leaves it in place.
QUILLANE_API void quillane_last_error(char *text, int32_t length, int32_t *text_length) {
    try {
        const std::string &e = global_state().last_error;
        if (text != nullptr && length > 0) {
            const size_t n = std::min(e.size(), static_cast<size_t>(length));
            std::memcpy(text, e.data(), n);
            std::memset(text + n, ' ', static_cast<size_t>(length) - n);
        }
        if (text_length != nullptr) *text_length = static_cast<int32_t>(e.size());
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
    guarded("set_lim_indices_vb", [&](State &s) { *ok = set_limit_indices(s) ? 1 : 0; });
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
    guarded("tkrnd2", [&](State &) { tick_round_float(*lo, *hi, *out_lo, *out_hi, *n_intervals); });
}

}  // extern "C"
