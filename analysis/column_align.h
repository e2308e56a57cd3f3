// SPDX-License-Identifier: MIT
// How far each scan of a series lies along the radius from the others.
//
// Rotor stretch, or a drift of the radial calibration, moves every feature
// of a late scan (menisci, bases, window edges) by the same 0.01-0.02 cm.
// Pooled unaligned, a moved reference meniscus (a spike below zero) can land
// on the sample meniscus of the other scans and hide both.  The features
// that say where a scan lies are its spikes and steps: each scan's
// high-passed signal (a point less the mean of its own scan's values a
// little before and after it) is compared with the median of all of them
// at every lag up to kMostShift; the best lag is the scan's shift.
#pragma once

#include <vector>

#include "columns.h"

namespace quillane::column_detail {

// The largest shift looked for (cm): a larger move is another speed,
// another series.
inline constexpr double kMostShift = 0.03;
// Shifts up to this (cm) count as none: points 0.001-0.008 cm apart place a
// spike a few thousandths of a cm wide no better.
inline constexpr double kShiftResolution = 0.005;

// Each scan's shift (cm, outward positive) from where most scans lie; 0 for
// a scan whose place is not clear (too few points, no feature that matches)
// or within kShiftResolution.  Each scan's points must be in rising radius.
std::vector<double> radial_shifts(const std::vector<std::vector<RadialPoint>> &scans);

}  // namespace quillane::column_detail
