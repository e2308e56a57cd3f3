// SPDX-License-Identifier: MIT
#include "equilibrium.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
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

// A factor as a signed percentage ("-8.0 %").
std::string percent(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f %%", 100.0 * fraction);
    return text;
}

// Scan k's offsets continue a shrink of the two scans before it: its scale
// factor, or its position offset, has one sign with theirs, each smaller
// than the one before, and k's own clearly (kShrinkSignificance standard
// errors) not zero and moving the profile by at least the noise of one
// scan.  An approach shrinks the offsets towards the latest scan scan by
// scan (real runs: factors -47, -27, -17, -12 %; position offsets -0.053,
// -0.028, -0.012, -0.007 cm), and a scan whose test passed by chance (ratio
// 1.23 against F 1.25) lies that far from the latest; a scan of a settled
// cell has offsets that move the profile by less.
constexpr double kShrinkSignificance = 2.0;
struct Shrink {
    double ScanComparison::*value;
    double ScanComparison::*error;
    double ScanComparison::*spread;
    bool ScanComparison::*tested;
};
constexpr Shrink kShrinks[] = {
    {&ScanComparison::scale, &ScanComparison::scale_error, &ScanComparison::scale_spread,
     &ScanComparison::scale_tested},
    {&ScanComparison::radial_cm, &ScanComparison::radial_error_cm, &ScanComparison::radial_spread,
     &ScanComparison::shape_tested},
};

bool shrinks(std::span<const ScanComparison> earlier, size_t k, const Shrink &m) {
    const ScanComparison &a = earlier[k - 2], &b = earlier[k - 1], &c = earlier[k];
    if (!(a.*m.tested) || !(b.*m.tested) || !(c.*m.tested) || !(c.*m.error > 0.0)) return false;
    const double va = a.*m.value, vb = b.*m.value, vc = c.*m.value;
    return va * vb > 0.0 && vb * vc > 0.0 && std::fabs(va) > std::fabs(vb) &&
           std::fabs(vb) > std::fabs(vc) && std::fabs(vc) > kShrinkSignificance * c.*m.error &&
           std::fabs(vc) * c.*m.spread > std::sqrt(0.5 * c.noise_variance);
}

bool continues_shrink(std::span<const ScanComparison> earlier, size_t k) {
    if (k < 2 || !earlier[k].tested || !earlier[k].same) return false;
    return std::any_of(std::begin(kShrinks), std::end(kShrinks),
                       [&](const Shrink &m) { return shrinks(earlier, k, m); });
}

std::string shrink_note(std::span<const ScanComparison> earlier, size_t k) {
    const ScanComparison &c = earlier[k];
    const ScanComparison &a = earlier[k - 2], &b = earlier[k - 1];
    const std::string what =
        shrinks(earlier, k, kShrinks[0])
            ? "scale factor against the latest (" + percent(c.scale) +
                  ") continues the shrink of the scans before it (" + percent(a.scale) + ", " +
                  percent(b.scale) + ")"
            : "position offset against the latest (" + offset_text(c.radial_cm) +
                  " cm) continues the shrink of the scans before it (" + offset_text(a.radial_cm) +
                  ", " + offset_text(b.radial_cm) + " cm)";
    return scan_at(c.set, c.time_s) + " broke the block: its " + what +
           ": the tail of the approach";
}

// ---- Lamp jitter: the verdict with a y-offset and a scale factor --------

struct Factor {
    double t = 0.0;  // s
    double g = 0.0;  // against the latest scan
};

// The median of v (not empty).
double median_of(std::vector<double> v) {
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    double m = v[mid];
    if (v.size() % 2 == 0)
        m = 0.5 * (m + *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)));
    return m;
}

// The jitter's SD per scan from the steps between successive factors: the
// median size of their deviation from the median step, over 0.6745
// sqrt(2) (that of a normal difference of two scans).  An approach moves
// every step the same way, which the median step takes up; one instrument
// step among them changes no median.
double successive_sd(const std::vector<Factor> &f) {
    if (f.size() < 3) return 0.0;
    std::vector<double> d;
    for (size_t i = 0; i + 1 < f.size(); ++i)
        d.push_back(f[i + 1].g - f[i].g);
    const double typical = median_of(d);
    for (double &x : d)
        x = std::fabs(x - typical);
    return median_of(d) / (0.6745 * std::sqrt(2.0));
}

