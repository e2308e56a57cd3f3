// SPDX-License-Identifier: MIT
#include "forecast.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "equilibrium.h"
#include "fit_fquantile.h"
#include "ftn_format.h"

namespace quillane {

namespace {

// The model of the distances in the parameters p = (ln B, ln tau).
struct DistanceModel {
    std::span<const DistancePoint> points;

    // Distance of point k, and its derivatives by ln B and ln tau.
    bool evaluate(const double p[2], size_t k, double &y, double &d_b, double &d_tau) const {
        const DistancePoint &q = points[k];
        const double b = std::exp(p[0]);
        const double tau = std::exp(p[1]);
        const double x = q.lag_s / tau;
        const double m = b * std::expm1(x);  // the excess over the noise
        y = std::hypot(m, std::sqrt(q.noise_variance + q.jitter_variance));
        if (!std::isfinite(y) || !std::isfinite(m)) return false;
        if (y <= 0.0) {
            d_b = d_tau = 0.0;
            return true;
        }
        d_b = m * m / y;
        d_tau = -m * b * x * std::exp(x) / y;
        return std::isfinite(d_b) && std::isfinite(d_tau);
    }

    // Sum of squared residuals; infinity where the model overflows.
    double ssr(const double p[2]) const {
        double sum = 0.0;
        for (size_t k = 0; k < points.size(); ++k) {
            double y, db, dt;
            if (!evaluate(p, k, y, db, dt)) return std::numeric_limits<double>::infinity();
            sum += (y - points[k].rms) * (y - points[k].rms);
        }
        return sum;
    }

    // J^T J and J^T r at p.
    bool normal_equations(const double p[2], double a[2][2], double g[2]) const {
        a[0][0] = a[0][1] = a[1][1] = g[0] = g[1] = 0.0;
        for (size_t k = 0; k < points.size(); ++k) {
            double y, db, dt;
            if (!evaluate(p, k, y, db, dt)) return false;
            const double r = y - points[k].rms;
            a[0][0] += db * db;
            a[0][1] += db * dt;
            a[1][1] += dt * dt;
            g[0] += db * r;
            g[1] += dt * r;
        }
        a[1][0] = a[0][1];
        return true;
    }
};

// A starting point: the best of a grid of time constants, each with the
// remaining distance that fits the squared excesses best.
bool starting_point(const DistanceModel &model, double p[2]) {
    double lag_min = std::numeric_limits<double>::max(), lag_max = 0.0;
    for (const DistancePoint &q : model.points) {
        lag_min = std::min(lag_min, q.lag_s);
        lag_max = std::max(lag_max, q.lag_s);
    }
    // From a tenth of the shortest lag (kept so that e^(lag/tau) stays
    // representable) to far beyond the longest, where the curve is a line.
    const double lo = std::max(lag_min / 10.0, lag_max / 300.0);
    const double hi = 100.0 * lag_max;
    constexpr int kSteps = 160;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= kSteps; ++i) {
        const double tau = lo * std::pow(hi / lo, static_cast<double>(i) / kSteps);
        double num = 0.0, den = 0.0;
        for (const DistancePoint &q : model.points) {
            const double g = std::expm1(q.lag_s / tau);
            num += g * g * std::max(q.rms * q.rms - q.noise_variance - q.jitter_variance, 0.0);
            den += g * g * g * g;
        }
        if (!(num > 0.0) || !(den > 0.0)) continue;
        const double trial[2] = {0.5 * std::log(num / den), std::log(tau)};
        const double s = model.ssr(trial);
        if (s < best) {
            best = s;
            p[0] = trial[0];
            p[1] = trial[1];
        }
    }
    return std::isfinite(best);
}

// Levenberg-Marquardt on the two parameters.
bool least_squares(const DistanceModel &model, double p[2]) {
    double lambda = 1e-3;
    double current = model.ssr(p);
    for (int iteration = 0; iteration < 500; ++iteration) {
        double a[2][2], g[2];
        if (!model.normal_equations(p, a, g)) return false;
        bool stepped = false;
        while (lambda < 1e12) {
            const double a00 = a[0][0] * (1.0 + lambda) + 1e-300;
            const double a11 = a[1][1] * (1.0 + lambda) + 1e-300;
            const double det = a00 * a11 - a[0][1] * a[1][0];
            if (det == 0.0 || !std::isfinite(det)) {
                lambda *= 10.0;
                continue;
            }
            const double step[2] = {-(a11 * g[0] - a[0][1] * g[1]) / det,
                                    -(a00 * g[1] - a[1][0] * g[0]) / det};
            const double trial[2] = {p[0] + step[0], p[1] + step[1]};
            const double s = model.ssr(trial);
            if (s < current) {
                const double decrease = current - s;
                p[0] = trial[0];
                p[1] = trial[1];
                current = s;
                lambda = std::max(lambda / 10.0, 1e-12);
                stepped = true;
                if (decrease <= 1e-15 * current ||
                    std::max(std::fabs(step[0]), std::fabs(step[1])) < 1e-12)
                    return true;
                break;
            }
            lambda *= 10.0;
        }
        // No step lowers the sum any more: at the minimum within rounding.
        if (!stepped) return std::isfinite(current);
    }
    return std::isfinite(current);
}

Forecast refuse(Forecast f, std::string reason) {
    f.made = false;
    f.reason = std::move(reason);
    return f;
}

}  // namespace

