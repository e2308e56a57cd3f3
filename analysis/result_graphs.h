// SPDX-License-Identifier: MIT
// Result graphs: the matching fit's results as one plot file of five kinds.
//   1  RMS deviation against time, one series per chosen fit kind
//   2  variance (sum of squared deviations) against time, the same
//   3  deviations against position, one series per set of the plot list
//   4  deviations against time, one series per chosen position
//   5  position offsets against time (the two-parameter fit)
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "state.h"

namespace quillane {

// The logarithm written for a deviation of exactly 0 when logarithms are
// asked for: the log of the smallest positive normal single-precision
// number (-87.3365), so the point stays finite and sits below every other.
extern const float kLogOfZeroDeviation;

// plot_result_graphs: writes one graph.  ref is the caller's reference set
// (kinds 1, 2, 3 and 5; kind 4 uses the reference set of the last fit or
// kind-3 graph).  Kind 5 leaves the fit-kind choice at kind 3 alone; kind 4
// leaves the positions sorted; kind 3 makes ref the kept reference set.
void plot_result_graphs(State &s, int32_t kind, int32_t ref);

// Fills the plot buffer from the graph buffers (npts points per series):
// symbols, then each series as a line, the zero line when asked for, and
// a closing record; then writes the plot file.
void write_result_graph(State &s, int32_t npts, bool zero_line);

// Ascending heap sort of values, in place.
void sort_reals(std::span<double> values);

// Joins texts, each without its trailing blanks; an entirely blank text
// counts as one blank.
std::string join_trimmed(std::initializer_list<std::string_view> parts);

}  // namespace quillane