// The least-squares slope of the factors against time over its standard
// error for a scatter of `sd` per scan.
double trend_statistic(const std::vector<Factor> &f, double sd) {
    double mt = 0.0, mg = 0.0;
    for (const Factor &x : f) {
        mt += x.t / static_cast<double>(f.size());
        mg += x.g / static_cast<double>(f.size());
    }
    double stt = 0.0, stg = 0.0;
    for (const Factor &x : f) {
        stt += (x.t - mt) * (x.t - mt);
        stg += (x.t - mt) * (x.g - mg);
    }
    if (!(stt > 0.0) || !(sd > 0.0)) return 0.0;
    return stg / stt / (sd / std::sqrt(stt));
}

// Jitter shows where the factors turn back: an approach moves them towards
// the latest scan's, scan after scan, jitter now this way, now that.  Seen
// when a step between successive scans goes against the way the factors go
// overall by more than kJitterSeen times its fit error, and the factors
// scatter from scan to scan (successive_sd, a median) by more than their
// fit error: a single instrument step (a baseline or radial shift moves the
// factor too) turns once but leaves the median alone.
bool jitter_seen(const std::vector<Factor> &f, double fit_error,
                 const std::vector<double> &errors) {
    const double way = f.back().g - f.front().g;
    bool turned = false;
    for (size_t i = 0; i + 1 < f.size(); ++i) {
        const double step = f[i + 1].g - f[i].g;
        const double error = std::hypot(errors[i], errors[i + 1]);
        if (step * way < 0.0 && std::fabs(step) > kJitterSeen * error) turned = true;
    }
    return turned && successive_sd(f) > fit_error;
}

// A scan whose shape, with a y-offset and a scale factor of jitter's size
// fitted, differs from the latest by less than kClearStepFactor times the
// smallest excess the F test detects.
bool scale_marginal(const ScanComparison &c) {
    if (!c.scale_tested || c.scale_same || !(std::fabs(c.scale) <= kMaxScale)) return false;
    const double detectable = (c.scale_f_critical - 1.0) * c.noise_variance;
    return detectable > 0.0 &&
           (c.scale_variance - c.noise_variance) / detectable < kClearStepFactor;
}

// The approach as a series shows it: g(t) = c + b e^(-(t - t_L)/tau), the
// value c of the final profile against the latest scan and an exponential
// decay towards it, fitted by least squares (a grid over tau, c and b
// linear).  Taken only when it fits significantly better than a constant
// (F test, 95 %): jitter alone fits no decay.
struct Decay {
    bool found = false;
    double b = 0.0, b_error = 0.0, tau = 0.0, latest_s = 0.0;
    // What is left of the approach at time t_s at least (one-sided 95 %:
    // b less 1.645 of its standard errors), as the series' value; 0 when
    // the data do not show that much.
    double remaining(double t_s) const {
        if (!found) return 0.0;
        return std::max(0.0, std::fabs(b) - 1.645 * b_error) * std::exp(-(t_s - latest_s) / tau);
    }
};

Decay fit_decay(const std::vector<Factor> &f) {
    Decay d;
    const size_t n = f.size();
    if (n < 5) return d;
    double mean = 0.0;
    for (const Factor &x : f)
        mean += x.g / static_cast<double>(n);
    double flat = 0.0;
    for (const Factor &x : f)
        flat += (x.g - mean) * (x.g - mean);
    double least_step = std::numeric_limits<double>::max();
    for (size_t i = 0; i + 1 < n; ++i)
        if (f[i + 1].t > f[i].t) least_step = std::min(least_step, f[i + 1].t - f[i].t);
    const double span = f.back().t - f.front().t;
    if (!(span > 0.0) || least_step == std::numeric_limits<double>::max()) return d;
    // tau from a third of the shortest spacing to thirty times the span.
    const double lo = least_step / 3.0, hi = 30.0 * span;
    constexpr int kSteps = 80;
    double best = flat;
    for (int i = 0; i <= kSteps; ++i) {
        const double tau = lo * std::pow(hi / lo, static_cast<double>(i) / kSteps);
        double sx = 0.0, sg = 0.0, sxx = 0.0, sxg = 0.0;
        for (const Factor &x : f) {
            const double e = std::exp(-(x.t - f.back().t) / tau);
            sx += e;
            sg += x.g;
            sxx += e * e;
            sxg += e * x.g;
        }
        const double dn = static_cast<double>(n);
        const double det = dn * sxx - sx * sx;
        if (!(det > 0.0) || !std::isfinite(det)) continue;
        const double b = (dn * sxg - sx * sg) / det;
        const double c = (sg - b * sx) / dn;
        double rss = 0.0;
        for (const Factor &x : f) {
            const double r = x.g - c - b * std::exp(-(x.t - f.back().t) / tau);
            rss += r * r;
        }
        if (rss < best) {
            best = rss;
            d.b = b;
            d.tau = tau;
            d.b_error = n > 3 ? std::sqrt(rss / static_cast<double>(n - 3) * dn / det) : 0.0;
        }
    }
    const int dof = static_cast<int>(n) - 3;
    if (!(d.tau > 0.0) || !(best > 0.0)) {
        d.found = d.tau > 0.0 && best < flat;
    } else {
        d.found = (flat - best) / 2.0 / (best / dof) > fstat_exact(2, dof, 0.95);
    }
    d.latest_s = f.back().t;
    return d;
}

