// SPDX-License-Identifier: MIT
// When will the cell reach sedimentation equilibrium?
//
// The forecast assumes one dominant relaxation, c(r, t) - c_eq(r) =
// a(r) e^(-t/tau).  The RMS distance of scan k from the latest scan L is then
//   RMS_k^2 = B^2 (e^((t_L - t_k)/tau) - 1)^2 + s_k^2,
// where B is the remaining distance of the latest scan from equilibrium
// (the RMS of a(r) e^(-t_L/tau)) and s_k^2 the noise variance of the
// difference.  B and tau are fitted by nonlinear least squares to the RMS
// distances, whose scatter, unlike that of their squares, hardly depends on
// their size.  The remaining distance A e^(-t/tau), A = B e^(t_L/tau), falls
// below a threshold (the smallest distance the verdict's test can tell from
// the noise, or a tolerance) at t_eq = tau ln(A / threshold).  Far-apart
// scans carry the information that successive scans, too close to differ
// beyond the noise, do not.
//
// No I/O: the callers form the lines.
#pragma once

#include <span>
#include <string>

#include "assessment_state.h"

namespace quillane {

// The forecast needs at least this many distances: two parameters and the
// residual scatter that judges the fit.
inline constexpr int kMinForecastPairs = 4;
// The fit is refused when tau's standard error exceeds this fraction of tau:
// the distances then fit a straight line as well as an exponential.
inline constexpr double kMaxTauRelativeError = 0.5;
// ... or when the distances scatter about the fitted curve by more than this
// fraction of their range: they do not follow one exponential approach.
inline constexpr double kMaxResidualFraction = 0.1;
// Forecast ends (and t_eq) further beyond the latest scan than this many
// times the time the scans span are extrapolation the data cannot carry:
// real runs printed upper ends of 4,426 h and 189,831,977 h.
inline constexpr double kMostRunLengths = 10.0;

// One distance to the latest scan, as the forecast fits it.
struct DistancePoint {
    double lag_s = 0.0;           // time of the latest scan less this scan's, > 0
    double rms = 0.0;             // no-offset RMS distance
    double noise_variance = 0.0;  // of the difference of the two scans
    bool above_noise = false;     // the F test found the two scans different
    // Instrument drift between this scan and the latest (the variance the
    // offset fits take up in scans whose shape has stopped changing).  It
    // adds to the distance as the noise does.
    double jitter_variance = 0.0;
};

// The distance below which equilibrium counts as reached.
struct Threshold {
    double value = 0.0;         // > 0
    bool from_noise = true;     // false: a tolerance the user set
    double log_variance = 0.0;  // variance of ln(value): 0 for a tolerance
};

// The smallest remaining distance the verdict's F test tells from the noise:
// a difference of two scans of noise variance `noise_variance` each is found
// different when its excess variance exceeds (F - 1) times their combined
// noise variance, so sqrt(2 (F - 1) noise_variance).  Forecasting the time
// the remaining distance falls below this, rather than below the noise
// itself, forecasts the time the verdict will be reached.
double detectable_distance(double noise_variance, double f_critical);

// Fits B and tau (see above) and forecasts the time the remaining distance
// falls below the threshold, with an interval at `confidence` (0..1,
// two-sided).  The interval is the profile likelihood of t_eq: every t_eq
// whose best fit (over tau) raises the sum of squares by no more than
// F(1, pairs - 2) allows, widened by the threshold's own uncertainty.  It
// is asymmetric where the model is (a later t_eq is always easier to fit
// than an earlier one), never starts before `floor_s` (the latest scan that
// is still further from the latest one than the threshold is not at
// equilibrium), and is one-sided
// ("not before") when no later t_eq is ruled out: then interval_hi_s is 0.
// Says why, rather than guessing, when there are fewer than
// kMinForecastPairs distances, none rises above the noise, or the fit is
// poor by its own residuals; when tau is not determined the reason carries
// the lower bound the data still give.
//
// `common_variance` is the variance of an error every distance shares: the
// latest scan's own noise, seen along the approach's shape (its noise
// variance over its points).  The fit's residuals cannot show it, so it
// widens the interval as an uncertainty of ln B.
Forecast forecast_equilibrium(std::span<const DistancePoint> points, double latest_time_s,
                              const Threshold &threshold, double confidence, double floor_s = 0.0,
                              double common_variance = 0.0);

}  // namespace quillane
