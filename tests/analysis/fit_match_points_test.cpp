// SPDX-License-Identifier: MIT
// The look-up of the compared points: the same matched values and sums as
// the walk, to the last bit, for every pair of rising sets, and the walk
// itself for sets the look-up does not take.
#include <cstring>
#include <limits>

#include "fit_match_points.h"
#include "fit_test_support.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// Bit for bit, so that the sums' last digits count.
bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Compares the look-up with the walk for every ordered pair of the active
// sets; returns how many pairs were looked up.
int expect_look_up_as_walk(const State &s) {
    const int sets = active_set_count(s);
    const MatchIndex index(s, sets);
    int looked_up = 0;
    for (int i = 1; i <= sets; ++i) {
        for (int j = 1; j <= sets; ++j) {
            const std::span<const ActivePoint> ref(s.active_points.data() + s.active_start[i],
                                                   s.active_end[i] - s.active_start[i] + 1);
            const std::span<const ActivePoint> cmp(s.active_points.data() + s.active_start[j],
                                                   s.active_end[j] - s.active_start[j] + 1);
            std::vector<double> walked(ref.size()), looked(ref.size());
            const PairSums w = match_and_sum(ref, cmp, walked);
            const PairSums l = index.match(i, j, looked);
            looked_up += index.looks_up(i, j) ? 1 : 0;
            SCOPED_TRACE("reference " + std::to_string(i) + ", compared " + std::to_string(j));
            EXPECT_EQ(w.count, l.count);
            EXPECT_TRUE(same_bits(w.sum_slope, l.sum_slope));
            EXPECT_TRUE(same_bits(w.sum_slope_sq, l.sum_slope_sq));
            EXPECT_TRUE(same_bits(w.sum_dev, l.sum_dev));
            EXPECT_TRUE(same_bits(w.sum_dev_sq, l.sum_dev_sq));
            EXPECT_TRUE(same_bits(w.sum_slope_dev, l.sum_slope_dev));
            for (size_t m = 0; m < ref.size(); ++m)
                if (!same_bits(walked[m], looked[m])) {
                    ADD_FAILURE() << "point " << m + 1 << ": walk " << walked[m] << ", look-up "
                                  << looked[m];
                    break;
                }
        }
    }
    return looked_up;
}

// Gives every active point a slope of its own.
void give_slopes(State &s, unsigned seed) {
    const std::vector<double> a = noise(s.active_point_count[0] + 1, seed);
    for (int p = 1; p <= s.active_point_count[0]; ++p)
        s.active_points[p].weight = s.active_points[p].work = a[static_cast<size_t>(p)];
}

// Rising sets on grids of their own: denser and sparser than each other,
// shifted, over part of the range only, with positions closer together
// than the tolerance and with repeated positions.
class LookUp : public ::testing::TestWithParam<unsigned> {};

TEST_P(LookUp, FindsTheSamePointsAndSumsAsTheWalkForRisingSets) {
    const unsigned seed = GetParam();
    std::vector<SetPoints> sets;
    const std::vector<double> steps = {0.01, 0.004, 0.013, 0.01, 0.02};
    for (size_t k = 0; k < steps.size(); ++k) {
        const int n = static_cast<int>(6.0 / steps[k]);
        std::vector<double> x = uneven_grid(16.5 + 0.3 * k, steps[k], n, seed * 10 + k);
        sets.push_back({x, noise(n, seed * 10 + k + 5)});
    }
    // Neighbours closer than the tolerance, and equal neighbours.
    std::vector<double> close = uneven_grid(17.0, 0.01, 300, seed + 77);
    for (size_t m = 1; m < close.size(); m += 3)
        close[m] = close[m - 1] + (m % 2 ? 4e-6 : 0.0);
    sets.push_back({close, noise(300, seed + 78)});
    Fixture f;
    load_active_sets(f.s(), sets);
    give_slopes(f.s(), seed);
    const int pairs = static_cast<int>(sets.size() * sets.size());
    EXPECT_EQ(expect_look_up_as_walk(f.s()), pairs);
}

INSTANTIATE_TEST_SUITE_P(Seeds, LookUp, ::testing::Values(1u, 2u, 3u, 4u));

TEST(LookUpFallsBack, ToTheWalkForASetWhosePositionsFallSomewhere) {
    std::vector<double> x = uneven_grid(17.0, 0.02, 200, 3);
    std::vector<double> falling = x;
    std::swap(falling[120], falling[121]);
    Fixture f;
    load_active_sets(f.s(), {{x, noise(200, 1)}, {falling, noise(200, 2)}});
    give_slopes(f.s(), 5);
    const MatchIndex index(f.s(), 2);
    EXPECT_FALSE(index.looks_up(1, 2));
    EXPECT_FALSE(index.looks_up(2, 1));
    EXPECT_TRUE(index.looks_up(1, 1));
    expect_look_up_as_walk(f.s());
}

TEST(LookUpFallsBack, ToTheWalkForASetThatCrowdsItsPointsIntoOneBucket) {
    const std::vector<double> x = uneven_grid(17.0, 0.02, 200, 3);
    std::vector<double> crowded = x;
    std::fill(crowded.begin() + 50, crowded.begin() + 50 + kMaxBucketKeys + 1, crowded[50]);
    Fixture f;
    load_active_sets(f.s(), {{x, noise(200, 1)}, {crowded, noise(200, 2)}});
    give_slopes(f.s(), 6);
    const MatchIndex index(f.s(), 2);
    EXPECT_FALSE(index.looks_up(1, 2)) << "compared: its points are walked to";
    EXPECT_TRUE(index.looks_up(2, 1)) << "as the reference its positions are only looked up";
    expect_look_up_as_walk(f.s());
}

TEST(LookUpFallsBack, ToTheWalkForASetWithAPositionThatIsNotANumber) {
    const std::vector<double> x = uneven_grid(17.0, 0.02, 100, 3);
    Fixture f;
    load_active_sets(f.s(), {{x, noise(100, 1)}, {x, noise(100, 2)}});
    give_slopes(f.s(), 7);
    f.s().active_points[f.s().active_start[2] + 40].position =
        std::numeric_limits<double>::quiet_NaN();
    const MatchIndex index(f.s(), 2);
    EXPECT_FALSE(index.looks_up(1, 2));
    EXPECT_FALSE(index.looks_up(2, 1));
    EXPECT_TRUE(index.looks_up(1, 1));
}

TEST(LookUp, FindsTheOnePointOfASetOfOnePointAsTheWalkDoes) {
    Fixture f;
    load_active_sets(f.s(), {{{19.0, 20.0, 20.0, 21.0}, {1.0, 2.0, 3.0, 4.0}}, {{20.0}, {3.0}}});
    give_slopes(f.s(), 8);
    EXPECT_EQ(expect_look_up_as_walk(f.s()), 4);
}

}  // namespace
}  // namespace quillane::testing
