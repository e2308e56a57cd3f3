// SPDX-License-Identifier: MIT
#include "assessment.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "boundary_motion.h"
#include "equilibrium.h"
#include "fit_fquantile.h"
#include "fit_match.h"
#include "fit_match_points.h"
#include "fit_readout.h"
#include "ftn_format.h"
#include "noise.h"
#include "options.h"
#include "range_check.h"

namespace quillane {

namespace {

// Active sets 1..sets in the order of their times.
std::vector<int> time_order(const State &s, int sets) {
    std::vector<int> order(static_cast<size_t>(sets));
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return s.active_time[a] < s.active_time[b]; });
    return order;
}

// The F test of a variance against the noise variance of a difference of
// two scans; false when the critical value could not be found.
bool f_test(const State &s, int dof, int dof_noise, double &f_critical) {
    std::string why;
    f_critical = critical_f(s, dof, dof_noise, s.confidence_level / 100.0, &why);
    return why.empty();
}

// The y-offset and scale-factor fit of `set` against the latest scan (see
// ScanComparison::scale), from the compared scan's values matched onto the
// latest scan's points as the fit matches them.
void fit_scale(const State &s, int latest, int set, ScanComparison &c) {
    const std::span<const ActivePoint> ref = active_set_span(s, latest);
    const std::span<const ActivePoint> cmp = active_set_span(s, set);
    const size_t n = ref.size();
    if (n < 4 || cmp.empty()) return;
    std::vector<double> m(n);
    match_values(ref, cmp, m);
    double sy = 0.0, sm = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sy += ref[i].value;
        sm += m[i];
    }
    const double my = sy / static_cast<double>(n), mm = sm / static_cast<double>(n);
    double syy = 0.0, sym = 0.0, smm = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double dy = ref[i].value - my, dm = m[i] - mm;
        syy += dy * dy;
        sym += dy * dm;
        smm += dm * dm;
    }
    // A flat latest scan has no scale to fit.
    if (!(syy > 0.0) || !std::isfinite(syy) || !std::isfinite(smm)) return;
    const double slope = sym / syy;
    const double rss = std::max(smm - slope * sym, 0.0);
    c.dof_scale = static_cast<int>(n) - 3;
    c.scale = slope - 1.0;
    c.scale_offset = mm - slope * my;
    c.scale_variance = rss / c.dof_scale;
    c.scale_error = std::sqrt(c.scale_variance / syy);
    c.scale_spread = std::sqrt(syy / static_cast<double>(n));
    c.scale_mean = my;
    // The position offset's error from the same matched values: its normal
    // equations in the slopes the fit took.
    if (c.shape_kind == 3 && c.shape_variance > 0.0) {
        const PairSums p = offset_sums(ref, m);
        const double dn = static_cast<double>(n);
        const double det = dn * p.sum_slope_sq - p.sum_slope * p.sum_slope;
        const double per_cm = s.xi_mode ? mid_radius(s, set) : 1.0;  // dxi = r dr
        if (det > 0.0 && per_cm > 0.0) {
            c.radial_error_cm = std::sqrt(c.shape_variance * dn / det) / per_cm;
            c.radial_spread = std::sqrt(p.sum_slope_sq / dn) * per_cm;
        }
    }
    c.scale_offset_error =
        std::sqrt(c.scale_variance * (1.0 / static_cast<double>(n) + my * my / syy));
    if (!f_test(s, c.dof_scale, c.dof_noise, c.scale_f_critical)) return;
    c.scale_tested = true;
    c.scale_same = c.scale_variance <= c.scale_f_critical * c.noise_variance;
}

