// SPDX-License-Identifier: MIT
// The noise of each scan, from the scan alone: the residual variance of the
// same local polynomial windows the slopes are taken from, pooled over the
// scan.  A smooth concentration profile is followed closely by a cubic over
// a few dozen points, so what the window does not follow is the scan's
// noise (plus any curvature the polynomial cannot take up, which makes the
// estimate err on the high side).  No I/O.
#pragma once

#include <span>

#include "assessment_state.h"
#include "fit_slopes.h"
#include "state.h"

namespace quillane {

// Noise of the points 1..n held in work.x and work.y, with windows of
// `span` points and polynomials of degree `degree` (1..3).
//
// Every window of the scan is fitted, as the slopes are, and its residual
// variance pooled (sum of squared residuals over the sum of span - degree - 1
// per window).  Neighbouring windows share most of their points, so they add
// no independent information: the degrees of freedom are those of the scan
// cut into disjoint windows, n (span - degree - 1) / span, rounded down, in
// proportion to the windows that could be solved.  Unknown (dof 0) when the
// scan is shorter than a window, a window has no residual degree of freedom,
// or no window can be solved.
NoiseEstimate window_noise(SlopeWork &work, int n, int span, int degree);

// Noise of every active set, with the state's differentiation span and
// degree: element k is active set k (1..sets), element 0 unused.
std::array<NoiseEstimate, kAssessmentSets + 1> active_set_noise(const State &s);

// Several estimates as one: variances weighted by their degrees of freedom,
// which add.  Unknown estimates are left out.
NoiseEstimate pool_noise(std::span<const NoiseEstimate> estimates);

// The noise of a difference of two scans: the sum of their variances, with
// the Satterthwaite degrees of freedom of that sum (rounded down).  Unknown
// when either is.
NoiseEstimate difference_noise(const NoiseEstimate &a, const NoiseEstimate &b);

}  // namespace quillane
