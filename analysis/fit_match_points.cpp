// SPDX-License-Identifier: MIT
#include "fit_match_points.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillane {

namespace {

// The compared set's value at position x, from the point q reached by the
// forward-only walk (extrapolated beyond either end of the set).
inline double matched_at(std::span<const ActivePoint> cmp, size_t &q, double x) {
    const size_t last = cmp.size() - 1;
    while (q < last && cmp[q].position + kMatchTolerance < x)
        ++q;
    return cmp[q].value + (x - cmp[q].position) * cmp[q].work;
}

inline void add_point(PairSums &s, double a, double d) {
    s.sum_slope += a;
    s.sum_slope_sq += a * a;
    s.sum_dev += d;
    s.sum_dev_sq += d * d;
    s.sum_slope_dev += a * d;
}

// The look-up for compared sets with at most K keys in a bucket.  Each sum
// is formed in point order, as add_point forms it; sum a and sum a^2 of the
// reference set are the same for every compared set and come from `sums`.
template <int K>
void look_up_and_sum(std::span<const ActivePoint> ref, const int32_t *bucket,
                     const int32_t *first_in_bucket, const double *keys, const ActivePoint *cmp,
                     double *out, PairSums &sums) {
    double sum_dev = 0.0, sum_dev_sq = 0.0, sum_slope_dev = 0.0;
    const size_t n = ref.size();
    for (size_t m = 0; m < n; ++m) {
        const double x = ref[m].position;
        const int32_t first = first_in_bucket[bucket[m]];
        int32_t q = first;
        for (int t = 0; t < K; ++t)
            q += keys[first + t] < x ? 1 : 0;
        const ActivePoint &c = cmp[q];
        const double v = c.value + (x - c.position) * c.work;
        out[m] = v;
        const double a = ref[m].work;
        const double d = v - ref[m].value;
        sum_dev += d;
        sum_dev_sq += d * d;
        sum_slope_dev += a * d;
    }
    sums.sum_dev = sum_dev;
    sums.sum_dev_sq = sum_dev_sq;
    sums.sum_slope_dev = sum_slope_dev;
}

bool finite_and_rising(std::span<const ActivePoint> points) {
    for (size_t m = 0; m < points.size(); ++m) {
        if (!std::isfinite(points[m].position)) return false;
        if (m > 0 && !(points[m].position >= points[m - 1].position)) return false;
    }
    return true;
}

}  // namespace

void match_values(std::span<const ActivePoint> ref, std::span<const ActivePoint> cmp,
                  std::span<double> out) {
    if (cmp.empty()) return;
    size_t q = 0;
    for (size_t m = 0; m < ref.size(); ++m)
        out[m] = matched_at(cmp, q, ref[m].position);
}

PairSums offset_sums(std::span<const ActivePoint> ref, std::span<const double> matched) {
    PairSums s;
    s.count = static_cast<int>(ref.size());
    for (size_t m = 0; m < ref.size(); ++m)
        add_point(s, ref[m].work, matched[m] - ref[m].value);
    return s;
}

PairSums match_and_sum(std::span<const ActivePoint> ref, std::span<const ActivePoint> cmp,
                       std::span<double> out) {
    PairSums s;
    s.count = static_cast<int>(ref.size());
    if (cmp.empty()) return s;
    size_t q = 0;
    for (size_t m = 0; m < ref.size(); ++m) {
        out[m] = matched_at(cmp, q, ref[m].position);
        add_point(s, ref[m].work, out[m] - ref[m].value);
    }
    return s;
}