ScanComparison compare_with_latest(const State &s, const AssessmentResults &a, int set) {
    ScanComparison c;
    c.set = set;
    c.time_s = s.active_time[set];
    const int latest = a.latest;
    const int n = active_set_points(s, latest);
    const NoiseEstimate noise = difference_noise(a.noise[latest], a.noise[set]);
    if (!pair_comparable(s, latest, set) || !noise.known() || n < 2) return c;
    c.rms = s.fit.pair_rms(1, latest, set);
    c.variance = c.rms * c.rms;
    c.noise_variance = noise.variance;
    c.dof_deviations = n - 1;
    c.dof_noise = noise.dof;
    if (!f_test(s, c.dof_deviations, c.dof_noise, c.f_critical)) return c;
    c.tested = true;
    c.same = c.variance <= c.f_critical * c.noise_variance;
    fit_scale(s, latest, set, c);

    // The shape: both offsets fitted, or the y-offset alone when every slope
    // of the latest scan is the same.
    c.shape_kind = s.fit.pair_position_fitted(latest, set) ? 3 : 2;
    if (n <= c.shape_kind) return c;
    c.shape_rms = s.fit.pair_rms(c.shape_kind, latest, set);
    c.shape_variance = c.shape_rms * c.shape_rms;
    c.dof_shape = n - c.shape_kind;
    c.baseline = s.fit.pair_y_offset(c.shape_kind, latest, set);
    if (c.shape_kind == 3) {
        const double dx = s.fit.pair_x_offset(latest, set);
        const double r = mid_radius(s, set);
        c.radial_cm = s.xi_mode ? (r > 0.0 ? dx / r : 0.0) : dx;
    }
    if (!f_test(s, c.dof_shape, c.dof_noise, c.shape_f_critical)) return c;
    c.shape_tested = true;
    c.shape_same = c.shape_variance <= c.shape_f_critical * c.noise_variance;
    return c;
}

// Earlier scan `cmp` against the later scan `ref` without offsets, by the
// same test as against the latest: the excess over the noise in units of
// the smallest the F test detects (at most 1: they agree); NaN when the
// pair cannot be tested.
double excess_without_offsets(const State &s, const AssessmentResults &a, int ref, int cmp) {
    const int n = active_set_points(s, ref);
    const NoiseEstimate noise = difference_noise(a.noise[ref], a.noise[cmp]);
    const double untested = std::numeric_limits<double>::quiet_NaN();
    if (!pair_comparable(s, ref, cmp) || !noise.known() || n < 2) return untested;
    const double rms = s.fit.pair_rms(1, ref, cmp);
    double f = 0.0;
    if (!f_test(s, n - 1, noise.dof, f) || !(f > 1.0)) return untested;
    return (rms * rms - noise.variance) / ((f - 1.0) * noise.variance);
}

// The drift of each earlier scan against the latest, as the forecast's error
// model takes it: a scan carries the variance the offsets take up in the
// earliest step after it or holding it (the step came after it, and stays in
// its distance to the latest); none when it agrees with the latest without
// offsets or no step follows it.
std::vector<double> drift_variances(const AssessmentResults &a) {
    std::vector<double> out(a.comparisons.size(), 0.0);
    for (size_t k = 0; k < a.comparisons.size(); ++k) {
        const ScanComparison &c = a.comparisons[k];
        if (c.tested && c.same) continue;
        // Latest first: the last match is the earliest step.
        for (const DriftGroup &g : a.verdict.steps)
            if (c.time_s <= g.last_time_s) out[k] = g.excess_variance;
    }
    return out;
}

// The tolerance when one is set; otherwise the smallest distance the
// verdict's test tells from the noise, for the latest scan's points and the
// noise of a difference of two typical scans.
Threshold forecast_threshold(const State &s, const AssessmentResults &a) {
    Threshold t;
    if (s.assessment_settings.tolerance > 0.0) {
        t.value = s.assessment_settings.tolerance;
        t.from_noise = false;
        return t;
    }
    const int n = active_set_points(s, a.latest);
    if (!a.pooled.known() || n < 2 || a.sets < 1) return t;
    NoiseEstimate typical = a.pooled;
    typical.dof = std::max(1, a.pooled.dof / a.sets);
    const NoiseEstimate pair = difference_noise(typical, typical);
    std::string why;
    const double f = critical_f(s, n - 1, pair.dof, s.confidence_level / 100.0, &why);
    if (!why.empty()) return t;
    t.value = detectable_distance(a.pooled.variance, f);
    // The noise variance has a relative variance of 2 / dof, ln of its root
    // a quarter of that.
    t.log_variance = 0.5 / a.pooled.dof;
    return t;
}

// The latest scan's noise variance over its points: every distance to it
// shares that error along the approach's shape.
double latest_common_variance(const State &s, const AssessmentResults &a) {
    const int n = active_set_points(s, a.latest);
    const NoiseEstimate &e = a.noise[a.latest];
    return e.known() && n > 0 ? e.variance / n : 0.0;
}

