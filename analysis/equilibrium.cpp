#include "equilibrium.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "fit_fquantile.h"
#include "ftn_format.h"

namespace quillane {

std::string hours_field(double seconds, int width, int decimals) {
    const double hours = seconds / 3600.0;
    std::string text = ftn::fixed(hours, width, decimals);
    if (text.find('*') == std::string::npos) return text;
    char exponent[32];
    const auto end = std::to_chars(exponent, exponent + sizeof exponent, hours,
                                   std::chars_format::scientific, 3);
    text.assign(exponent, end.ptr);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

std::string hours_text(double seconds) {
    const double hours = seconds / 3600.0;
    // Three decimals while they fit the field; beyond, as times up to the
    // reader's bound can be, in exponent form rather than a row of stars.
    if (std::fabs(hours) < 1.0e9) return std::string(ftn::trim(ftn::fixed(hours, 14, 3)));
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, hours, std::chars_format::scientific, 3);
    return std::string(text, end.ptr);
}

namespace {

std::string scan_at(int set, double time_s) {
    return "scan " + std::to_string(set) + " (t = " + hours_text(time_s) + " h)";
}

}  // namespace

Verdict judge_equilibrium(std::span<const ScanComparison> earlier, double latest_time_s,
                          double min_block_s) {
    Verdict v;
    if (earlier.empty()) {
        v.text = "cannot judge: at least two scans are needed";
        return v;
    }
    // The block of indistinguishable scans runs back from the latest scan to
    // just after the last scan that differs (or could not be tested).
    size_t first = earlier.size();
    while (first > 0 && earlier[first - 1].tested && earlier[first - 1].same)
        --first;
    v.status = VerdictStatus::kApproaching;
    if (first == earlier.size()) {
        const ScanComparison &c = earlier.back();
        v.differing_scan = c.set;
        v.text = "still approaching: " + scan_at(c.set, c.time_s) +
                 (c.tested ? " differs from the latest scan"
                           : " could not be compared with the latest scan");
        return v;
    }
    if (first > 0) v.differing_scan = earlier[first - 1].set;
    v.scan = earlier[first].set;
    v.time_s = earlier[first].time_s;
    v.block_s = latest_time_s - v.time_s;
    if (v.block_s >= min_block_s) {
        v.status = VerdictStatus::kReached;
        v.text = "equilibrium reached by " + scan_at(v.scan, v.time_s);
    } else {
        v.text = "still approaching: the scans from " + scan_at(v.scan, v.time_s) +
                 " on are indistinguishable but span only " + hours_text(v.block_s) + " h of " +
                 hours_text(min_block_s) + " h";
    }
    return v;
}

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
        y = std::hypot(m, std::sqrt(q.noise_variance));
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
            num += g * g * std::max(q.rms * q.rms - q.noise_variance, 0.0);
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

Forecast forecast_equilibrium(std::span<const DistancePoint> points, double latest_time_s,
                              const Threshold &threshold_in, double confidence) {
    Forecast f;
    f.pairs = static_cast<int>(points.size());
    const double threshold = threshold_in.value;
    f.threshold = threshold;
    f.threshold_is_noise = threshold_in.from_noise;
    f.confidence = confidence;
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
    const double ssr = model.ssr(p);
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
    for (const DistancePoint &q : points) {
        lo = std::min(lo, q.rms);
        hi = std::max(hi, q.rms);
    }
    if (f.residual_sd > kMaxResidualFraction * (hi - lo))
        return refuse(f, "the distances do not follow one exponential approach (residual SD " +
                             std::string(ftn::trim(ftn::sci(f.residual_sd, 10, 2))) +
                             ", their range " + std::string(ftn::trim(ftn::sci(hi - lo, 10, 2))) +
                             ")");
    if (!(f.tau_error_s <= kMaxTauRelativeError * tau))
        return refuse(
            f, "the distances do not determine tau (standard error " +
                   std::to_string(static_cast<int>(std::lround(100.0 * f.tau_error_s / tau))) +
                   " % of tau)");

    // t_eq = t_L + tau (ln B - ln threshold), and its delta-method error; a
    // threshold from the noise is itself an estimate.
    const double log_ratio = p[0] - std::log(threshold);
    f.equilibrium_time_s = latest_time_s + tau * log_ratio;
    const double d_b = tau;
    const double d_t = tau * log_ratio;
    f.equilibrium_error_s =
        std::sqrt(std::max(0.0, d_b * d_b * c_bb + 2.0 * d_b * d_t * c_bt + d_t * d_t * c_tt +
                                    tau * tau * std::max(threshold_in.log_variance, 0.0)));
    const double t = student_t_two_sided(dof, confidence);
    f.interval_lo_s = f.equilibrium_time_s - t * f.equilibrium_error_s;
    f.interval_hi_s = f.equilibrium_time_s + t * f.equilibrium_error_s;
    f.made = true;
    return f;
}

}  // namespace quillane
