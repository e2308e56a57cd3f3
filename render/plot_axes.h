// SPDX-License-Identifier: MIT
// The axes of a plot: limits and tick counts from the tick rounding, the
// power-of-ten factor of each axis, and the texts written along them.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "viewer_state.h"

namespace quillane::viewer {

// Rounds lo..hi outward to whole tick steps (the library's tick rounding).
using TickRounder =
    std::function<void(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals)>;

// A message for the user, shown by the caller (never while painting).
struct Notice {
    QString text;
    QString title;
};

struct AxisLayout {
    float lo = 0.0f;
    float hi = 1.0f;
    int ticks = 2;       // tick count, both ends included
    QString exponent;    // "+05", "-03", "+00"
    double power = 1.0;  // 10^exponent; tick labels are divided by it
    float step() const { return (hi - lo) / static_cast<float>(ticks - 1); }
    float tickValue(int i) const { return lo + static_cast<float>(i) * step(); }
};

struct PlotAxes {
    AxisLayout x;
    AxisLayout y;
    QString x_suffix;  // appended to the x label: "  (10^+05)" or empty
    QString y_suffix;  // appended to the y label: " (10^+05)" or empty
};

// Lays out both axes from state.XMin..YMax.  All-equal values are widened
// first (XMin/XMax or YMin/YMax are changed in `state`, as the zoom-out
// restores them) and a warning is added to `notices`.
PlotAxes computeAxes(ViewerState &state, const TickRounder &round, std::vector<Notice> *notices);

// The exponent text of the axis factor: that of the limit of smaller
// magnitude (the non-zero one when a limit is 0), a sign and two digits;
// "+01" and "-01" become "+00", so factors of 10 and 0.1 are not shown.
QString ExponentOf(float lo, float hi);

// A tick value divided by the axis factor, with three decimals.
QString tickLabel(float value, double power);

// The coordinate readout under the pointer.
QString coordinateReadout(float x, float y);

// `value` in scientific notation with `decimals` decimals and at least two
// exponent digits, such as 1.2345E+03.
QString scientific(double value, int decimals);

}  // namespace quillane::viewer
