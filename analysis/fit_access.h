// SPDX-License-Identifier: MIT
// What the plots and graphs read of the matching fit's results, in one
// place, so that they do not depend on how the fit lays out its tables.
// Every reader answers 0 (or "") for an index outside what the last fit
// stored: a graph drawn before any fit, or of a set the fit did not see,
// shows zeros.
#pragma once

#include <string>

#include "state.h"

namespace quillane {

// Per fit kind k (1..3) and ordered pair (reference i, compared j).
double result_rms(const State &s, int k, int i, int j);
double result_rss(const State &s, int k, int i, int j);
// Position offset of the two-parameter fit of (i, j).
double result_x_offset(const State &s, int i, int j);
// Deviation of compared set j at the m-th point of the reference set.
float result_deviation(const State &s, int k, int j, int m);

// The active set whose deviations are kept.
int32_t result_ref_set(const State &s);
void set_result_ref_set(State &s, int32_t set);

// The slope label of active set `set` ("Data set: s Span: L Poly: T").
std::string stored_slope_label(const State &s, int32_t set);

}  // namespace quillane
