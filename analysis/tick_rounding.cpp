#include "tick_rounding.h"

#include <cmath>

namespace quillane {
namespace {

// The rule needs three passes at most when it first halves and then
// doubles; anything beyond these bounds is rounding trouble with ranges far
// below the precision of their limits, which falls back to the range itself.
constexpr int kMaxPasses = 64;
constexpr int kMaxLowerSteps = 8;

TickRange unchanged(double lo, double hi) {
    return {lo, hi, 1};
}

}  // namespace

TickRange snap_plot_range(double lo, double hi) {
    const double a = lo;
    const double b = hi;
    if (!std::isfinite(a) || !std::isfinite(b) || !(b > a) || !std::isfinite(b - a))
        return unchanged(lo, hi);

    // The first step is the power of ten at or below a third of the range,
    // its exponent truncated toward zero (so 0.3 .. 30 starts with 1).
    double step = std::pow(10.0, std::trunc(std::log10((b - a) / 3.0)));
    if (!(step > 0.0) || !std::isfinite(step)) return unchanged(lo, hi);
    bool halved = false;
    bool doubled = false;

    for (int pass = 0; pass < kMaxPasses; ++pass) {
        // A limit moves one step outward when the data extreme lies within
        // a fifth of a step of it, but never onto or across zero.
        const double margin = step / 5.0;
        double low = std::trunc(a / step) * step;
        bool low_found = false;
        for (int k = 0; k < kMaxLowerSteps; ++k) {
            if (low > a - margin && (low - step) * low > 0.0) low -= step;
            if (low <= a) {
                low_found = true;
                break;
            }
            low -= step;
        }
        if (!low_found) return unchanged(lo, hi);

        double high = std::trunc(b / step) * step;
        if (b + margin > high && (high + step) * high > 0.0) high += step;
        int32_t n = static_cast<int32_t>(std::trunc((high - low) / step + 0.5));

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
        if (!(low <= a && high >= b && n >= 1 && std::isfinite(low) && std::isfinite(high)))
            return unchanged(lo, hi);
        return {low, high, n};
    }
    return unchanged(lo, hi);
}

void tick_round_float(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) {
    const TickRange r = snap_plot_range(lo, hi);
    out_lo = static_cast<float>(r.lo);
    out_hi = static_cast<float>(r.hi);
    n_intervals = r.n_intervals;
}

}  // namespace quillane
