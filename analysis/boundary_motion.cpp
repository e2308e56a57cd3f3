// SPDX-License-Identifier: MIT
// A sedimenting boundary found in each scan and followed through time (see boundary_motion.h).
#include "boundary_motion.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ftn_format.h"

namespace quillane {
namespace {

// ---- One scan -----------------------------------------------------------

// The profile is the running median on a grid of 0.005 cm: fine enough to
// place a boundary of 0.03 cm or more to a few thousandths of a cm.
constexpr double kGridCm = 0.005;
// Each median takes the points within 0.03 cm: a meniscus spike (a few
// thousandths of a cm at half height) or a stray point covers well under
// half of them and moves the median by little, while a boundary, whose
// width grows from about 0.03 cm a few minutes after the start, is kept.
constexpr double kWindowCm = 0.03;
// A median from fewer points than this is not formed (a gap in the data).
constexpr int kMinWindowPoints = 5;
// The slope at a node is taken between the medians half a window either
// side of it: the two windows share no point, so a spike inside one of them
// cannot make a rise on its own.
constexpr int kSlopeHalfLag = 3;  // nodes: 0.015 cm
// A boundary's slope falls to a quarter of its peak on both sides (an error
// function does so 1.2 half-widths out, with 90 % of its rise between):
// the rise has an end on both sides inside the range.
constexpr double kSideFraction = 0.25;
// The rise stands at least 20 point SDs high.  A velocity boundary of the
// loads interference and absorbance optics are used with (0.3 fringes or
// 0.1 OD and more) is 30 to several hundred SDs high; noise alone makes
// rises of a few SDs.
constexpr double kMinRiseNoise = 20.0;
// A plateau follows: over 0.05 cm past the rise's end the profile stays
// within a tenth of the rise.  A column at equilibrium rises ever more
// steeply towards the base and has none.
constexpr double kPlateauCm = 0.05;
constexpr double kPlateauFlatness = 0.1;
// The steepest few rises of a scan are kept as candidates, so that a
// diluted, spread boundary is still followed when a sharp meniscus or base
// feature of the same scan rises more steeply.
constexpr size_t kMaxCandidates = 3;
// A window's median is taken from at most this many of its points.
constexpr size_t kMostWindow = 16;
// SD of a normal variable from the median absolute difference of two
// independent draws: median |x - y| = 0.6745 sqrt(2) SD.
constexpr double kDifferenceMadToSd = 1.0 / (0.6745 * M_SQRT2);

double median_of(std::vector<double> &v) {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// The scan's point noise from the differences of neighbouring points (the
// profile changes little from one point to the next; spikes and steps are
// few and the median ignores them).
double point_noise(std::span<const ProfilePoint> p) {
    std::vector<double> d;
    d.reserve(p.size());
    for (size_t i = 1; i < p.size(); ++i)
        d.push_back(std::fabs(p[i].value - p[i - 1].value));
    return d.empty() ? 0.0 : kDifferenceMadToSd * median_of(d);
}

struct MedianProfile {
    double start = 0.0;         // radius of node 0
    std::vector<double> m;      // NaN where the window holds too few points
    std::vector<double> slope;  // per cm, NaN where not formed
    double r(size_t i) const { return start + static_cast<double>(i) * kGridCm; }
};

MedianProfile median_profile(std::span<const ProfilePoint> p) {
    MedianProfile out;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (p.size() < 2) return out;
    const double half = 0.5 * kWindowCm;
    const double span = p.back().r - p.front().r - kWindowCm;
    if (!(span > 0.0)) return out;
    const auto nodes = static_cast<size_t>(std::floor(span / kGridCm)) + 1;
    out.start = p.front().r + half;
    out.m.assign(nodes, nan);
    std::vector<double> window;
    size_t lo = 0, hi = 0;
    for (size_t i = 0; i < nodes; ++i) {
        const double x = out.r(i);
        while (lo < p.size() && p[lo].r < x - half)
            ++lo;
        if (hi < lo) hi = lo;
        while (hi < p.size() && p[hi].r <= x + half)
            ++hi;
        if (hi - lo < static_cast<size_t>(kMinWindowPoints)) continue;
        // Of a dense scan every stride-th point: a median of kMostWindow
        // points evenly spread over the window rides over spikes as well.
        window.clear();
        const size_t stride = std::max<size_t>(1, (hi - lo + kMostWindow - 1) / kMostWindow);
        for (size_t k = lo; k < hi; k += stride)
            window.push_back(p[k].value);
        out.m[i] = median_of(window);
    }
    out.slope.assign(nodes, nan);
    const auto h = static_cast<size_t>(kSlopeHalfLag);
    for (size_t i = h; i + h < nodes; ++i)
        out.slope[i] = (out.m[i + h] - out.m[i - h]) / (2.0 * kGridCm * kSlopeHalfLag);
    return out;
}

// The rise around slope peak `peak`, if it is a boundary.
ScanBoundary boundary_at(const MedianProfile &p, size_t peak, double noise) {
    ScanBoundary b;
    const double top = p.slope[peak];
    const double low = kSideFraction * top;
    // Walk out to where the slope has fallen; a gap or the range's end first
    // means the rise has no end on that side.
    size_t left = peak, right = peak;
    while (left > 0 && std::isfinite(p.slope[left]) && p.slope[left] >= low)
        --left;
    while (right + 1 < p.slope.size() && std::isfinite(p.slope[right]) && p.slope[right] >= low)
        ++right;
    if (!std::isfinite(p.slope[left]) || p.slope[left] >= low) return b;
    if (!std::isfinite(p.slope[right]) || p.slope[right] >= low) return b;
    const double base = p.m[left], crest = p.m[right];
    const double height = crest - base;
    if (!std::isfinite(height) || !(height >= kMinRiseNoise * noise) || !(height > 0.0)) return b;
    const auto plateau = static_cast<size_t>(std::lround(kPlateauCm / kGridCm));
    if (right + plateau >= p.m.size()) return b;
    for (size_t k = right; k <= right + plateau; ++k)
        if (!(std::fabs(p.m[k] - crest) <= kPlateauFlatness * height)) return b;
    // Half the rise, crossed between `left` and `right`: the crossing next to
    // the peak.
    const double half = 0.5 * (base + crest);
    size_t i = peak;
    if (p.m[i] < half) {
        while (i < right && p.m[i + 1] < half)
            ++i;
    } else {
        while (i > left && p.m[i] >= half)
            --i;
    }
    const double a = p.m[i], c = p.m[i + 1];
    if (!std::isfinite(a) || !std::isfinite(c)) return b;
    const double frac = c != a ? std::clamp((half - a) / (c - a), 0.0, 1.0) : 0.5;
    b.found = true;
    b.position_cm = p.r(i) + frac * kGridCm;
    b.steepest_cm = p.r(peak);
    b.height = height;
    b.width_cm = p.r(right) - p.r(left);
    b.noise = noise;
    return b;
}

// Every rise of the scan that is a boundary, steepest first (at most
// kMaxCandidates).
std::vector<ScanBoundary> scan_candidates(std::span<const ProfilePoint> points) {
    std::vector<ScanBoundary> found;
    std::vector<ProfilePoint> sorted;
    if (!std::is_sorted(points.begin(), points.end(),
                        [](const ProfilePoint &a, const ProfilePoint &b) { return a.r < b.r; })) {
        sorted.assign(points.begin(), points.end());
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const ProfilePoint &a, const ProfilePoint &b) { return a.r < b.r; });
        points = sorted;
    }
    const MedianProfile p = median_profile(points);
    const double noise = point_noise(points);
    std::vector<size_t> peaks;
    for (size_t i = 1; i + 1 < p.slope.size(); ++i) {
        const double s = p.slope[i];
        if (std::isfinite(s) && s > 0.0 && s >= p.slope[i - 1] && s > p.slope[i + 1])
            peaks.push_back(i);
    }
    std::sort(peaks.begin(), peaks.end(),
              [&](size_t a, size_t b) { return p.slope[a] > p.slope[b]; });
    for (size_t peak : peaks) {
        if (found.size() >= kMaxCandidates) break;
        // A lesser peak inside a rise already taken is part of it.
        bool inside = false;
        for (const ScanBoundary &b : found)
            inside = inside || std::fabs(p.r(peak) - b.steepest_cm) < b.width_cm;
        if (inside) continue;
        const ScanBoundary b = boundary_at(p, peak, noise);
        if (b.found) found.push_back(b);
    }
    return found;
}

// A path ln r = a + b t.
struct Path {
    double a = 0.0, b = 0.0;
    double at(double t) const { return std::exp(a + b * t); }
};

// Least squares through the chosen boundaries; false when their times do
// not differ.
bool fit_path(const std::vector<double> &t, const std::vector<double> &r, Path &path) {
    const double n = static_cast<double>(t.size());
    if (n < 2) return false;
    double mt = 0.0, ml = 0.0;
    for (size_t i = 0; i < t.size(); ++i) {
        mt += t[i];
        ml += std::log(r[i]);
    }
    mt /= n;
    ml /= n;
    double stt = 0.0, stl = 0.0;
    for (size_t i = 0; i < t.size(); ++i) {
        stt += (t[i] - mt) * (t[i] - mt);
        stl += (t[i] - mt) * (std::log(r[i]) - ml);
    }
    if (!(stt > 0.0)) return false;
    path.b = stl / stt;
    path.a = ml - path.b * mt;
    return true;
}

// The boundaries on `path`: of each scan the candidate nearest to it, when
// within the tolerance; then the longest run of consecutive scans whose
// boundaries overlap from one scan to the next (a boundary moves by less than
// its own width between two scans and is seen in every scan it passes).
// Static features that happen to lie near one line in scans far apart are
// no such run.
struct OnPath {
    std::vector<size_t> scans;
    std::vector<double> t, r;
};

OnPath on_path(const std::vector<std::vector<ScanBoundary>> &candidates,
               std::span<const ScanProfile> scans, const Path &path) {
    std::vector<const ScanBoundary *> near(candidates.size(), nullptr);
    for (size_t k = 0; k < candidates.size(); ++k) {
        const double expected = path.at(scans[k].time_s);
        double best = kPathToleranceCm;
        for (const ScanBoundary &b : candidates[k]) {
            const double d = std::fabs(b.position_cm - expected);
            if (d <= best) {
                best = d;
                near[k] = &b;
            }
        }
    }
    size_t best_from = 0, best_length = 0, from = 0;
    for (size_t k = 0; k < near.size(); ++k) {
        const bool joins = k > 0 && near[k] && near[k - 1] &&
                           std::fabs(near[k]->position_cm - near[k - 1]->position_cm) <
                               std::min(near[k]->width_cm, near[k - 1]->width_cm);
        if (!joins) from = k;
        const size_t length = near[k] ? k - from + 1 : 0;
        if (length > best_length) {
            best_length = length;
            best_from = from;
        }
    }
    OnPath out;
    for (size_t k = best_from; k < best_from + best_length; ++k) {
        out.scans.push_back(k);
        out.t.push_back(scans[k].time_s);
        out.r.push_back(near[k]->position_cm);
    }
    return out;
}

}  // namespace

