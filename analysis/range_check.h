// SPDX-License-Identifier: MIT
// Whether the range the equilibrium assessment judges can carry a verdict.
//
// A verdict, a forecast or a summary line made from a range that holds a
// meniscus, a base or a window region means nothing: the spikes and edges
// there differ from scan to scan by far more than the solution does, and
// the noise estimate they give is that of the spikes (a range over a whole
// real scan gave 0.26 OD against the column's 0.0025, and "equilibrium
// reached" one hour after a speed change).  So before judging, the range
// is looked at as the column finder looks at a whole scan (columns.h), and
// the scans' own noise is held against the replicate SD the files give.
// No I/O.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assessment_state.h"

namespace quillane {

struct State;

// Inside a solution column the scans' noise (from the local fits) is about
// the replicate SD the instrument reports: 0.3 to 3 times it on simulated
// columns (noise 0.005-0.01 OD against SDs of 0.003-0.006, growing alike
// with the absorbance), 0.8 on a real one (0.0025 against 0.003).  A range
// over spikes or windows gives 30 to 100 times.  Beyond this many times the
// range cannot be a column.
inline constexpr double kMostNoiseOverSd = 5.0;

// What the last check found, kept with what it was made of, so that
// assessing the same data again (a watch, a changed setting) does not run
// the search again.
struct RangeCheck {
    std::vector<uint64_t> key;
    std::string problem;
    double from_cm = 0.0, to_cm = 0.0;  // the range
    double sd = -1.0;  // the median replicate SD in it; negative where a point has none
};

// Why no verdict can rest on the range of the current active sets, as a
// sentence ("the range 5.700 .. 7.200 cm holds a spike at 5.950 cm (a
// meniscus, a base or a window's edge)"); empty when one can.  pooled: the assessment's noise of
// all scans.  Keeps the search's answer in s.range_check.
std::string range_problem(State &s, const NoiseEstimate &pooled);

}  // namespace quillane
