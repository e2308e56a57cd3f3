// SPDX-License-Identifier: MIT
// Noise of a scan from the residuals of its local polynomial windows, and
// how estimates are pooled and combined for a difference of two scans.
#include <cmath>

#include "fit_test_support.h"
#include "noise.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// A smooth profile like a sedimentation-equilibrium scan over xi.
double profile(double x) {
    return 0.07 * std::exp(0.4 * (x - 17.7));
}

// The window work arrays filled with a profile plus uniform noise of
// half-width `amplitude` (variance amplitude^2 / 3).
SlopeWork scan(int n, double amplitude, unsigned seed) {
    SlopeWork work;
    work.size_for(n);
    const std::vector<double> x = uneven_grid(17.9, 7.5 / n, n, seed);
    const std::vector<double> r = noise(n, seed + 100);
    for (int m = 1; m <= n; ++m) {
        work.x[m] = x[m - 1];
        work.y[m] = profile(x[m - 1]) + amplitude * r[m - 1];
        work.w[m] = 1.0;
    }
    return work;
}

TEST(ScanNoise, IsUnknownWhenNoWindowLeavesAResidualDegreeOfFreedom) {
    SlopeWork work = scan(40, 0.005, 1);
    EXPECT_FALSE(window_noise(work, 40, 50, 3).known()) << "shorter than one window";
    EXPECT_FALSE(window_noise(work, 40, 4, 3).known()) << "a cubic through four points";
    EXPECT_FALSE(window_noise(work, 0, 10, 3).known());
}

TEST(ScanNoise, OfAnExactCubicIsZeroWithTheDegreesOfFreedomOfDisjointWindows) {
    SlopeWork work = scan(420, 0.0, 1);
    for (int m = 1; m <= 420; ++m)
        work.y[m] = 1.0 - 0.2 * work.x[m] + 0.01 * std::pow(work.x[m] - 20.0, 3);
    const NoiseEstimate e = window_noise(work, 420, 50, 3);
    EXPECT_LT(e.variance, 1e-24);
    EXPECT_EQ(e.windows, 371);
    EXPECT_EQ(e.dof, 420 * 46 / 50);  // 386.4, rounded down
}

class ScanNoiseSeed : public ::testing::TestWithParam<unsigned> {};

// 2,000 points leave about 1,800 degrees of freedom: the variance of
// uniform noise is then estimated to about 2.5 % (one standard error), so
// 10 % is four of them.
constexpr double kVarianceTolerance = 0.10;

TEST_P(ScanNoiseSeed, RecoversTheVarianceOfTheNoiseAddedToASmoothProfile) {
    const unsigned seed = GetParam();
    SCOPED_TRACE("seed " + std::to_string(seed));
    const double amplitude = 0.005 * std::sqrt(3.0);  // standard deviation 0.005
    SlopeWork work = scan(2000, amplitude, seed);
    const NoiseEstimate e = window_noise(work, 2000, 50, 3);
    EXPECT_TRUE(close_to(e.variance / (0.005 * 0.005), 1.0, kVarianceTolerance));
    EXPECT_EQ(e.dof, 2000 * 46 / 50);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ScanNoiseSeed, ::testing::Values(1u, 2u, 3u, 4u));

TEST(ScanNoise, EachActiveSetGetsItsOwnWithTheStatesSpanAndDegree) {
    Fixture f;
    f.s().differ_span = 20;
    f.s().differ_terms = 2;
    const std::vector<double> x = uneven_grid(18.0, 0.02, 60, 5);
    const std::vector<double> r = noise(60, 6);
    std::vector<double> noisy = values_at(x, profile);
    for (size_t m = 0; m < noisy.size(); ++m)
        noisy[m] += 0.01 * r[m];
    const std::vector<double> short_x(x.begin(), x.begin() + 15);
    load_active_sets(
        f.s(), {{x, values_at(x, profile)}, {x, noisy}, {short_x, values_at(short_x, profile)}});
    const auto noise_of = active_set_noise(f.s());
    EXPECT_EQ(noise_of[1].dof, 60 * 17 / 20);
    EXPECT_LT(noise_of[1].variance, 1e-9) << "a quadratic follows the smooth profile closely";
    EXPECT_GT(noise_of[2].variance, 1e-5);
    EXPECT_FALSE(noise_of[3].known()) << "15 points, span 20";
}

TEST(NoiseCombination, PoolingWeightsByDegreesOfFreedomAndSkipsUnknownEstimates) {
    const NoiseEstimate e[] = {{1.0, 100, 1}, {4.0, 300, 1}, {100.0, 0, 0}};
    const NoiseEstimate p = pool_noise(e);
    EXPECT_DOUBLE_EQ(p.variance, (100.0 + 1200.0) / 400.0);
    EXPECT_EQ(p.dof, 400);
    EXPECT_FALSE(pool_noise({}).known());
}

TEST(NoiseCombination, ADifferenceAddsVariancesWithSatterthwaitesDegreesOfFreedom) {
    const NoiseEstimate d = difference_noise({2.0, 50, 1}, {2.0, 50, 1});
    EXPECT_DOUBLE_EQ(d.variance, 4.0);
    EXPECT_EQ(d.dof, 100) << "equal estimates: their degrees of freedom add";
    // (1 + 3)^2 / (1/10 + 9/30) = 16 / 0.4 = 40.
    EXPECT_EQ(difference_noise({1.0, 10, 1}, {3.0, 30, 1}).dof, 40);
    EXPECT_FALSE(difference_noise({1.0, 10, 1}, {}).known());
}

}  // namespace
}  // namespace quillane::testing
