// SPDX-License-Identifier: MIT
#include "column_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillane::column_detail {
namespace {

// Bins along the radius: never finer than this (cm), and wide enough to
// hold about three points of the series in all.
constexpr double kFinestBin = 0.0025;
constexpr double kPointsPerBin = 3.0;
// More bins than this only come from positions that are no radii.
constexpr double kMostBins = 100000.0;
// Neighbours farther apart than this (cm) say nothing about smoothness.
constexpr double kLargestStep = 0.02;
// A point's excess is taken against the median of its own scan's points
// from kSpikeClear to kSpikeSide cm away on each side: beyond the few
// thousandths of a cm of a meniscus or base spike, near enough that a
// column's profile hardly bends in between.  Within one scan, so that
// scans taken at different times (a profile still moving) do not mix.
constexpr double kSpikeClear = 0.006;
constexpr double kSpikeSide = 0.02;

// The median of the finite values of scan[first..last) (of at most
// kMostSide of them, evenly spread: spikes stand 30 noise deviations out,
// a median of a few points places a side well enough); false if none.
constexpr size_t kMostSide = 5;
bool side_median(const std::vector<RadialPoint> &scan, size_t first, size_t last,
                 std::vector<double> &work, double &median) {
    work.clear();
    const size_t stride = std::max<size_t>(1, (last - first + kMostSide - 1) / kMostSide);
    for (size_t j = first; j < last; j += stride)
        if (std::isfinite(scan[j].value)) work.push_back(scan[j].value);
    if (work.empty()) return false;
    const size_t k = work.size() / 2;
    std::nth_element(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(k), work.end());
    median = work[k];
    return true;
}

}  // namespace

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0.0;
    const auto k = static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
    return v[k];
}

Profile::Profile(const std::vector<std::vector<RadialPoint>> &scans) {
    low_ = std::numeric_limits<double>::infinity();
    high_ = -std::numeric_limits<double>::infinity();
    std::vector<double> steps;
    has_sd_ = true;
    // The first and last points of a scan have one neighbour only: the
    // bins span the points that have two.
    for (const auto &scan : scans) {
        if (scan.size() < 3) continue;
        ++scans_;
        low_ = std::min(low_, scan[1].radius);
        high_ = std::max(high_, scan[scan.size() - 2].radius);
        for (size_t i = 1; i < scan.size(); ++i)
            if (const double d = scan[i].radius - scan[i - 1].radius; d > 0.0) steps.push_back(d);
        for (const RadialPoint &p : scan)
            if (!(p.sd >= 0.0)) has_sd_ = false;
    }
    if (scans_ == 0 || steps.empty() || !(high_ > low_)) {
        has_sd_ = false;
        return;
    }
    spacing_ = quantile(steps, 0.5);
    width_ = std::max(kFinestBin, kPointsPerBin * spacing_ / scans_);
    width_ = std::max(width_, (high_ - low_) / kMostBins);
    bins_.resize(static_cast<size_t>((high_ - low_) / width_) + 1);
    for (const auto &scan : scans)
        if (scan.size() >= 3) add(scan);
    for (Bin &b : bins_) {
        if (b.distances.empty()) continue;
        b.roughness = quantile(b.distances, 0.5);
        b.level = quantile(b.levels, 0.5);
        b.excess = quantile(b.excesses, 0.5);
    }
}

double Profile::end(int b) const {
    return std::min(high_, low_ + width_ * (b + 1));
}

int Profile::bins_for(double cm, int least) const {
    return std::max(least, static_cast<int>(std::lround(cm / width_)));
}

void Profile::add(const std::vector<RadialPoint> &scan) {
    // Window indices into the scan for each point's two sides, moved along
    // with it: [l0, l1) lies kSpikeSide .. kSpikeClear below, [r0, r1)
    // kSpikeClear .. kSpikeSide above.
    size_t l0 = 0, l1 = 0, r0 = 0, r1 = 0;
    std::vector<double> work;
    for (size_t i = 1; i + 1 < scan.size(); ++i) {
        const double r = scan[i].radius;
        while (l0 < i && scan[l0].radius < r - kSpikeSide)
            ++l0;
        while (l1 < i && scan[l1].radius <= r - kSpikeClear)
            ++l1;
        r0 = std::max(r0, i + 1);
        while (r0 < scan.size() && scan[r0].radius < r + kSpikeClear)
            ++r0;
        r1 = std::max(r1, r0);
        while (r1 < scan.size() && scan[r1].radius <= r + kSpikeSide)
            ++r1;
        double left = 0.0, right = 0.0, excess = 0.0;
        if (side_median(scan, l0, l1, work, left) && side_median(scan, r0, r1, work, right)) {
            const double v = scan[i].value;
            if (v > left && v > right) excess = std::min(v - left, v - right);
            if (v < left && v < right) excess = -std::min(left - v, right - v);
        }
        const RadialPoint &a = scan[i - 1], &p = scan[i], &b = scan[i + 1];
        const double span = b.radius - a.radius;
        if (!(span > 0.0) || span > kLargestStep) continue;
        const double line = a.value + (p.radius - a.radius) / span * (b.value - a.value);
        const double distance = std::fabs(p.value - line);
        if (!std::isfinite(distance)) continue;
        // Outside the range (or not a number): no bin, and no conversion
        // of a negative or NaN to an index.
        const double at = (p.radius - low_) / width_;
        if (!(at >= 0.0 && at < static_cast<double>(bins_.size()))) continue;
        Bin &bin = bins_[static_cast<size_t>(at)];
        bin.distances.push_back(distance);
        bin.levels.push_back(p.value);
        bin.excesses.push_back(excess);
        if (has_sd_) bin.sds.push_back(p.sd);
    }
}

double Profile::pooled(int first, int last, std::vector<double> Bin::*what, double q) const {
    first = std::max(first, 0);
    last = std::min(last, bins() - 1);
    size_t total = 0;
    for (int b = first; b <= last; ++b)
        total += (bins_[static_cast<size_t>(b)].*what).size();
    // Every stride-th point of the stretch, in radius order: a long
    // stretch's median from kMostPooled points of it.
    const size_t stride = std::max<size_t>(1, (total + kMostPooled - 1) / kMostPooled);
    std::vector<double> all;
    all.reserve(total / stride + 1);
    size_t k = 0;
    for (int b = first; b <= last; ++b)
        for (double v : bins_[static_cast<size_t>(b)].*what)
            if (k++ % stride == 0) all.push_back(v);
    return quantile(std::move(all), q);
}

double Profile::roughness_over(int first, int last, double q) const {
    return pooled(first, last, &Bin::distances, q);
}

double Profile::sd_over(int first, int last) const {
    return has_sd_ ? pooled(first, last, &Bin::sds, 0.5) : 0.0;
}

double Profile::level_over(int first, int last, double q) const {
    return pooled(first, last, &Bin::levels, q);
}

int Profile::points_over(int first, int last) const {
    int n = 0;
    for (int b = std::max(first, 0); b <= std::min(last, bins() - 1); ++b)
        n += static_cast<int>(bins_[static_cast<size_t>(b)].distances.size());
    return n;
}

}  // namespace quillane::column_detail
