// SPDX-License-Identifier: MIT
// Axis limits on whole tick steps.  One rule serves the viewer's axes
// (through the exported single-precision entry) and the zero lines and
// graphs of the library.
#pragma once

#include <cstdint>

namespace quillane {

struct TickRange {
    double lo = 0.0;
    double hi = 0.0;
    int32_t n_intervals = 1;  // tick step = (hi - lo) / n_intervals
};

// Widens lo..hi outward to whole multiples of a tick step with 5 to 9
// intervals (10 in a few cases, see the source).  A range that is empty,
// reversed or not finite, or one whose rounded limits would overflow,
// comes back unchanged with one interval: finite limits give finite limits.
TickRange snap_plot_range(double lo, double hi);

// The same rule with single-precision limits (the exported tkrnd2).  When
// the rounded limits lie beyond the single-precision range, lo and hi come
// back unchanged with one interval.
void tick_round_float(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals);

}  // namespace quillane
