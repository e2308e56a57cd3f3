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
    }
}

double Profile::end(int b) const {
    return std::min(high_, low_ + width_ * (b + 1));
}

int Profile::bins_for(double cm, int least) const {
    return std::max(least, static_cast<int>(std::lround(cm / width_)));
}

void Profile::add(const std::vector<RadialPoint> &scan) {
    for (size_t i = 1; i + 1 < scan.size(); ++i) {
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
        if (has_sd_) bin.sds.push_back(p.sd);
    }
}

double Profile::pooled(int first, int last, std::vector<double> Bin::*what, double q) const {
    first = std::max(first, 0);
    last = std::min(last, bins() - 1);
    std::vector<double> all;
    for (int b = first; b <= last; ++b) {
        const std::vector<double> &v = bins_[static_cast<size_t>(b)].*what;
        all.insert(all.end(), v.begin(), v.end());
    }
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