double detectable_distance(double noise_variance, double f_critical) {
    return std::sqrt(2.0 * std::max(f_critical - 1.0, 0.0) * std::max(noise_variance, 0.0));
}

namespace {

// The sum of squares at the best tau for a given t_eq: ln B follows from
// t_eq and tau, so one parameter is left.  A grid over ln tau finds the
// valley, golden sections refine it.
struct Profile {
    const DistanceModel &model;
    double latest_time_s;
    double log_threshold;
    double log_tau_lo, log_tau_hi;

    double ssr_at(double t_eq, double log_tau) const {
        const double p[2] = {log_threshold + (t_eq - latest_time_s) / std::exp(log_tau), log_tau};
        return model.ssr(p);
    }
    double operator()(double t_eq) const {
        constexpr int kGrid = 48;
        double best = std::numeric_limits<double>::infinity(), at = log_tau_lo;
        const double step = (log_tau_hi - log_tau_lo) / kGrid;
        for (int i = 0; i <= kGrid; ++i) {
            const double u = log_tau_lo + i * step;
            const double v = ssr_at(t_eq, u);
            if (v < best) best = v, at = u;
        }
        double lo = at - step, hi = at + step;
        constexpr double kGolden = 0.6180339887498949;
        double x1 = hi - kGolden * (hi - lo), x2 = lo + kGolden * (hi - lo);
        double f1 = ssr_at(t_eq, x1), f2 = ssr_at(t_eq, x2);
        for (int i = 0; i < 40; ++i) {
            if (f1 < f2) {
                hi = x2, x2 = x1, f2 = f1;
                x1 = hi - kGolden * (hi - lo);
                f1 = ssr_at(t_eq, x1);
            } else {
                lo = x1, x1 = x2, f1 = f2;
                x2 = lo + kGolden * (hi - lo);
                f2 = ssr_at(t_eq, x2);
            }
        }
        return std::min({best, f1, f2});
    }
};

// Where the profile crosses `limit`, between `inside` (below it) and
// `outside` (above it), by bisection.
double crossing(const Profile &profile, double limit, double inside, double outside) {
    for (int i = 0; i < 60 && std::fabs(outside - inside) > 1.0; ++i) {
        const double mid = 0.5 * (inside + outside);
        (profile(mid) <= limit ? inside : outside) = mid;
    }
    return 0.5 * (inside + outside);
}

// The end of the profile interval on one side of `centre`, in steps that
// double from `step`: the crossing, or nullopt when the profile stays
// within `limit` up to `bound`.
std::optional<double> interval_end(const Profile &profile, double limit, double centre, double step,
                                   double bound) {
    double inside = centre;
    const double direction = bound < centre ? -1.0 : 1.0;
    for (int i = 0; i < 40; ++i) {
        double next = inside + direction * step;
        if (direction * (next - bound) >= 0.0) next = bound;
        if (profile(next) > limit) return crossing(profile, limit, inside, next);
        if (next == bound) return std::nullopt;
        inside = next;
        step *= 2.0;
    }
    return std::nullopt;
}

}  // namespace

