// SPDX-License-Identifier: MIT
#include "equilibrium.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
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

// A signed offset with three decimals ("-0.012").
std::string offset_text(double v) {
    return std::string(ftn::trim(ftn::fixed(v, 14, 3)));
}

std::string ratio_against(double ratio, double f) {
    return "ratio " + std::string(ftn::trim(ftn::fixed(ratio, 14, 2))) +
           (ratio > f ? " > " : " <= ") + "F " + std::string(ftn::trim(ftn::fixed(f, 14, 2)));
}

std::string offsets_text(const ScanComparison &c) {
    return "baseline " + offset_text(c.baseline) + ", radial " + offset_text(c.radial_cm) + " cm";
}

// Why scan c, which differs from the latest without offsets, cannot start a
// drift group; kNone when it can.  `jump` is its excess against the next
// later scan.
BreakReason step_refused(const ScanComparison &c, double jump) {
    if (!c.tested) return BreakReason::kNotTested;
    if (!c.shape_tested || !c.shape_same) return BreakReason::kShapeDiffers;
    if (std::fabs(c.baseline) > kMaxDriftBaseline || std::fabs(c.radial_cm) > kMaxDriftRadialCm)
        return BreakReason::kOffsetsTooLarge;
    // No jump between it and the next later scan: a gradual change.
    if (!(jump > 1.0)) return BreakReason::kNoStep;
    return BreakReason::kNone;
}

// A drift group inside the block (earlier scans of the block before it) is a
// step only when it stands out clearly, against the latest scan and against
// the next later scan: an approach that is nearly over moves the profile by
// barely detectable amounts, and on an exponential profile that movement is
// itself a y-offset plus a radial shift.
bool clear_step(const ScanComparison &head, double jump) {
    return detectable_excess(head) >= kClearStepFactor && jump >= kClearStepFactor;
}

std::string break_note(const ScanComparison &c, BreakReason why) {
    std::string note = scan_at(c.set, c.time_s) + " broke the block: ";
    if (why == BreakReason::kNotTested)
        return note + "it could not be compared with the latest scan";
    note += "it differs from the latest without offsets (" +
            ratio_against(c.ratio(), c.f_critical) + ")";
    switch (why) {
        case BreakReason::kShapeDiffers:
            if (!c.shape_tested) return note + ", and the offset fit could not be tested";
            return note + " and with both offsets fitted (" +
                   ratio_against(c.shape_ratio(), c.shape_f_critical) + "): its shape differs";
        case BreakReason::kOffsetsTooLarge:
            return note + "; with both offsets its shape agrees, but the offsets (" +
                   offsets_text(c) + ") exceed what instrument drift does (" +
                   offset_text(kMaxDriftBaseline) + ", " + offset_text(kMaxDriftRadialCm) + " cm)";
        case BreakReason::kNoStep:
            return note + "; with both offsets its shape agrees (" + offsets_text(c) +
                   "), but the change is too small to be an instrument step: the end of an "
                   "approach "
                   "looks the same";
        case BreakReason::kLoneStep:
            return note + "; with both offsets its shape agrees (" + offsets_text(c) +
                   "), but no earlier scan shows the same step";
        case BreakReason::kShortPlateau:
            return note + "; with both offsets its shape agrees (" + offsets_text(c) +
                   "), but too few scans before the step agree with each other to tell it "
                   "from an approach (at least " +
                   std::to_string(kMinBlockScans) + " over the minimum time)";
        default:
            return note;
    }
}

std::string drift_note(const DriftGroup &g) {
    const std::string scans =
        g.scans == 1 ? "scan " + std::to_string(g.first_scan)
                     : "scans " + std::to_string(g.first_scan) + "-" + std::to_string(g.last_scan);
    return scans + (g.scans == 1 ? " differs" : " differ") +
           " from the latest by a baseline shift of " + offset_text(g.baseline) +
           " and a radial shift of " + offset_text(g.radial_cm) + " cm; " +
           (g.scans == 1 ? "its shape agrees" : "their shapes agree");
}

// A drift group being built: its head (the latest scan of it) and members,
// as indices into the earlier scans.
struct Group {
    size_t head = 0;
    std::vector<size_t> members;
    double jump = 0.0;  // the head's excess against the next later scan
};