// The time of the latest scan that is still further from the latest one
// than the threshold, beyond chance and beyond instrument drift: its
// no-offset variance, less the drift its offsets take up, and its variance
// with both offsets fitted each exceed the F test's margin over the noise
// plus the threshold's own variance.  A scan found different from the latest
// by the verdict's test only (distance above the noise) does not bound the
// forecast: just after t_eq a scan's distance is still close to the
// threshold, and the test finds it different nearly half the time; nor does
// one that differs by a baseline step or a radial shift alone, or, with
// lamp jitter, by a scale factor alone.  0 when no scan is that far.
double forecast_floor(const AssessmentResults &a, const std::vector<double> &drift,
                      double threshold) {
    const double t2 = threshold * threshold;
    double floor = 0.0;
    for (size_t k = 0; k < a.comparisons.size(); ++k) {
        const ScanComparison &c = a.comparisons[k];
        if (!c.tested || !(c.f_critical > 1.0)) continue;
        const bool far = c.variance - drift[k] > c.f_critical * (c.noise_variance + t2);
        const bool shape_far =
            !c.shape_tested || c.shape_variance > c.shape_f_critical * (c.noise_variance + t2);
        // With lamp jitter in the scans, a scan far from the latest by its
        // factor alone is no bound either.
        const bool scale_far = !(a.verdict.lamp_jitter > 0.0) || !c.scale_tested ||
                               c.scale_variance > c.scale_f_critical * (c.noise_variance + t2);
        if (far && shape_far && scale_far) floor = std::max(floor, c.time_s);
    }
    return floor;
}

// Why there is no fit to assess: none made since the data changed, or one
// that ran and could compare no pair.
std::string no_fit_reason(const State &s, int sets) {
    if (s.deriv_valid[0] != sets)
        return "No fit of the current active data sets to assess: fit first";
    bool all_short = true;
    for (int k = 1; k <= sets; ++k)
        all_short = all_short && active_set_points(s, k) < kMinReferencePoints;
    if (all_short)
        return "No pair could be compared: every scan has fewer than " +
               std::to_string(kMinReferencePoints) + " points in the limits";
    return "No pair could be compared: the scans with enough points have no others with "
           "points in the limits to be matched against";
}

}  // namespace

bool make_assessment(State &s) {
    AssessmentResults &a = s.assessment;
    a = AssessmentResults{};
    a.made = true;
    const int sets = std::min(active_set_count(s), kAssessmentSets);
    a.sets = sets;
    a.span = span_in_force(s);
    a.terms = terms_in_force(s);
    if (sets < 2) {
        a.failure = "An equilibrium assessment needs at least two active data sets";
    } else if (!fit_is_current(s)) {
        a.failure = no_fit_reason(s, sets);
    }
    if (!a.failure.empty()) {
        a.made = false;
        return false;
    }

    a.noise = active_set_noise(s);
    a.pooled = pool_noise(std::span<const NoiseEstimate>(a.noise).subspan(1, sets));
    const std::vector<int> order = time_order(s, sets);
    a.latest = order.back();
    a.latest_time_s = s.active_time[a.latest];
    for (size_t k = 0; k + 1 < order.size(); ++k)
        a.comparisons.push_back(compare_with_latest(s, a, order[k]));

    // A moving boundary (a velocity run) is never at equilibrium: no verdict, no forecast.
    const BoundaryMotion motion = find_boundary_motion(active_profiles(s, order));
    if (motion.moving) {
        a.verdict = velocity_verdict(motion);
        a.forecast.reason = kVelocityRunText;
        return true;
    }

    // Nor is a range that holds menisci, bases or windows: no verdict and
    // no forecast rest on it.
    if (const std::string why = range_problem(s, a.pooled); !why.empty()) {
        a.verdict.text = "not judged: " + why;
        a.verdict.notes.push_back(
            "set the data limits inside a solution column (the column search lists them)");
        a.forecast.reason = why;
        return true;
    }

    const PairExcess excess = [&](size_t ref, size_t cmp) {
        return excess_without_offsets(s, a, a.comparisons[ref].set, a.comparisons[cmp].set);
    };
    a.verdict = judge_equilibrium(a.comparisons, a.latest_time_s, s.assessment_settings.min_block_s,
                                  excess);

    // Drift, and lamp jitter: it moves a scan from the latest by a factor of
    // SD sqrt(2) times a scan's, times the root mean square of the values.
    std::vector<double> drift = drift_variances(a);
    for (size_t k = 0; k < a.comparisons.size(); ++k) {
        const ScanComparison &c = a.comparisons[k];
        drift[k] += 2.0 * a.verdict.lamp_jitter * a.verdict.lamp_jitter *
                    (c.scale_mean * c.scale_mean + c.scale_spread * c.scale_spread);
    }
    std::vector<DistancePoint> distances;
    for (size_t k = 0; k < a.comparisons.size(); ++k) {
        const ScanComparison &c = a.comparisons[k];
        const double lag = a.latest_time_s - c.time_s;
        if (c.tested && lag > 0.0)
            distances.push_back({lag, c.rms, c.noise_variance, !c.same, drift[k]});
    }
    const Threshold threshold = forecast_threshold(s, a);
    a.forecast = forecast_equilibrium(
        distances, a.latest_time_s, threshold, s.confidence_level / 100.0,
        forecast_floor(a, drift, threshold.value), latest_common_variance(s, a));
    return true;
}

