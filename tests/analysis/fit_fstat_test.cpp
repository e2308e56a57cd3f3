// SPDX-License-Identifier: MIT
// The critical variance ratio: the normal quantile, both branches of the F
// approximation, and the arguments it refuses.
#include "fit_fstat.h"
#include "fit_test_support.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// The expected values are given to four or five decimals.
constexpr double kFourDecimals = 5e-5;

TEST(FStatArguments, APOfOneHalfOrLessIsRefusedWithItsValue) {
    std::string why;
    EXPECT_EQ(fstat(10, 10, 0.5, &why), 0.0);
    EXPECT_EQ(why, " FSTAT-E P must be > 0.5; P =   0.5000D+00");
    EXPECT_EQ(fstat(10, 10, 0.25, &why), 0.0);
    EXPECT_EQ(why, " FSTAT-E P must be > 0.5; P =   0.2500D+00");
}

TEST(FStatArguments, DegreesOfFreedomBelowOneAreRefusedEachWithItsOwnMessage) {
    std::string why;
    EXPECT_EQ(fstat(0, 10, 0.95, &why), 0.0);
    EXPECT_EQ(why, "  FSTAT-F  n must be greater than zero           0");
    EXPECT_EQ(fstat(10, -3, 0.95, &why), 0.0);
    EXPECT_EQ(why, "  FSTAT-F m must be greater than zero          -3");
}

TEST(FStatArguments, APOfOneOrMoreIsRefusedInsteadOfGivingNaN) {
    std::string why;
    EXPECT_EQ(fstat(10, 10, 1.0, &why), 0.0);
    EXPECT_EQ(why, " FSTAT-E P must be < 1.0; P =   0.1000D+01");
    EXPECT_EQ(fstat(3, 3, 1.5, &why), 0.0);
    EXPECT_FALSE(why.empty());
}

TEST(FStatArguments, ASearchThatCannotReachTheLevelStopsAndSaysSo) {
    // One denominator degree of freedom: z tends to (1 - 2/9)/sqrt(2/9)
    // = 1.65 as F grows, below the deviate 2.33 of P = 0.99.
    std::string why;
    EXPECT_EQ(fstat(1, 1, 0.99, &why), 0.0);
    EXPECT_EQ(why, " FSTAT-E no F value up to  1.000D+10 reaches the confidence level; F set to 0");
}

TEST(FStatArguments, TheStateFormPostsTheMessageToTheListBoxOnly) {
    Fixture f;
    EXPECT_EQ(FSTAT(f.s(), 0, 5, 0.95), 0.0);
    EXPECT_EQ(f.box.trimmed(),
              std::vector<std::string>{"  FSTAT-F  n must be greater than zero           0"});
    EXPECT_TRUE(f.out_lines().empty());
    EXPECT_GT(FSTAT(f.s(), 5, 5, 0.95), 5.0);
    EXPECT_EQ(f.box.lines.size(), 1u) << "a good call posts nothing";
}

TEST(FStatValues, TheNormalQuantileOfNinetyFivePercentIsTheApproximationsValue) {
    EXPECT_TRUE(close_to(normal_quantile(0.95), 1.64521, 5e-6));
}

TEST(FStatValues, BothDegreesOfFreedomFiveOrMoreUseTheDirectFormula) {
    EXPECT_TRUE(close_to(fstat(100, 100, 0.95), 1.3918, kFourDecimals));
    EXPECT_TRUE(close_to(fstat(249, 249, 0.95), 1.2323, kFourDecimals));
    EXPECT_TRUE(close_to(fstat(10, 10, 0.95), 2.9857, kFourDecimals));
    EXPECT_TRUE(close_to(fstat(20, 10, 0.95), 2.7870, kFourDecimals));
    EXPECT_TRUE(close_to(fstat(5, 5, 0.95), 5.1301, kFourDecimals));
}

TEST(FStatValues, FewDegreesOfFreedomSolveTheCubeRootApproximation) {
    const double f = fstat(4, 4, 0.95);
    EXPECT_TRUE(close_to(f, 6.5506, kFourDecimals));
    // The search ends within its tolerance of the root, between the last
    // two doublings (4 and 8).
    EXPECT_GT(f, 4.0);
    EXPECT_LT(f, 8.0);
    EXPECT_TRUE(close_to(paulson_z(f, 4, 4), normal_quantile(0.95), 1e-4));
}

TEST(FStatValues, TheCubeRootDeviateIsZeroAtARatioOfOneForEqualDegrees) {
    EXPECT_TRUE(close_to(paulson_z(1.0, 7.0, 7.0), 0.0, 1e-15));
    EXPECT_GT(paulson_z(2.0, 7.0, 7.0), 0.0);
}

}  // namespace
}  // namespace quillane::testing