// One series of what the y-offset and scale-factor fits give against the
// latest scan, over time: the factors (jitter and approach) or the
// offsets (the approach alone: the lamp multiplies the signal and leaves
// its zero where it is).  The latest scan itself is 0.  A factor g moves
// the profile by g times the latest scan's spread; an offset c, in an
// approach that keeps the column's mass, goes with a factor -c / mean, and
// so moves it by c times spread / mean.
constexpr double kMattersShare = 0.5;
struct FitSeries {
    std::vector<Factor> values;
    std::vector<double> errors;
    double per_unit = 1.0;  // how far one unit of the value moves the profile
    double fit_error() const {
        std::vector<double> e(errors.begin(), errors.end() - 1);
        return e.empty() ? 0.0 : median_of(e);
    }
};

// The block judged with a y-offset and a scale factor, when the factors
// show jitter; v.status stays kUnknown when they do not (the no-offset
// verdict then stands alone).
Verdict judge_with_scale(std::span<const ScanComparison> earlier, double latest_time_s,
                         double min_block_s) {
    Verdict v;
    // Walk back while the shapes agree with a scale factor of jitter's
    // size.  A scan whose shape differs only marginally (scale_marginal),
    // with a scan before it that agrees, is taken as chance: one F test in
    // twenty fails at 95 % with nothing wrong.
    const auto agrees = [](const ScanComparison &c) {
        return c.scale_tested && c.scale_same && std::fabs(c.scale) <= kMaxScale;
    };
    size_t first = earlier.size();
    while (first > 0) {
        const ScanComparison &c = earlier[first - 1];
        if (agrees(c) || (scale_marginal(c) && first >= 2 && agrees(earlier[first - 2]))) {
            --first;
            continue;
        }
        break;
    }
    if (earlier.size() - first + 1 < static_cast<size_t>(kMinScaleBlockScans)) return v;

    // The two series over the block's scans and over every scan (for the
    // approach's decay).
    const auto series = [&](size_t from, bool factors) {
        FitSeries s;
        for (size_t k = from; k < earlier.size(); ++k) {
            const ScanComparison &c = earlier[k];
            if (!c.scale_tested) continue;
            s.values.push_back({c.time_s, factors ? c.scale : c.scale_offset});
            s.errors.push_back(factors ? c.scale_error : c.scale_offset_error);
            s.per_unit = factors               ? c.scale_spread
                         : c.scale_mean != 0.0 ? c.scale_spread / std::fabs(c.scale_mean)
                                               : 0.0;
        }
        s.values.push_back({latest_time_s, 0.0});
        s.errors.push_back(0.0);
        return s;
    };
    FitSeries g = series(first, true);
    if (!jitter_seen(g.values, g.fit_error(), g.errors)) return v;
    v.lamp_jitter = std::max(successive_sd(g.values), g.fit_error());

    // The approach the factors and offsets of every scan show: the block
    // starts no earlier than the scan at which what is left of it moves the
    // profile by less than the noise of one scan.
    const Decay g_decay = fit_decay(series(0, true).values);
    const Decay c_decay = fit_decay(series(0, false).values);
    const double offset_unit = series(0, false).per_unit;
    const auto settled = [&](size_t k) {
        const ScanComparison &c = earlier[k];
        const double noise = std::sqrt(0.5 * c.noise_variance);
        return g_decay.remaining(c.time_s) * c.scale_spread <= noise &&
               c_decay.remaining(c.time_s) * offset_unit <= noise;
    };
    while (first < earlier.size() && !settled(first))
        ++first;

    // Then drop the block's first scan while the factors or the offsets
    // still trend in time, or while the block's first third lies beyond
    // their scatter on the side of the scans before the block (one-sided,
    // 95 %): the tail of an approach is largest in the block's first scans.
    // Either must move the profile by kMattersShare of the noise of one
    // scan or more over the block: the offsets are known to a fraction of
    // the noise when many scans are averaged, and a remnant smaller than
    // that is no approach a verdict should wait for.
    const double noise =
        std::sqrt(0.5 * earlier[first < earlier.size() ? first : 0].noise_variance);
    const auto still_approaching = [&](const FitSeries &s) {
        const std::vector<Factor> &f = s.values;
        const double sd = std::max(successive_sd(f), s.fit_error());
        const int dof = static_cast<int>(f.size()) - 2;
        const double trend = trend_statistic(f, sd);
        const double moved = std::fabs(trend) * sd /
                             std::sqrt(std::max(1e-300,
                                                [&] {
                                                    double mt = 0.0, stt = 0.0;
                                                    for (const Factor &x : f)
                                                        mt += x.t / static_cast<double>(f.size());
                                                    for (const Factor &x : f)
                                                        stt += (x.t - mt) * (x.t - mt);
                                                    return stt;
                                                }())) *
                             (f.back().t - f.front().t) * s.per_unit;
        if (std::fabs(trend) > student_t_two_sided(dof, 0.95) && moved >= kMattersShare * noise)
            return true;
        if (first == 0) return false;
        const size_t head = std::max<size_t>(1, f.size() / 3);
        double head_mean = 0.0, rest = 0.0;
        for (size_t i = 0; i < f.size(); ++i)
            (i < head ? head_mean : rest) +=
                f[i].g / static_cast<double>(i < head ? head : f.size() - head);
        const double spread = sd * std::sqrt(1.0 / static_cast<double>(head) +
                                             1.0 / static_cast<double>(f.size() - head));
        // The side the approach lies on: the scan before the block.
        const ScanComparison &before = earlier[first - 1];
        const double side = (&s == &g ? before.scale : before.scale_offset) - rest;
        return side * (head_mean - rest) > 0.0 &&
               std::fabs(head_mean - rest) > student_t_two_sided(std::max(dof, 1), 0.90) * spread &&
               std::fabs(head_mean - rest) * s.per_unit >= kMattersShare * noise;
    };
    for (;;) {
        if (static_cast<int>(earlier.size() - first) + 1 < kMinScaleBlockScans) break;
        g = series(first, true);
        const FitSeries c = series(first, false);
        if (!still_approaching(g) && !still_approaching(c)) break;
        ++first;
    }

    v.status = VerdictStatus::kApproaching;
    if (first == earlier.size()) return v;
    v.scan = earlier[first].set;
    v.time_s = earlier[first].time_s;
    v.block_s = latest_time_s - v.time_s;
    v.block_scans = static_cast<int>(earlier.size() - first) + 1;
    v.no_offset_rms = earlier[first].rms;
    v.decided_by = Comparison::kScale;
    ScaleJitter &j = v.jitter;
    j.first_scan = earlier[first].set;
    j.last_scan = earlier.back().set;
    j.lowest = j.highest = earlier[first].scale;
    double mean = 0.0;
    for (size_t k = first; k < earlier.size(); ++k) {
        j.lowest = std::min(j.lowest, earlier[k].scale);
        j.highest = std::max(j.highest, earlier[k].scale);
        mean += earlier[k].scale / static_cast<double>(earlier.size() - first);
    }
    g = series(first, true);
    j.sd = std::max(successive_sd(g.values), g.fit_error());
    j.latest_offset = mean;
    const double n_block = static_cast<double>(earlier.size() - first);
    j.latest_outlier =
        (j.lowest > 0.0 || j.highest < 0.0) &&
        std::fabs(mean) > student_t_two_sided(std::max(1, static_cast<int>(n_block) - 1), 0.95) *
                              j.sd / std::sqrt(n_block);
    if (v.block_s >= min_block_s && v.block_scans >= kMinScaleBlockScans)
        v.status = VerdictStatus::kReached;
    return v;
}

