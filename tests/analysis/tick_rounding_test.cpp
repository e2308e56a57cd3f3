// SPDX-License-Identifier: MIT
// Axis tick rounding: the worked ranges, the margin and zero rules, and
// inputs the rule has no answer for.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "quillane.h"
#include "tick_rounding.h"

namespace quillane {
namespace {

// The limits are sums of whole tick steps that are powers of ten times 1,
// 2 or 5 (or halves of them); a few ulps cover the rounding of those sums.
constexpr double kLimitTolerance = 1e-9;

struct TickCase {
    double lo, hi;
    double want_lo, want_hi;
    int want_n;
};

::testing::AssertionResult SnapsTo(const TickCase &c) {
    const TickRange r = snap_plot_range(c.lo, c.hi);
    const double scale = std::max(1.0, std::fabs(c.want_hi - c.want_lo));
    if (std::fabs(r.lo - c.want_lo) <= kLimitTolerance * scale &&
        std::fabs(r.hi - c.want_hi) <= kLimitTolerance * scale && r.n_intervals == c.want_n)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << c.lo << ".." << c.hi << " gave " << r.lo << ", " << r.hi << ", " << r.n_intervals
           << "; expected " << c.want_lo << ", " << c.want_hi << ", " << c.want_n << " (errors "
           << r.lo - c.want_lo << ", " << r.hi - c.want_hi << ")";
}

TEST(TickRounding, RangesWithNoAnswerComeBackUnchangedWithOneInterval) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [lo, hi] : {std::pair{1.0, 1.0}, {2.0, 1.0}, {-inf, 1.0}, {0.0, inf}, {-inf, inf}}) {
        const TickRange r = snap_plot_range(lo, hi);
        EXPECT_EQ(r.lo, lo);
        EXPECT_EQ(r.hi, hi);
        EXPECT_EQ(r.n_intervals, 1);
    }
    const TickRange r = snap_plot_range(nan, 1.0);
    EXPECT_TRUE(std::isnan(r.lo));
    EXPECT_EQ(r.hi, 1.0);
    EXPECT_EQ(r.n_intervals, 1);
    const TickRange huge = snap_plot_range(-1.5e308, 1.5e308);  // the width overflows
    EXPECT_EQ(huge.n_intervals, 1);
}

TEST(TickRounding, RangesFarBelowThePrecisionOfTheirLimitsStillReturn) {
    // The step is lost against the size of the limits; the rule must still
    // end and never give limits inside the data.
    for (double base : {1e17, -1e17, 1e300, 3.0e-300}) {
        const double lo = base;
        const double hi = std::nextafter(base, 2 * std::fabs(base) + 1);
        const TickRange r = snap_plot_range(lo, hi);
        EXPECT_LE(r.lo, lo);
        EXPECT_GE(r.hi, hi);
        EXPECT_GE(r.n_intervals, 1);
    }
    const TickRange tiny = snap_plot_range(0.0, 4.9e-324);
    EXPECT_GE(tiny.n_intervals, 1);
}

TEST(TickRounding, WorkedRangesGiveTheirLimitsAndCounts) {
    const TickCase cases[] = {
        {0, 1, 0, 1.25, 5},         {0.1, 0.9, 0, 1.0, 8}, {6.5, 7.2, 6.375, 7.25, 7},
        {-3, 17, -4, 20, 6},        {1, 1000, 0, 1200, 6}, {43.0, 48.3, 42, 49, 7},
        {-14.52, 3.47, -16, 4, 10},
    };
    for (const TickCase &c : cases)
        EXPECT_TRUE(SnapsTo(c));
}

TEST(TickRounding, ARangeAcrossZeroHalvesAndDoublesUntilBothHappened) {
    EXPECT_TRUE(SnapsTo({-7.33, 1.16, -8, 2, 10}));
}

TEST(TickRounding, ALimitWithinAFifthOfAStepMovesOneStepOutward) {
    EXPECT_TRUE(SnapsTo({1.1, 4.3, 1.0, 4.5, 7}));
    EXPECT_TRUE(SnapsTo({1.0001, 4.3, 0.5, 4.5, 8}));
}

TEST(TickRounding, LimitsNeverMoveOntoOrAcrossZero) {
    EXPECT_TRUE(SnapsTo({0, 4.3, 0, 5, 5}));
    EXPECT_TRUE(SnapsTo({-5, -1, -6, -1, 5}));
}

TEST(TickRounding, NarrowRangesFarFromZeroAndSmallRangesFindTheirStep) {
    EXPECT_TRUE(SnapsTo({100, 101, 99.75, 101.25, 6}));
    EXPECT_TRUE(SnapsTo({0.2, 0.5, 0.1, 0.6, 5}));
}

