// SPDX-License-Identifier: MIT
// The library's exports as one table of function pointers, bound by name.
//
// The program and the headless runner both load libquillane.so through one
// binding (library_binding.h), which fills this table through
// bind_exports(); everything else reaches the library through the session,
// which calls only through the table.  The table holds the names the
// session calls by; the library's prefixed second names are not bound.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "quillane.h"

namespace quillane::session {

// Every export of quillane.h the session calls, in the header's order.
#define QUILLANE_SESSION_EXPORTS(X)       \
    X(initcommons)                        \
    X(init_namwr)                         \
    X(setplotfile)                        \
    X(init_lbhandle)                      \
    X(setredir)                           \
    X(setrchoice)                         \
    X(set_xs_to_plot)                     \
    X(set_plotsave)                       \
    X(get_differ_parms)                   \
    X(set_differ_parms)                   \
    X(getdatar)                           \
    X(quillane_data_set_info)             \
    X(quillane_data_set_range)            \
    X(quillane_data_set_points_not_read)  \
    X(TRANSFER_DATA)                      \
    X(put_plotlist)                       \
    X(setxirange)                         \
    X(getxirange)                         \
    X(set_lim_indices_vb)                 \
    X(find_smallest_range)                \
    X(set_x_var)                          \
    X(get_times)                          \
    X(set_times)                          \
    X(renumber_fringes)                   \
    X(fit_allB)                           \
    X(plot_result_graphs)                 \
    X(GENERIC_PLOT)                       \
    X(plt_c_x)                            \
    X(tkrnd2)                             \
    X(init_lbsink)                        \
    X(init_lbsink_ctx)                    \
    X(quillane_version)                   \
    X(quillane_last_error)                \
    X(quillane_set_equilibrium_time)      \
    X(quillane_set_equilibrium_tolerance) \
    X(quillane_set_exact_f)               \
    X(quillane_get_equilibrium_settings)  \
    X(quillane_assess)                    \
    X(quillane_noise)                     \
    X(quillane_verdict)                   \
    X(quillane_forecast)                  \
    X(quillane_verdict_basis)             \
    X(quillane_drift)                     \
    X(quillane_forecast_bounds)           \
    X(quillane_pair_result)               \
    X(quillane_active_set)                \
    X(quillane_plot_equilibrium)          \
    X(quillane_scan_header)               \
    X(quillane_is_data_line)              \
    X(quillane_data_set_header)           \
    X(quillane_find_columns)              \
    X(quillane_column_stretches)

struct Exports {
#define QUILLANE_SESSION_DECLARE(name) decltype(&::name) name = nullptr;
    QUILLANE_SESSION_EXPORTS(QUILLANE_SESSION_DECLARE)
#undef QUILLANE_SESSION_DECLARE
};

// Looks up a symbol of the loaded library; nullptr when it has none.
using Resolver = std::function<void *(const char *name)>;

// Binds every export with `resolve`.  Returns false and lists the exports
// the library lacks in `missing` (the table is then left unchanged).
bool bind_exports(Exports &table, const Resolver &resolve, std::vector<std::string> &missing);

// The version this program was built against, "0.99.0039".
std::string built_version();

// The version of the bound library as it reports it, "0.99.0039".
std::string library_version(const Exports &table);

// Refuses a library whose major or minor version differs from the one this
// program was built against: false, with a message naming both versions.
bool check_version(const Exports &table, std::string &error);

}  // namespace quillane::session
