// SPDX-License-Identifier: MIT
#include "tick_rounding.h"

#include <cfloat>
#include <cmath>

namespace quillane {
namespace {

// The rule needs three passes at most when it first halves and then
// doubles; anything beyond these bounds is rounding trouble with ranges far
// below the precision of their limits, which falls back to the range itself.
constexpr int kMaxPasses = 64;
constexpr int kMaxLowerSteps = 8;
// No axis has more intervals than this; a count beyond it (or one that is
// not a number) means the step was lost against the limits.
constexpr double kMaxIntervals = 1.0e6;

TickRange unchanged(double lo, double hi) {
    return {lo, hi, 1};
}

bool finite(double a, double b) {
    return std::isfinite(a) && std::isfinite(b);
}

}  // namespace

TickRange snap_plot_range(double lo, double hi) {
    const double a = lo;
    const double b = hi;
    if (!finite(a, b) || !(b > a) || !std::isfinite(b - a)) return unchanged(lo, hi);

    // The first step is the power of ten at or below a third of the range,
    // its exponent truncated toward zero (so 0.3 .. 30 starts with 1).
    double step = std::pow(10.0, std::trunc(std::log10((b - a) / 3.0)));
    bool halved = false;
    bool doubled = false;

    // Every quantity is checked before it is used: near the ends of the
    // double range a limit moved by one step, or the count of steps, can
    // overflow, and a count that is no number must never become an integer.
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        if (!(step > 0.0) || !std::isfinite(step) || !finite(a / step, b / step))
            return unchanged(lo, hi);
        // A limit moves one step outward when the data extreme lies within
        // a fifth of a step of it, but never onto or across zero.
        const double margin = step / 5.0;
        double low = std::trunc(a / step) * step;
        bool low_found = false;
        for (int k = 0; k < kMaxLowerSteps && std::isfinite(low); ++k) {
            if (low > a - margin && (low - step) * low > 0.0) low -= step;
            if (low <= a) {
                low_found = true;
                break;
            }
            low -= step;
        }
        if (!low_found || !std::isfinite(low)) return unchanged(lo, hi);

        double high = std::trunc(b / step) * step;
        if (b + margin > high && (high + step) * high > 0.0) high += step;
        const double count = std::trunc((high - low) / step + 0.5);
        if (!std::isfinite(high) || !(count >= 0.0 && count <= kMaxIntervals))
            return unchanged(lo, hi);
        int32_t n = static_cast<int32_t>(count);

        if (n < 5) {
            step /= 2.0;
            halved = true;
            continue;
        }
        // Once the step has been both halved and doubled, a count of 10 or
        // more is accepted: that ends any alternation between the two.
        if (!(n < 10 || (halved && doubled))) {
            step *= 2.0;
            doubled = true;
            continue;
        }
        // The upper limit must not stay below the data maximum.
        if (high < b) {
            ++n;
            high += step;
        }
        if (!(low <= a && high >= b && n >= 1 && finite(low, high))) return unchanged(lo, hi);
        return {low, high, n};
    }
    return unchanged(lo, hi);
}

void tick_round_float(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) {
    const TickRange r = snap_plot_range(lo, hi);
    // Limits rounded outward beyond the single-precision range have no
    // float to stand for them (and converting them would be undefined): the
    // range itself is the answer then.
    if (!(std::fabs(r.lo) <= FLT_MAX && std::fabs(r.hi) <= FLT_MAX)) {
        out_lo = lo;
        out_hi = hi;
        n_intervals = 1;
        return;
    }
    out_lo = static_cast<float>(r.lo);
    out_hi = static_cast<float>(r.hi);
    n_intervals = r.n_intervals;
}

}  // namespace quillane