TEST(TickRounding, TheSinglePrecisionEntryRoundsTheSameLimits) {
    float lo = 0.0f, hi = 0.0f;
    int32_t n = 0;
    tick_round_float(6.5f, 7.2f, lo, hi, n);
    EXPECT_EQ(lo, 6.375f);
    EXPECT_EQ(hi, 7.25f);
    EXPECT_EQ(n, 7);
    tick_round_float(3.0f, 3.0f, lo, hi, n);
    EXPECT_EQ(lo, 3.0f);
    EXPECT_EQ(hi, 3.0f);
    EXPECT_EQ(n, 1);
}

TEST(TickRounding, TheLibrarysExportRoundsAndReturnsForAnyInput) {
    void *lib = dlopen(QUILLANE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto *tkrnd2 = reinterpret_cast<decltype(&::tkrnd2)>(dlsym(lib, "tkrnd2"));
    ASSERT_NE(tkrnd2, nullptr);
    float lo = -14.52f, hi = 3.47f, out_lo = 0.0f, out_hi = 0.0f;
    int32_t n = 0;
    tkrnd2(&lo, &hi, &out_lo, &out_hi, &n);
    EXPECT_EQ(out_lo, -16.0f);
    EXPECT_EQ(out_hi, 4.0f);
    EXPECT_EQ(n, 10);
    lo = std::numeric_limits<float>::quiet_NaN();
    tkrnd2(&lo, &hi, &out_lo, &out_hi, &n);
    EXPECT_TRUE(std::isnan(out_lo));
    EXPECT_EQ(out_hi, hi);
    EXPECT_EQ(n, 1);
    dlclose(lib);
}

// Near the ends of the double range a limit moved outward by one step, or
// the count of steps, overflows; the answer must still be finite limits
// around the data (and, under the sanitizers, no infinity may become an
// integer on the way).
TEST(TickRounding, FiniteRangesAtTheEndsOfTheDoubleRangeGiveFiniteLimitsAroundThem) {
    const double big = DBL_MAX;
    const double tiny = std::numeric_limits<double>::denorm_min();
    const std::pair<double, double> ranges[] = {
        {0.0, 1.7e308}, {-1.7e308, 0.0}, {1e308, 1.7e308},
        {-big, -1e308}, {big / 2, big},  {-big / 2, big / 2},
        {0.0, big},     {-big, big},     {DBL_MIN, 2 * DBL_MIN},
        {0.0, tiny},    {-tiny, tiny},   {std::nextafter(big, 0.0), big}};
    for (auto [lo, hi] : ranges) {
        const TickRange r = snap_plot_range(lo, hi);
        EXPECT_TRUE(std::isfinite(r.lo) && std::isfinite(r.hi)) << lo << ".." << hi;
        EXPECT_LE(r.lo, lo) << lo << ".." << hi;
        EXPECT_GE(r.hi, hi) << lo << ".." << hi;
        EXPECT_GE(r.n_intervals, 1) << lo << ".." << hi;
    }
}

TEST(TickRounding, TheSinglePrecisionEntryGivesFiniteLimitsForEveryFiniteRange) {
    const float big = FLT_MAX;
    const std::pair<float, float> ranges[] = {{-3e38f, 3e38f}, {0.0f, big},    {-big, big},
                                              {big / 2, big},  {-big, -1e38f}, {0.0f, 3.3e38f}};
    for (auto [lo, hi] : ranges) {
        float out_lo = 0.0f, out_hi = 0.0f;
        int32_t n = 0;
        tick_round_float(lo, hi, out_lo, out_hi, n);
        EXPECT_TRUE(std::isfinite(out_lo) && std::isfinite(out_hi))
            << lo << ".." << hi << " gave " << out_lo << ".." << out_hi;
        EXPECT_LE(out_lo, lo);
        EXPECT_GE(out_hi, hi);
        EXPECT_GE(n, 1);
    }
}

TEST(TickRounding, EveryRangeEndsWithLimitsAroundTheDataAndAtLeastFiveIntervals) {
    // A sweep over many magnitudes and offsets: the limits enclose the data
    // and the count stays within what the rule can give.
    for (int e = -12; e <= 12; ++e) {
        for (double offset : {-7.3, -1.0, 0.0, 0.37, 5.0, 123.0}) {
            for (double width : {0.11, 0.3, 1.0, 2.9, 7.7}) {
                const double w = width * std::pow(10.0, e);
                const double lo = offset * std::pow(10.0, e);
                const TickRange r = snap_plot_range(lo, lo + w);
                ASSERT_LE(r.lo, lo) << lo << " + " << w;
                ASSERT_GE(r.hi, lo + w) << lo << " + " << w;
                ASSERT_GE(r.n_intervals, 5) << lo << " + " << w;
                ASSERT_LE(r.n_intervals, 12) << lo << " + " << w;
            }
        }
    }
}

}  // namespace
}  // namespace quillane