ScanBoundary find_scan_boundary(std::span<const ProfilePoint> points) {
    const std::vector<ScanBoundary> found = scan_candidates(points);
    return found.empty() ? ScanBoundary{} : found.front();
}

BoundaryMotion find_boundary_motion(std::span<const ScanProfile> scans) {
    BoundaryMotion motion;
    std::vector<std::vector<ScanBoundary>> candidates;
    for (const ScanProfile &s : scans) {
        candidates.push_back(scan_candidates(s.points));
        motion.boundaries.push_back(candidates.back().empty() ? ScanBoundary{}
                                                              : candidates.back().front());
    }
    // Every outward pair of boundaries of two scans proposes a path, refitted
    // through the boundaries it holds.  Of the paths through enough scans the
    // one that covers the most distance is the boundary's (a static feature
    // and a moving boundary of the same scans each hold their own path);
    // while there is none, the path through the most scans is reported.
    OnPath best;
    Path best_path;
    double best_residual = 0.0, best_covered = 0.0;
    auto covered = [](const OnPath &held, const Path &path) {
        return path.at(held.t.back()) - path.at(held.t.front());
    };
    auto better = [&](const OnPath &held, double cover) {
        const auto enough = static_cast<size_t>(kMinBoundaryScans);
        if (held.scans.size() >= enough) return best.scans.size() < enough || cover > best_covered;
        return best.scans.size() < held.scans.size();
    };
    for (size_t i = 0; i < scans.size(); ++i) {
        for (size_t j = i + 1; j < scans.size(); ++j) {
            const double dt = scans[j].time_s - scans[i].time_s;
            if (!(dt > 0.0)) continue;
            for (const ScanBoundary &bi : candidates[i]) {
                for (const ScanBoundary &bj : candidates[j]) {
                    if (!(bj.position_cm > bi.position_cm)) continue;
                    Path trial;
                    trial.b = std::log(bj.position_cm / bi.position_cm) / dt;
                    trial.a = std::log(bi.position_cm) - trial.b * scans[i].time_s;
                    OnPath held = on_path(candidates, scans, trial);
                    Path refit;
                    if (!fit_path(held.t, held.r, refit) || !(refit.b > 0.0)) continue;
                    held = on_path(candidates, scans, refit);
                    if (held.scans.empty()) continue;
                    const double cover = covered(held, refit);
                    if (!better(held, cover)) continue;
                    double worst = 0.0;
                    for (size_t k = 0; k < held.t.size(); ++k)
                        worst = std::max(worst, std::fabs(held.r[k] - refit.at(held.t[k])));
                    best = std::move(held);
                    best_path = refit;
                    best_residual = worst;
                    best_covered = cover;
                }
            }
        }
    }
    motion.boundary_scans = static_cast<int>(best.scans.size());
    if (best.scans.empty()) return motion;
    motion.first_time_s = best.t.front();
    motion.last_time_s = best.t.back();
    motion.first_cm = best_path.at(motion.first_time_s);
    motion.last_cm = best_path.at(motion.last_time_s);
    motion.worst_residual_cm = best_residual;
    motion.moving = motion.boundary_scans >= kMinBoundaryScans &&
                    motion.last_cm - motion.first_cm >= kMinPathCm;
    return motion;
}

std::vector<ScanProfile> active_profiles(const State &s, std::span<const int> sets) {
    std::vector<ScanProfile> out;
    for (int set : sets) {
        ScanProfile &p = out.emplace_back();
        p.time_s = s.active_time[set];
        for (const ActivePoint &a : active_set_span(s, set)) {
            const double r = s.xi_mode ? std::sqrt(2.0 * std::max(0.0, a.position)) : a.position;
            p.points.push_back({r, a.value});
        }
    }
    return out;
}

Verdict velocity_verdict(const BoundaryMotion &motion) {
    Verdict v;
    v.status = VerdictStatus::kUnknown;
    v.velocity_run = true;
    auto number = [](double x) { return std::string(ftn::trim(ftn::fixed(x, 12, 2))); };
    v.text = std::string(kVelocityRunText) + " (the boundary moves from " +
             number(motion.first_cm) + " to " + number(motion.last_cm) + " cm in " +
             number((motion.last_time_s - motion.first_time_s) / 3600.0) + " h)";
    return v;
}

}  // namespace quillane