Forecast forecast_equilibrium(std::span<const DistancePoint> points, double latest_time_s,
                              const Threshold &threshold_in, double confidence, double floor_s,
                              double common_variance) {
    Forecast f;
    f.pairs = static_cast<int>(points.size());
    const double threshold = threshold_in.value;
    f.threshold = threshold;
    f.threshold_is_noise = threshold_in.from_noise;
    f.confidence = confidence;
    f.floor_s = floor_s;
    double jitter = 0.0;
    for (const DistancePoint &q : points)
        jitter += q.jitter_variance;
    f.jitter = points.empty() ? 0.0 : std::sqrt(jitter / static_cast<double>(points.size()));
    if (f.pairs < kMinForecastPairs)
        return refuse(f, "fewer than " + std::to_string(kMinForecastPairs) +
                             " usable pairs with the latest scan (" + std::to_string(f.pairs) +
                             ")");
    if (!(threshold > 0.0))
        return refuse(f, "no threshold: the noise is not known and no tolerance is set");
    if (std::none_of(points.begin(), points.end(), [](const auto &q) { return q.above_noise; }))
        return refuse(f, "the distances to the latest scan do not rise above the noise");

    const DistanceModel model{points};
    double p[2] = {0.0, 0.0};
    if (!starting_point(model, p) || !least_squares(model, p))
        return refuse(f, "the fit of the distances did not converge");

    const int dof = f.pairs - 2;
    double ssr = model.ssr(p);
    double a[2][2] = {}, g[2] = {};
    if (!model.normal_equations(p, a, g))
        return refuse(f, "the fit of the distances did not converge");
    const double det = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    f.residual_sd = std::sqrt(ssr / dof);
    if (!(det > 0.0) || !std::isfinite(f.residual_sd))
        return refuse(f, "the distances do not determine tau");
    // Covariance of (ln B, ln tau): s^2 (J^T J)^-1.
    const double s2 = ssr / dof;
    const double c_bb = s2 * a[1][1] / det;
    const double c_bt = -s2 * a[0][1] / det;
    const double c_tt = s2 * a[0][0] / det;

    const double b = std::exp(p[0]);
    const double tau = std::exp(p[1]);
    f.tau_s = tau;
    f.tau_error_s = tau * std::sqrt(c_tt);
    f.remaining = b;
    const double t_over_tau = latest_time_s / tau;
    f.amplitude = b * std::exp(t_over_tau);
    f.amplitude_error =
        f.amplitude *
        std::sqrt(std::max(0.0, c_bb - 2.0 * t_over_tau * c_bt + t_over_tau * t_over_tau * c_tt));
    if (!std::isfinite(f.amplitude) || !std::isfinite(f.amplitude_error))
        f.amplitude = f.amplitude_error = 0.0;

    double lo = std::numeric_limits<double>::max(), hi = -lo;
    double lag_max = 0.0;
    for (const DistancePoint &q : points) {
        lo = std::min(lo, q.rms);
        hi = std::max(hi, q.rms);
        lag_max = std::max(lag_max, q.lag_s);
    }
    if (f.residual_sd > kMaxResidualFraction * (hi - lo))
        return refuse(f, "the distances do not follow one exponential approach (residual SD " +
                             std::string(ftn::trim(ftn::sci(f.residual_sd, 10, 2))) +
                             ", their range " + std::string(ftn::trim(ftn::sci(hi - lo, 10, 2))) +
                             ")");

    // t_eq = t_L + tau (ln B - ln threshold), and its delta-method error; a
    // threshold from the noise is itself an estimate.
    const double log_ratio = p[0] - std::log(threshold);
    f.equilibrium_time_s = latest_time_s + tau * log_ratio;
    const double d_b = tau;
    const double d_t = tau * log_ratio;
    // The threshold's own error and the error all distances share, both as
    // errors of ln(B / threshold).
    const double shared = b > 0.0 ? std::max(common_variance, 0.0) / (b * b) : 0.0;
    const double threshold_sd = tau * std::sqrt(std::max(threshold_in.log_variance, 0.0) + shared);
    f.equilibrium_error_s =
        std::sqrt(std::max(0.0, d_b * d_b * c_bb + 2.0 * d_b * d_t * c_bt + d_t * d_t * c_tt +
                                    threshold_sd * threshold_sd));
    const double t = student_t_two_sided(dof, confidence);

    // The profile interval: t_eq values whose best fit raises the sum of
    // squares by at most the F(1, dof) share.
    const Profile profile{model, latest_time_s, std::log(threshold), p[1] - 4.0,
                          std::max(p[1] + 6.0, std::log(100.0 * lag_max))};
    const double centre = f.equilibrium_time_s;
    ssr = std::min(ssr, profile(centre));
    const double limit = ssr * (1.0 + t * t / dof);
    const double step = std::max(0.02 * tau, 1.0);
    const double floor_bound = floor_s > 0.0 ? std::min(floor_s, centre) : centre - 100.0 * tau;
    const double ceiling = centre + 1000.0 * std::max(tau, lag_max);
    const std::optional<double> lower =
        centre > floor_bound ? interval_end(profile, limit, centre, step, floor_bound)
                             : std::optional<double>(centre);
    const std::optional<double> upper = interval_end(profile, limit, centre, step, ceiling);
    // The threshold's own uncertainty widens both sides.
    auto widen = [&](double half) {
        return std::sqrt(half * half + t * t * threshold_sd * threshold_sd);
    };
    f.interval_lo_s = lower ? centre - widen(centre - *lower) : floor_bound;
    f.interval_lo_s = std::max(f.interval_lo_s, floor_s);
    f.one_sided = !upper.has_value();
    f.interval_hi_s = upper ? centre + widen(*upper - centre) : 0.0;
    if (f.equilibrium_time_s < floor_s) f.equilibrium_time_s = floor_s;
    // A scan that still differs after the whole interval: the model is
    // contradicted there, and all the data still say is "not before".
    if (!f.one_sided && f.interval_hi_s < floor_s) {
        f.one_sided = true;
        f.interval_hi_s = 0.0;
    }

    if (!(f.tau_error_s <= kMaxTauRelativeError * tau)) {
        std::string why =
            "the distances do not determine tau (standard error " +
            std::to_string(static_cast<int>(std::lround(100.0 * f.tau_error_s / tau))) +
            " % of tau)";
        if (f.interval_lo_s > 0.0) why += "; not before " + hours_text(f.interval_lo_s) + " h";
        f.one_sided = true;
        f.interval_hi_s = 0.0;
        return refuse(f, why);
    }
    // Beyond kMostRunLengths times the time the scans span, one exponential
    // fitted to them says nothing: an end out there is "not before" the
    // lower end, and a t_eq out there no forecast.
    const double horizon = latest_time_s + kMostRunLengths * lag_max;
    if (!f.one_sided && f.interval_hi_s > horizon) {
        f.one_sided = true;
        f.interval_hi_s = 0.0;
    }
    if (f.equilibrium_time_s > horizon) {
        f.one_sided = true;
        f.interval_hi_s = 0.0;
        return refuse(f, "equilibrium lies beyond " +
                             std::to_string(static_cast<int>(kMostRunLengths)) +
                             " times the time the scans span; not before " +
                             hours_text(f.interval_lo_s) + " h");
    }
    f.made = true;
    return f;
}

}  // namespace quillane