namespace {

std::string set_and_time(int set, double time_s) {
    return " DS" + ftn::int_field(set, 3) + " t =" + hours_field(time_s, 10) + " h";
}

std::string noise_line(const std::string &label, const NoiseEstimate &e) {
    if (!e.known()) return label + " noise: not known";
    return label + " noise:" + ftn::sci(e.sd(), 11, 4) + " NDF:" + ftn::int_field(e.dof, 7);
}

std::string comparison_line(const ScanComparison &c) {
    std::string line = set_and_time(c.set, c.time_s);
    if (!c.tested) return line + " not tested: pair not compared or noise not known";
    line += " RMS:" + ftn::sci(c.rms, 11, 4);
    line += " ratio:" + ftn::sci(c.ratio(), 11, 4);
    line += " F(" + ftn::int_field(c.dof_deviations, 5) + "," + ftn::int_field(c.dof_noise, 6) +
            ") =" + ftn::fixed(c.f_critical, 7, 3);
    line += c.same ? " same" : " differs";
    return line;
}

// The same pair with its offsets fitted, under the no-offset line.
std::string shape_line(const ScanComparison &c) {
    std::string line(23, ' ');
    line += c.shape_kind == 3 ? "both offsets" : "y-offset";
    if (!c.shape_tested) return line + " not tested";
    line += " RMS:" + ftn::sci(c.shape_rms, 11, 4);
    line += " ratio:" + ftn::sci(c.shape_ratio(), 11, 4);
    line += " F(" + ftn::int_field(c.dof_shape, 5) + "," + ftn::int_field(c.dof_noise, 6) +
            ") =" + ftn::fixed(c.shape_f_critical, 7, 3);
    line += c.shape_same ? " same   " : " differs";
    line += " y:" + ftn::fixed(c.baseline, 9, 4);
    if (c.shape_kind == 3) line += " r:" + ftn::fixed(c.radial_cm, 9, 4) + " cm";
    return line;
}

// A long sentence as lines of at most `width` characters, cut at blanks,
// each after `indent`.
std::vector<std::string> wrapped(const std::string &text, const std::string &indent,
                                 size_t width = 100) {
    std::vector<std::string> lines;
    std::string line = indent;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (line.size() > indent.size() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line = indent + "  ";
        } else if (line.size() > indent.size() && line != indent + "  ") {
            line += ' ';
        }
        line += word;
        at = end + 1;
    }
    if (line.size() > indent.size()) lines.push_back(line);
    return lines;
}

// The verdict's basis: the comparison that decided, then the break and the
// drift in words.
std::vector<std::string> verdict_lines(const Verdict &v) {
    std::vector<std::string> lines;
    if (v.decided_by != Comparison::kNone) {
        std::string basis =
            v.decided_by == Comparison::kBothOffsets
                ? " Decided by: both offsets (shapes agree, the offsets are drift)"
            : v.decided_by == Comparison::kScale
                ? " Decided by: a y-offset and a scale factor (shapes agree, the factors are "
                  "lamp jitter)"
                : " Decided by: no offsets";
        basis += "; no-offset RMS of scan " + std::to_string(v.scan) + " to the latest" +
                 ftn::sci(v.no_offset_rms, 11, 4);
        basis += ", " + std::to_string(v.block_scans) + " scans in the block";
        lines.push_back(basis);
    }
    for (const std::string &note : v.notes)
        for (const std::string &l : wrapped(note, " "))
            lines.push_back(l);
    return lines;
}