DriftGroup describe(const Group &g, std::span<const ScanComparison> earlier) {
    DriftGroup d;
    const ScanComparison &first = earlier[g.members.back()];
    const ScanComparison &last = earlier[g.members.front()];
    d.first_scan = first.set;
    d.last_scan = last.set;
    d.first_time_s = first.time_s;
    d.last_time_s = last.time_s;
    d.scans = static_cast<int>(g.members.size());
    for (size_t k : g.members) {
        const ScanComparison &c = earlier[k];
        d.baseline += c.baseline / d.scans;
        d.radial_cm += c.radial_cm / d.scans;
        d.excess_variance += std::max(c.variance - c.shape_variance, 0.0) / d.scans;
    }
    return d;
}

// A scan that differs from the latest without offsets, but by less than a
// clear step.
bool marginal(const ScanComparison &c) {
    return c.tested && !c.same && detectable_excess(c) < kClearStepFactor;
}

// When scan k and the scans just before it differ from the latest only
// marginally and the scan before that run agrees with it, the index of the
// run's first scan.  A scan that agrees with the latest is at least as close
// to equilibrium as every later one on an approach, so the marginal
// distances after it cannot be an approach going on.
std::optional<size_t> marginal_run_start(std::span<const ScanComparison> earlier, size_t k) {
    if (!marginal(earlier[k])) return std::nullopt;
    size_t from = k;
    while (from > 0 && marginal(earlier[from - 1]))
        --from;
    if (from == 0 || !earlier[from - 1].tested || !earlier[from - 1].same) return std::nullopt;
    return from;
}

std::string marginal_note(std::span<const ScanComparison> earlier, size_t from, size_t k) {
    const ScanComparison &before = earlier[from - 1];
    if (from == k)
        return scan_at(earlier[k].set, earlier[k].time_s) +
               " differs from the latest by chance: " + scan_at(before.set, before.time_s) +
               " before it agrees";
    return "scans " + std::to_string(earlier[from].set) + "-" + std::to_string(earlier[k].set) +
           " differ from the latest only marginally (by less than " +
           std::to_string(static_cast<int>(kClearStepFactor)) +
           " times the smallest difference the test detects) while " +
           scan_at(before.set, before.time_s) +
           " before them agrees: chance, or a step too small to matter";
}

}  // namespace

double detectable_excess(const ScanComparison &c) {
    const double detectable = (c.f_critical - 1.0) * c.noise_variance;
    if (!c.tested || !(detectable > 0.0)) return std::numeric_limits<double>::infinity();
    return (c.variance - c.noise_variance) / detectable;
}