MatchIndex::MatchIndex(const State &s, int sets, WorkerGroup *workers)
    : sets_(static_cast<size_t>(sets) + 1) {
    const double infinity = std::numeric_limits<double>::infinity();
    size_t largest = 0;
    double low = infinity, high = -infinity;
    for (int k = 1; k <= sets; ++k) {
        Set &set = sets_[static_cast<size_t>(k)];
        set.points = active_set_span(s, k);
        set.rising = !set.points.empty() && finite_and_rising(set.points);
        if (!set.rising) continue;
        largest = std::max(largest, set.points.size());
        low = std::min(low, set.points.front().position);
        high = std::max(high, set.points.back().position + kMatchTolerance);
    }
    // About two buckets per point of the largest set: sets on similar
    // grids then put one or two keys into a bucket.
    const double buckets = 2.0 * static_cast<double>(largest);
    const double scale = buckets / (high - low);
    if (largest > 0 && high > low && std::isfinite(scale) && scale > 0.0) {
        buckets_ = static_cast<int>(buckets);
        low_ = low;
        scale_ = scale;
    }
    auto arrange = [&](int t, int) { arrange_set(sets_[static_cast<size_t>(t) + 1]); };
    if (workers != nullptr) {
        workers->run(sets, arrange);
    } else {
        for (int t = 0; t < sets; ++t)
            arrange(t, 0);
    }
}

void MatchIndex::arrange_set(Set &set) const {
    for (const ActivePoint &p : set.points) {
        set.sum_slope += p.work;
        set.sum_slope_sq += p.work * p.work;
    }
    if (!set.rising || buckets_ == 0) return;
    const double infinity = std::numeric_limits<double>::infinity();
    const size_t n = set.points.size();
    set.keys.assign(n + kMaxBucketKeys, infinity);
    for (size_t q = 0; q + 1 < n; ++q)
        set.keys[q] = set.points[q].position + kMatchTolerance;
    set.first_in_bucket.assign(static_cast<size_t>(buckets_) + 1, 0);
    for (size_t q = 0; q < n; ++q)
        ++set.first_in_bucket[static_cast<size_t>(bucket_of(set.keys[q])) + 1];
    int32_t below = 0;
    for (int b = 0; b <= buckets_; ++b) {
        set.bucket_keys = std::max(set.bucket_keys, set.first_in_bucket[b]);
        below += set.first_in_bucket[b];
        set.first_in_bucket[b] = below;
    }
    set.indexed = set.bucket_keys <= kMaxBucketKeys;
    set.bucket.resize(n);
    for (size_t m = 0; m < n; ++m)
        set.bucket[m] = bucket_of(set.points[m].position);
}

int MatchIndex::bucket_of(double v) const {
    // Rounding keeps the order of the positions, and so does the clamping
    // to the grid: a larger position never gets a lower bucket.
    const double t = (v - low_) * scale_;
    if (!(t > 0.0)) return 0;
    if (t >= buckets_ - 1) return buckets_ - 1;
    return static_cast<int>(t);
}

bool MatchIndex::looks_up(int i, int j) const {
    const Set &ref = sets_[static_cast<size_t>(i)];
    const Set &cmp = sets_[static_cast<size_t>(j)];
    return buckets_ > 0 && ref.rising && cmp.indexed;
}

PairSums MatchIndex::match(int i, int j, std::span<double> out) const {
    const Set &ref = sets_[static_cast<size_t>(i)];
    const Set &cmp = sets_[static_cast<size_t>(j)];
    if (!looks_up(i, j)) return match_and_sum(ref.points, cmp.points, out);
    PairSums sums;
    sums.count = static_cast<int>(ref.points.size());
    sums.sum_slope = ref.sum_slope;
    sums.sum_slope_sq = ref.sum_slope_sq;
    const auto run = [&](auto kernel) {
        kernel(ref.points, ref.bucket.data(), cmp.first_in_bucket.data(), cmp.keys.data(),
               cmp.points.data(), out.data(), sums);
    };
    switch (cmp.bucket_keys) {
        case 0:
        case 1:
            run(look_up_and_sum<1>);
            break;
        case 2:
            run(look_up_and_sum<2>);
            break;
        case 3:
            run(look_up_and_sum<3>);
            break;
        default:
            run(look_up_and_sum<kMaxBucketKeys>);
            break;
    }
    return sums;
}

}  // namespace quillane