std::vector<std::string> forecast_lines(const Forecast &f) {
    std::vector<std::string> lines;
    if (!f.made) {
        lines.push_back(" Forecast: none, " + f.reason);
        return lines;
    }
    lines.push_back(" Forecast from" + ftn::int_field(f.pairs, 3) +
                    " distances to the latest scan, one exponential approach:");
    lines.push_back(" tau =" + hours_field(f.tau_s, 10) + " h +-" + hours_field(f.tau_error_s, 9) +
                    " h   remaining distance at t = 0:" + ftn::sci(f.amplitude, 11, 4) + " +-" +
                    ftn::sci(f.amplitude_error, 10, 3));
    lines.push_back(
        " Equilibrium when the remaining distance falls below" + ftn::sci(f.threshold, 11, 4) +
        (f.threshold_is_noise ? " (what the F test tells from the noise)" : " (the tolerance)"));
    std::string expected = " Equilibrium expected at t =" + hours_field(f.equilibrium_time_s, 10) +
                           " h," + ftn::fixed(100.0 * f.confidence, 6, 2) + "% interval";
    if (f.one_sided)
        expected += ": not before " + hours_text(f.interval_lo_s) + " h";
    else
        expected +=
            hours_field(f.interval_lo_s, 10) + " to" + hours_field(f.interval_hi_s, 10) + " h";
    lines.push_back(expected);
    if (f.jitter > 0.0)
        lines.push_back(" Drift between the scans taken into the error model: RMS" +
                        ftn::sci(f.jitter, 11, 4));
    return lines;
}

}  // namespace

void write_assessment(const State &s, Log &log) {
    const AssessmentResults &a = s.assessment;
    const std::string heading = " Equilibrium assessment: no-offset distances, F test at" +
                                ftn::fixed(s.confidence_level, 6, 2) + "% confidence (" +
                                (s.exact_f ? "exact" : "approximate") + " F)";
    const std::string pooled = noise_line(ftn::pad_right(" All scans", 22), a.pooled);
    const std::string verdict = " Verdict: " + a.verdict.text;
    const std::vector<std::string> basis = verdict_lines(a.verdict);
    const std::vector<std::string> forecast = forecast_lines(a.forecast);

    log.file("");
    log.file(heading);
    log.file("");
    log.file(" Noise of each scan from its local fits (span" + ftn::int_field(a.span, 4) +
             " points, degree" + ftn::int_field(a.terms, 2) + "):");
    for (int k = 1; k <= a.sets; ++k)
        log.file(noise_line(set_and_time(k, s.active_time[k]), a.noise[k]));
    log.file(pooled);
    log.file("");
    log.file(" Each scan against the latest one," + set_and_time(a.latest, a.latest_time_s) + ":");
    for (const ScanComparison &c : a.comparisons) {
        log.file(comparison_line(c));
        if (c.tested) log.file(shape_line(c));
    }
    log.file("");
    log.file(verdict);
    for (const auto &l : basis)
        log.file(l);
    log.file("");
    for (const auto &l : forecast)
        log.file(l);
    log.file(" ");
    log.file("");

    log.box(heading);
    log.box(pooled);
    log.box(verdict);
    for (const auto &l : basis)
        log.box(l);
    for (const auto &l : forecast)
        log.box(l);
    log.box(" ");
}

void assess(State &s, bool write_report) {
    if (!write_report) {
        if (!make_assessment(s)) {
            note_error(s, s.assessment.failure);
            Log::post_log_line(s, " " + s.assessment.failure);
        }
        return;
    }
    Log log(s);
    if (!make_assessment(s)) {
        note_error(s, s.assessment.failure);
        log.both(" " + s.assessment.failure);
        return;
    }
    write_assessment(s, log);
}

namespace {

void refuse_setting(State &s, const std::string &what, double value) {
    const std::string line = " " + what + " must be a number of 0 or more, not " +
                             std::string(ftn::trim(ftn::general(value))) + ": kept";
    Log::post_error(s, line);
}

}  // namespace

void set_equilibrium_block(State &s, double seconds) {
    if (!(seconds >= 0.0) || !std::isfinite(seconds))
        return refuse_setting(s, "The minimum time of an equilibrium block", seconds);
    s.assessment_settings.min_block_s = seconds;
}

void set_equilibrium_tolerance(State &s, double tolerance) {
    if (!(tolerance >= 0.0) || !std::isfinite(tolerance))
        return refuse_setting(s, "The equilibrium tolerance", tolerance);
    s.assessment_settings.tolerance = tolerance;
}

void set_exact_f(State &s, bool exact) {
    if (s.exact_f == exact) return;
    s.exact_f = exact;
    Log log(s);
    log.both(exact ? " F critical values from now on: the exact quantile of the F distribution"
                   : " F critical values from now on: the closed-form approximation");
}

}  // namespace quillane
