// SPDX-License-Identifier: MIT
#include "lamp_jitter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "equilibrium.h"
#include "fit_fquantile.h"
#include "verdict_text.h"

namespace quillane {
namespace {

using verdict_text::percent;

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

}  // namespace

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

}  // namespace quillane
