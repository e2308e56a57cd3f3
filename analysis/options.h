// SPDX-License-Identifier: MIT
// The small setters and getters of the options that the front end's dialogs
// own.
#pragma once

#include <string_view>

#include "state.h"

namespace quillane {

// Texts handed over with an explicit length: the whole text up to its first
// NUL, trailing blanks dropped.  A file name is never cut: a cut name would
// open or create another file than the one meant.
std::string file_name_argument(const char *name, int32_t length);

// Redirection table: all 50 entries copied, count clamped to 0..50.
void set_redirection(State &s, const int32_t *table, int32_t count);

// Fit kinds of the result graphs and the logarithm choice.
void set_result_choice(State &s, const int32_t *choices, bool use_log);

// Positions for the deviations-against-time graph; count clamped to 0..10.
void set_positions_to_plot(State &s, const double *xs, int32_t count);

// Plot files deleted (true) or kept (false) after viewing; logs the mode.
void set_plot_save(State &s, bool delete_after_viewing);

struct DifferParms {
    int32_t span;
    int32_t points;  // smallest active set
    int32_t terms;
};
DifferParms get_differ_parms(const State &s);
// New span and degree; the slopes must be worked out again.
void set_differ_parms(State &s, int32_t span, int32_t terms);

// The span and degree the slopes are fitted with.  The setter keeps them in
// range; the state may still be set directly, and a span below one point
// fits nothing.
int32_t span_in_force(const State &s);
int32_t terms_in_force(const State &s);

}  // namespace quillane
