// SPDX-License-Identifier: MIT
// Matching a compared set onto the positions of a reference set, and the
// sums of the pair's differences.
//
// Matching walks a pointer q along the compared set: for each reference
// position x it moves q on while q is not the last point and
// X(q) + tolerance < x.  When both sets' positions rise (or stay level)
// from point to point, the q reached is simply the number of compared
// points whose key X(q) + tolerance lies below x, capped at the last point;
// no walk is needed.  The count is found through a grid of buckets over the
// positions of all sets: a key in a lower bucket than x is below x, a key
// in a higher bucket is not, and only the few keys sharing x's bucket are
// compared.  Every reference position thus finds its point on its own,
// without the hard-to-predict branches of the walk, and the result is the
// walk's to the last bit (the same keys, the same comparisons).
//
// Sets whose positions do not rise, that hold values that are not finite,
// or that crowd too many points into one bucket are matched by the walk.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "fit_workers.h"
#include "state.h"

namespace quillane {

// Positions closer than this count as equal when the compared set's pointer
// is moved along; it is the single-precision value of 1e-5.
inline const double kMatchTolerance = static_cast<float>(1.0e-5);

// Values of the compared set at the reference set's positions: from the
// first compared point at or above each position (a pointer that only moves
// forward), extrapolated along its slope.  Positions outside the compared
// set are extrapolated from its first or last point.  `out` holds one value
// per reference point.  No I/O.
void match_values(std::span<const ActivePoint> ref, std::span<const ActivePoint> cmp,
                  std::span<double> out);

// The sums of one pair: a is the reference set's slope at a point, d the
// matched value less the reference value.
struct PairSums {
    int count = 0;
    double sum_slope = 0.0;      // sum a
    double sum_slope_sq = 0.0;   // sum a^2
    double sum_dev = 0.0;        // sum d
    double sum_dev_sq = 0.0;     // sum d^2
    double sum_slope_dev = 0.0;  // sum a d
};
PairSums offset_sums(std::span<const ActivePoint> ref, std::span<const double> matched);

// match_values and offset_sums in one walk, with the same results to the
// last bit; the sums then overlap the matching's unpredictable branches.
PairSums match_and_sum(std::span<const ActivePoint> ref, std::span<const ActivePoint> cmp,
                       std::span<double> out);

// Most keys of one set that may share a bucket for the look-up to be used.
inline constexpr int kMaxBucketKeys = 4;

class MatchIndex {
  public:
    // Arranges active sets 1..sets of `s` (allocates; the sets must not
    // change while the index is used), shared out over `workers` if given.
    MatchIndex(const State &s, int sets, WorkerGroup *workers = nullptr);

    // match_and_sum for reference set i and compared set j: the same values
    // in `out` (one per reference point) and the same sums, to the last bit.
    PairSums match(int i, int j, std::span<double> out) const;

    // True when the pair (i, j) is matched by the look-up, not by the walk.
    bool looks_up(int i, int j) const;

  private:
    struct Set {
        std::span<const ActivePoint> points;
        bool rising = false;   // positions finite and never falling
        int bucket_keys = 0;   // most keys in one bucket
        bool indexed = false;  // rising, with at most kMaxBucketKeys per bucket
        // X + tolerance per point, the last one replaced by +infinity (the
        // pointer never passes the last point), then kMaxBucketKeys more
        // +infinity, so the look-up may read past the set's end.
        std::vector<double> keys;
        std::vector<int32_t> first_in_bucket;  // keys in lower buckets; one per bucket + 1
        std::vector<int32_t> bucket;           // the bucket of each point's position
        double sum_slope = 0.0;                // sum a and sum a^2 over the set as reference
        double sum_slope_sq = 0.0;
    };

    int bucket_of(double v) const;
    void arrange_set(Set &set) const;  // keys, buckets and sums of one set

    std::vector<Set> sets_;  // [0] unused
    int buckets_ = 0;        // 0: no look-up at all
    double low_ = 0.0;
    double scale_ = 0.0;  // buckets per position unit
};

}  // namespace quillane