std::string jitter_note(const ScaleJitter &j) {
    const std::string scans = j.first_scan == j.last_scan
                                  ? "scan " + std::to_string(j.first_scan) + " differs"
                                  : "scans " + std::to_string(j.first_scan) + "-" +
                                        std::to_string(j.last_scan) + " differ";
    std::string note = scans + " from the latest by scale factors of " + percent(j.lowest) +
                       " ... " + percent(j.highest) + " (lamp jitter, " + percent(j.sd).substr(1) +
                       " per scan, with no trend in time); their shapes agree";
    if (j.latest_outlier)
        note += "; the latest scan is itself the outlier: the others differ from it by " +
                percent(j.latest_offset) + " on average and agree with each other";
    return note;
}

}  // namespace

double detectable_excess(const ScanComparison &c) {
    const double detectable = (c.f_critical - 1.0) * c.noise_variance;
    if (!c.tested || !(detectable > 0.0)) return std::numeric_limits<double>::infinity();
    return (c.variance - c.noise_variance) / detectable;
}

namespace {

// The verdict from the comparisons without offsets and instrument steps
// (see judge_equilibrium).
Verdict judge_without_scale(std::span<const ScanComparison> earlier, double latest_time_s,
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
    // The tail of an approach: a block's first scan that agrees with the
    // latest (perhaps by chance) while its scale factor continues the
    // shrink of the scans before it is still approaching.
    const auto in_group = [&](size_t k) {
        return std::any_of(groups.begin(), groups.end(), [&](const Group &g) {
            return std::find(g.members.begin(), g.members.end(), k) != g.members.end();
        });
    };
    while (first < earlier.size() && !in_group(first) && continues_shrink(earlier, first)) {
        why = BreakReason::kStillShrinking;
        ++first;
    }

    v.status = VerdictStatus::kApproaching;
    if (first > 0) {
        const ScanComparison &b = earlier[first - 1];
        v.differing_scan = b.set;
        v.differing_time_s = b.time_s;
        v.break_reason = why;
        v.broken_by = why == BreakReason::kNoStep || why == BreakReason::kNotTested
                          ? Comparison::kNoOffsets
                      : why == BreakReason::kStillShrinking ? Comparison::kScale
                                                            : Comparison::kBothOffsets;
        v.notes.push_back(why == BreakReason::kStillShrinking ? shrink_note(earlier, first - 1)
                                                              : break_note(b, why));
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

}  // namespace

Verdict judge_equilibrium(std::span<const ScanComparison> earlier, double latest_time_s,
                          double min_block_s, const PairExcess &excess) {
    Verdict v = judge_without_scale(earlier, latest_time_s, min_block_s, excess);
    if (v.status == VerdictStatus::kReached || earlier.empty()) return v;
    // Scans that differ from the latest without offsets may differ by the
    // lamp's jitter alone.
    Verdict w = judge_with_scale(earlier, latest_time_s, min_block_s);
    v.lamp_jitter = w.lamp_jitter;
    if (w.status == VerdictStatus::kUnknown) return v;
    if (w.status != VerdictStatus::kReached) {
        if (w.scan != 0 && w.scan != v.scan)
            v.notes.push_back("with a y-offset and a scale factor fitted, the scans from " +
                              scan_at(w.scan, w.time_s) + " on agree with the latest (" +
                              jitter_note(w.jitter) + "), but span only " + hours_text(w.block_s) +
                              " h of " + hours_text(min_block_s) + " h");
        return v;
    }
    w.steps = v.steps;
    if (w.scan != earlier.front().set) {
        // The scan before the block: why it is not in it.
        size_t k = 0;
        while (k + 1 < earlier.size() && earlier[k + 1].set != w.scan)
            ++k;
        const ScanComparison &b = earlier[k];
        w.differing_scan = b.set;
        w.differing_time_s = b.time_s;
        w.broken_by = Comparison::kScale;
        w.break_reason = b.scale_tested && b.scale_same && std::fabs(b.scale) <= kMaxScale
                             ? BreakReason::kStillShrinking
                             : BreakReason::kShapeDiffers;
        w.notes.push_back(
            w.break_reason == BreakReason::kStillShrinking
                ? scan_at(b.set, b.time_s) +
                      " broke the block: its scale factor against the latest (" + percent(b.scale) +
                      ") lies beyond the jitter on the side of the approach"
                : scan_at(b.set, b.time_s) +
                      " broke the block: with a y-offset and a scale factor fitted its shape "
                      "differs from the latest, or its factor (" +
                      percent(b.scale) + ") exceeds what lamp jitter does");
    }
    w.notes.push_back(jitter_note(w.jitter));
    w.text = "equilibrium reached by " + scan_at(w.scan, w.time_s) +
             ", judged with a y-offset and a scale factor";
    return w;
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
