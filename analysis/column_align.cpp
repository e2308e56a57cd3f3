// SPDX-License-Identifier: MIT
#include "column_align.h"

#include <algorithm>
#include <cmath>

#include "column_profile.h"

namespace quillane::column_detail {
namespace {

// The common grid the scans are compared on (cm): finer than a spike's
// half-width (0.0025 cm and more); the best lag is placed between steps by
// a parabola.
constexpr double kGridStep = 0.002;
// More grid steps than this come only from positions that are no radii.
constexpr double kMostSteps = 20000.0;
// A point's high-pass is its value less the mean of its own scan's values
// this far (cm) on each side: a spike (a few thousandths of a cm wide) or a
// step stands out, a column's slow profile (and its change over time) does
// not.
constexpr double kOffset = 0.01;
// Points farther apart than this (cm) are not joined on the grid.
constexpr double kLargestGap = 0.02;
// Grid steps where the median high-pass stands this many times its median
// size out (spikes, steps), and those within the largest lag of them, are
// compared: a spike stands hundreds of noise deviations out.
constexpr double kFeatureFactor = 10.0;
// A scan's best lag counts only where its high-pass matches the median one
// this well (normalised correlation): a scan without the series' spikes
// and steps (a noisy or flat one) has no place to tell.
constexpr double kLeastMatch = 0.5;

// The high-pass of every point of a scan: its value less the mean of the
// points kOffset before and after it (the nearest ones that far out).
std::vector<double> high_pass(const std::vector<RadialPoint> &scan) {
    std::vector<double> out(scan.size(), 0.0);
    size_t left = 0, right = 0;
    for (size_t i = 0; i < scan.size(); ++i) {
        const double r = scan[i].radius;
        while (left + 1 < i && scan[left + 1].radius <= r - kOffset)
            ++left;
        right = std::max(right, i);
        while (right + 1 < scan.size() && scan[right].radius < r + kOffset)
            ++right;
        const bool has_left =
            left < i && scan[left].radius <= r - kOffset && std::isfinite(scan[left].value);
        const bool has_right =
            right > i && scan[right].radius >= r + kOffset && std::isfinite(scan[right].value);
        if (!std::isfinite(scan[i].value) || !(has_left || has_right)) continue;
        const double around = has_left && has_right
                                  ? 0.5 * (scan[left].value + scan[right].value)
                                  : (has_left ? scan[left].value : scan[right].value);
        out[i] = scan[i].value - around;
    }
    return out;
}

// The high-pass laid on the grid from `low`, by straight lines between
// neighbouring points; NaN where the scan has no points.
std::vector<double> on_grid(const std::vector<RadialPoint> &scan, const std::vector<double> &e,
                            double low, size_t steps) {
    std::vector<double> g(steps, std::nan(""));
    for (size_t i = 0; i + 1 < scan.size(); ++i) {
        const double a = scan[i].radius, b = scan[i + 1].radius;
        if (!(b > a) || b - a > kLargestGap || !std::isfinite(e[i]) || !std::isfinite(e[i + 1]))
            continue;
        const double first = std::ceil((a - low) / kGridStep),
                     last = std::floor((b - low) / kGridStep);
        for (double k = std::max(first, 0.0); k <= last && k < static_cast<double>(steps); ++k) {
            const double r = low + k * kGridStep;
            g[static_cast<size_t>(k)] = e[i] + (e[i + 1] - e[i]) * (r - a) / (b - a);
        }
    }
    return g;
}

// Normalised correlation of the scan's grid at `lag` steps with the median,
// over the grid steps where the median shows a feature.
double match(const std::vector<double> &reference, const std::vector<size_t> &features,
             const std::vector<double> &g, int lag) {
    double cross = 0.0, rr = 0.0, gg = 0.0;
    const auto n = static_cast<long>(g.size());
    for (size_t b : features) {
        const long at = static_cast<long>(b) + lag;
        if (at < 0 || at >= n) continue;
        const double x = reference[b], y = g[static_cast<size_t>(at)];
        if (!std::isfinite(y)) continue;
        cross += x * y;
        rr += x * x;
        gg += y * y;
    }
    return rr > 0.0 && gg > 0.0 ? cross / std::sqrt(rr * gg) : 0.0;
}

}  // namespace

std::vector<double> radial_shifts(const std::vector<std::vector<RadialPoint>> &scans) {
    std::vector<double> shifts(scans.size(), 0.0);
    double low = INFINITY, high = -INFINITY;
    size_t used = 0;
    for (const auto &scan : scans) {
        if (scan.size() < 3) continue;
        ++used;
        low = std::min(low, scan.front().radius);
        high = std::max(high, scan.back().radius);
    }
    if (used < 2 || !(high > low) || (high - low) / kGridStep > kMostSteps) return shifts;
    const auto steps = static_cast<size_t>((high - low) / kGridStep) + 1;

    std::vector<std::vector<double>> grids(scans.size());
    for (size_t k = 0; k < scans.size(); ++k)
        if (scans[k].size() >= 3) grids[k] = on_grid(scans[k], high_pass(scans[k]), low, steps);

    // Where most scans have their features: the median high-pass of the
    // scans that reach each grid step (of at least half of them).
    std::vector<double> reference(steps, std::nan("")), column;
    for (size_t b = 0; b < steps; ++b) {
        column.clear();
        for (const auto &g : grids)
            if (!g.empty() && std::isfinite(g[b])) column.push_back(g[b]);
        if (2 * column.size() >= used) reference[b] = quantile(column, 0.5);
    }

    // The grid steps where the median stands kFeatureFactor times its
    // typical size out (spikes and steps), and those within the largest lag
    // of them.  The rest is noise and says nothing of where a scan lies.
    const int most = static_cast<int>(std::lround(kMostShift / kGridStep));
    column.clear();
    for (double r : reference)
        if (std::isfinite(r)) column.push_back(std::fabs(r));
    if (column.empty()) return shifts;
    const double typical = quantile(column, 0.5);
    std::vector<char> near(steps, 0);
    for (size_t b = 0; b < steps; ++b)
        if (std::isfinite(reference[b]) && std::fabs(reference[b]) > kFeatureFactor * typical)
            for (size_t c = b >= static_cast<size_t>(most) ? b - most : 0;
                 c < std::min(steps, b + most + 1); ++c)
                near[c] = 1;
    std::vector<size_t> features;
    for (size_t b = 0; b < steps; ++b)
        if (near[b] && std::isfinite(reference[b])) features.push_back(b);
    if (features.empty()) return shifts;
    std::vector<double> rho(static_cast<size_t>(2 * most + 1));
    for (size_t k = 0; k < scans.size(); ++k) {
        if (grids[k].empty()) continue;
        int best = 0;
        for (int lag = -most; lag <= most; ++lag) {
            rho[static_cast<size_t>(lag + most)] = match(reference, features, grids[k], lag);
            if (rho[static_cast<size_t>(lag + most)] > rho[static_cast<size_t>(best + most)])
                best = lag;
        }
        const double peak = rho[static_cast<size_t>(best + most)];
        if (!(peak >= kLeastMatch)) continue;
        // The peak between grid steps: the parabola through the best lag
        // and its neighbours.
        double at = best;
        if (best > -most && best < most) {
            const double before = rho[static_cast<size_t>(best + most - 1)];
            const double after = rho[static_cast<size_t>(best + most + 1)];
            const double curve = before - 2.0 * peak + after;
            if (curve < 0.0) at += 0.5 * (before - after) / curve;
        }
        const double shift = at * kGridStep;
        if (std::fabs(shift) > kShiftResolution) shifts[k] = shift;
    }
    return shifts;
}

}  // namespace quillane::column_detail
