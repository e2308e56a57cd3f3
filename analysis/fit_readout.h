// SPDX-License-Identifier: MIT
// The results of the last fit and the facts of the active sets, one pair or
// one set at a time, for callers that write them elsewhere than the report
// (tables, other programs).  No I/O.
#pragma once

#include "quillane.h"
#include "state.h"

namespace quillane {

// True when the pair tables belong to the active sets as they are now: at
// least two active sets, a fit has compared pairs, and neither the active
// store nor the differentiation parameters have changed since (both make the
// next fit work out the slopes again, which only a fit does).
bool fit_is_current(const State &s);

// The values are the C interface's (quillane_pair_status), which fixes them.
enum class PairStatus : int32_t {
    kNotCompared =
        QUILLANE_PAIR_NOT_COMPARED,      // no fit, the diagonal, or a reference set too short
    kCompared = QUILLANE_PAIR_COMPARED,  // all three fit kinds
    kNoPositionFit = QUILLANE_PAIR_NO_POSITION_FIT,  // kinds 1 and 2 only: every slope of the
                                                     // reference set is the same
};

// One ordered pair of the last fit.  Index 1..3 is the fit kind.
struct PairReadout {
    PairStatus status = PairStatus::kNotCompared;
    int points = 0;           // of the reference set
    double variance[4] = {};  // sum of squared deviations, the report's VAR
    double rms[4] = {};
    double y_offset[4] = {};  // kind 1 is always 0
    double x_offset = 0.0;    // kind 3, in the unit of the position variable
    double f_critical = 0.0;  // F(points - 1, points - 1) at the confidence level
};

// The pair (reference set ref, compared set cmp), both active sets 1..n.
// Everything is 0 unless the pair was compared by a current fit; the kind-3
// entries also when the position fit could not be solved.
PairReadout read_pair(const State &s, int ref, int cmp);

// The facts of active set k (1..n): its data set number, time and points.
struct SetReadout {
    int data_set = 0;
    double time_s = 0.0;
    int points = 0;
};
SetReadout read_active_set(const State &s, int k);

}  // namespace quillane
