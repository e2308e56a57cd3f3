// SPDX-License-Identifier: MIT
// Active data sets, data limits, the position variable and scan times.
//
// The fit and the graphs work on the active store: the points of the active
// sets (in the order of the redirection table) inside the data limits, with
// the position in the current position variable (xi = r^2/2 or r).
#pragma once

#include "state.h"

namespace quillane {

// Rebuilds the active store from the redirection table, the limit indices
// and the position variable; logs the selection and the limits.
void transfer_data(State &s);

// Stores the list of active sets a plot shows (count clamped to 0..50).
void put_plot_list(State &s, const int32_t *list);

// Per-set index search for the limits low..high in the current position
// variable; returns true when every data set keeps at least differ_span + 1
// points inside the limits.
bool find_limit_indices(State &s, double low, double high);

// Index search with the current limits (set_lim_indices_vb).
bool set_limit_indices(State &s);

// Index search over the full default range; the limits are kept.
void find_smallest_range(State &s);

// Position variable: radius when choice is exactly 0.0, xi otherwise.
void set_position_variable(State &s, double choice);

// New times of the active sets (times[0] is active set 1); logs old and new.
void set_times(State &s, const double *times);
void get_times(const State &s, double *times);

// Removes whole-fringe jumps from the values of every data set read.
void renumber_fringes(State &s);

// Full default ranges of the position variables.
inline constexpr double kDefaultXiLow = 16.0;
inline constexpr double kDefaultXiHigh = 26.0;
inline const double kDefaultRadiusLow = static_cast<float>(5.6);
inline const double kDefaultRadiusHigh = static_cast<float>(7.4);

}  // namespace quillane