Verdict judge_equilibrium(std::span<const ScanComparison> earlier, double latest_time_s,
                          double min_block_s, const PairExcess &excess) {
    Verdict v;
    if (earlier.empty()) {
        v.text = "cannot judge: at least two scans are needed";
        v.too_few = true;
        return v;
    }
    // Walk back from the latest scan; `first` is the block's first index.
    size_t first = earlier.size();
    std::vector<Group> groups;
    BreakReason why = BreakReason::kNone;
    while (first > 0) {
        const size_t k = first - 1;
        const ScanComparison &c = earlier[k];
        if (c.tested && c.same) {
            first = k;
            continue;
        }
        // A run of marginal differences with a scan before it that agrees
        // with the latest: an approach moves earlier scans further away,
        // not closer, so the run is chance or a step too small to matter.
        if (const std::optional<size_t> from = marginal_run_start(earlier, k)) {
            v.notes.push_back(marginal_note(earlier, *from, k));
            first = *from;
            continue;
        }
        if (!groups.empty() && excess) {
            const size_t h = groups.back().head;
            const ScanComparison &head = earlier[h];
            const auto joins = [&](size_t i) {
                return excess(h, i) <= 1.0 &&
                       earlier[i].variance <= head.f_critical * head.variance;
            };
            if (joins(k)) {
                groups.back().members.push_back(k);
                first = k;
                continue;
            }
            // A marginal difference from the head while the two scans before
            // it join: chance, as for the block itself.
            if (k >= 2 && excess(h, k) < kClearStepFactor && joins(k - 1) && joins(k - 2)) {
                v.notes.push_back(scan_at(c.set, c.time_s) + " differs from " +
                                  scan_at(head.set, head.time_s) +
                                  " by chance: the two scans before it agree with that scan");
                groups.back().members.push_back(k);
                first = k;
                continue;
            }
        }
        // The jump from the next later scan (the latest itself for the scan
        // just before it).
        const double jump = k + 1 < earlier.size()
                                ? (excess ? excess(k + 1, k) : detectable_excess(c))
                                : detectable_excess(c);
        why = step_refused(c, jump);
        if (why != BreakReason::kNone) break;
        groups.push_back({k, {k}, jump});
        first = k;
    }
    // The earliest group decides where the block starts.  When nothing of
    // the block comes before it, its scans must be a plateau of their own:
    // at least kMinBlockScans that agree with each other over the minimum
    // time.  Scans that agree over hours and then jump are an instrument
    // step; a few scans of an approach that is still going on can look the
    // same once the offsets take the approach up.  A group with block scans
    // before it must show a clear step.  A group that fails moves the
    // block's start after it.
    while (!groups.empty()) {
        const Group &g = groups.back();
        const size_t earliest = g.members.back();
        const bool at_start = first == earliest;
        const bool plateau = static_cast<int>(g.members.size()) >= kMinBlockScans &&
                             earlier[g.head].time_s - earlier[earliest].time_s >= min_block_s;
        const bool clear = clear_step(earlier[g.head], g.jump);
        if (at_start ? plateau : clear) break;
        if (clear) v.steps.push_back(describe(g, earlier));
        why = !at_start              ? BreakReason::kNoStep
              : g.members.size() < 2 ? BreakReason::kLoneStep
                                     : BreakReason::kShortPlateau;
        first = g.head + 1;
        groups.pop_back();
    }

    v.status = VerdictStatus::kApproaching;
    if (first > 0) {
        const ScanComparison &b = earlier[first - 1];
        v.differing_scan = b.set;
        v.differing_time_s = b.time_s;
        v.break_reason = why;
        v.broken_by = why == BreakReason::kNoStep || why == BreakReason::kNotTested
                          ? Comparison::kNoOffsets
                          : Comparison::kBothOffsets;
        v.notes.push_back(break_note(b, why));
    }
    // The refused steps are earlier than every group kept.
    std::vector<DriftGroup> refused = std::move(v.steps);
    v.steps.clear();
    for (const Group &g : groups) {
        v.drift.push_back(describe(g, earlier));
        v.steps.push_back(v.drift.back());
        v.notes.push_back(drift_note(v.drift.back()));
    }
    // A refused step counts for the forecast only when enough scans after
    // it agree to show that it was one: in a fast approach every scan jumps
    // clearly from the next.
    if (static_cast<int>(earlier.size() - first) + 1 >= kMinBlockScans)
        v.steps.insert(v.steps.end(), refused.rbegin(), refused.rend());
    if (first == earlier.size()) {
        const ScanComparison &c = earlier.back();
        v.text = "still approaching: " + scan_at(c.set, c.time_s) +
                 (c.tested ? " differs from the latest scan"
                           : " could not be compared with the latest scan");
        return v;
    }
    v.decided_by = groups.empty() ? Comparison::kNoOffsets : Comparison::kBothOffsets;
    v.scan = earlier[first].set;
    v.time_s = earlier[first].time_s;
    v.block_s = latest_time_s - v.time_s;
    v.block_scans = static_cast<int>(earlier.size() - first) + 1;
    v.no_offset_rms = earlier[first].rms;
    const std::string from = "the scans from " + scan_at(v.scan, v.time_s) + " on ";
    const std::string judged = groups.empty() ? "" : ", judged with both offsets";
    if (v.block_s < min_block_s) {
        v.text = "still approaching: " + from + "are indistinguishable" + judged +
                 " but span only " + hours_text(v.block_s) + " h of " + hours_text(min_block_s) +
                 " h";
    } else if (v.block_scans < kMinBlockScans) {
        if (first == 0) {
            // Every scan agrees: there is nothing against equilibrium, but
            // not enough for it either.
            v.status = VerdictStatus::kUnknown;
            v.too_few = true;
            v.text = "cannot judge: " + std::to_string(v.block_scans) + " scans agree, at least " +
                     std::to_string(kMinBlockScans) + " are needed";
        } else {
            v.text = "still approaching: " + from + "are indistinguishable" + judged +
                     " but are only " + std::to_string(v.block_scans) + " scans of " +
                     std::to_string(kMinBlockScans);
        }
    } else {
        v.status = VerdictStatus::kReached;
        v.text = "equilibrium reached by " + scan_at(v.scan, v.time_s) + judged;
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
    f.made = true;
    return f;
}

}  // namespace quillane
