// SPDX-License-Identifier: MIT
// Local slopes dY/dX of the active sets by least-squares polynomials over a
// sliding window of differ_span points.
//
// Each window is fitted with a polynomial of degree 1..3 in centred columns
// (U = x - xbar, C2 = u^2 - mean u^2, C3 = u^3 - mean u^3, V = y - ybar),
// without a constant term, and solved by Cramer's rule.  Centring gives the
// same coefficients as a full polynomial with a constant, and keeps the
// 3x3 system small and well scaled.
#pragma once

#include <string_view>
#include <vector>

#include "fit_results.h"
#include "fit_workers.h"
#include "log.h"
#include "state.h"

namespace quillane {

// Most windows fitted together in the lanes of one vector.
inline constexpr int kMaxWindowLanes = 8;

// Work arrays of one set, numbered 1..n like the set's points; sized once
// for the largest set of a run.
struct SlopeWork {
    std::vector<double> x;   // X': positions
    std::vector<double> y;   // Y': values
    std::vector<double> w;   // W: weights, 1.0
    std::vector<double> wu;  // W': the weights actually used
    std::vector<double> u;   // U = X' - xbar
    std::vector<double> c2;  // u^2, then u^2 - mean u^2
    std::vector<double> c3;  // u^3, then u^3 - mean u^3
    std::vector<double> v;   // V = Y' - ybar
    // U, u^2 and u^3 of neighbouring windows fitted together, point by
    // point, one window per lane (up to kMaxWindowLanes lanes).
    std::vector<double> pair_u, pair_u2, pair_u3;

    // Room for points 1..points.
    void size_for(int points);
    int capacity() const { return x.empty() ? 0 : static_cast<int>(x.size()) - 1; }
};

// Fits the window of work points na..nb with weights W (jw) or unit weights
// and a polynomial of degree jz (1..3).  On success the coefficients and the
// centre go to `poly` and the result is true.  When the normal equations are
// singular (all positions equal, a single point) the result is false: the
// centre is the window's, a3 is 0, and a1 and a2 keep the values of the fit
// before.  No I/O.
bool fit_local_polynomial(SlopeWork &work, int na, int nb, bool jw, int jz, LocalPolynomial &poly);

// Fits the `lanes` neighbouring windows first..first+lanes-1 of `span`
// points with unit weights at once, one window per vector lane; lanes is 2,
// 4 or 8.  Every lane does the operations of fit_local_polynomial with unit
// weights in the same order, so poly[l] gets the same bits that window
// first+l alone would give (the polynomial before a singular window is not
// known here: such a window's poly[l] has a1 = a2 = a3 = 0).  Returns,
// bit l set, which windows were solved; -1 when this processor lacks the
// vector instructions for `lanes`.  No I/O.
int fit_window_lanes(SlopeWork &work, int first, int span, int jz, int lanes,
                     LocalPolynomial poly[]);

// The widest lane count this processor runs (8, 4 or 2).
int widest_window_lanes();

// Derivative of the fitted polynomial at x.
inline double polynomial_slope(const LocalPolynomial &p, double x) {
    const double u = x - p.xbar;
    return p.a1 + 2.0 * p.a2 * u + 3.0 * p.a3 * u * u;
}

// " Value of <name> is" and the value in 10 columns, to the file and the box.
void log_named_value(Log &log, std::string_view name, long long value);

// Differentiates every active set with differ_span and differ_terms: the
// slope of each point goes to its weight and work fields, each set is logged
// and marked in deriv_valid, and deriv_valid[0] becomes the number of sets.
// The sets are shared out over the workers; the log lines, the slopes and
// the last window's coefficients are the same for any number of them.
void prepare_slopes(State &s, Log &log, WorkerGroup &workers);
// The same on a group of fit_thread_count() workers.
void prepare_slopes(State &s, Log &log);

// The label of a differentiated set, 80 characters.
std::string slope_label(int set, int span, int terms);

}  // namespace quillane
