// SPDX-License-Identifier: MIT
// Result graphs and slope plots of a fitted data set: the graphs carry the
// fit's results, checked against values known by construction.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "data_plots.h"
#include "fit_match.h"
#include "fit_test_support.h"
#include "plot_test_support.h"
#include "result_graphs.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;
using testing::take_plot;

// Plot files hold six significant digits: half a unit of the sixth digit,
// relative, with an absolute floor for values that should be 0 and come
// out of the fit as rounding noise.
constexpr double kSixDigits = 5e-6;
constexpr double kRoundingNoise = 1e-9;

::testing::AssertionResult shown_as(double shown, double expected) {
    const double tolerance = kSixDigits * std::fabs(expected) + kRoundingNoise;
    if (std::fabs(shown - expected) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "shown " << shown << ", expected " << expected << ", error " << shown - expected
           << " (tolerance " << tolerance << ")";
}

// A quadratic curve: the local cubic slopes are exact for it, and on a
// shared grid every compared point lies on a reference point, so the
// differences between sets are known exactly.
double curve(double x) {
    return 0.2 + 0.05 * (x - 18.0) + 0.03 * (x - 18.0) * (x - 18.0);
}
constexpr double kOffsets[] = {0.0, 0.01, 0.03, -0.02};  // y-offsets of sets 1..4
constexpr double kShift = 0.05;                          // set 4 is also moved along x
constexpr int kPoints = 60;

class FittedGraph : public ::testing::Test {
  protected:
    Fixture f;
    std::string plot_file;
    std::vector<double> grid;

    void SetUp() override {
        plot_file = f.dir.file("plot.dat");
        f.s().plot_file_name = plot_file;
        f.s().differ_span = 10;
        grid = testing::uneven_grid(18.0, 0.05, kPoints, 7);
        std::vector<testing::SetPoints> sets;
        for (int k = 1; k <= 4; ++k) {
            const double shift = k == 4 ? kShift : 0.0;
            sets.push_back({grid, testing::values_at(grid, [&](double x) {
                                return curve(x - shift) + kOffsets[k - 1];
                            })});
        }
        testing::load_active_sets(f.s(), sets);
        fit_all(f.s(), 2);
        f.s().result_choice = {false, true, true, true};
    }
    // Exact difference of compared set j from reference set 2 at position x.
    static double difference(int j, double x) {
        const double shift = j == 4 ? kShift : 0.0;
        return curve(x - shift) + kOffsets[j - 1] - curve(x) - kOffsets[1];
    }
    void plot_list(std::initializer_list<int32_t> sets) {
        f.s().plot_list[0] = static_cast<int32_t>(sets.size());
        int i = 1;
        for (int32_t v : sets)
            f.s().plot_list[i++] = v;
    }
};

TEST_F(FittedGraph, RmsAgainstTimeShowsTheConstantOffsetsOfTheSets) {
    plot_result_graphs(f.s(), 1, 2);
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 19);
    // Series 1 (no offsets): a constant difference d gives sqrt(N d^2 / (N - 1)).
    const double scale = std::sqrt(kPoints / (kPoints - 1.0));
    EXPECT_TRUE(shown_as(d.points[0].y, std::fabs(kOffsets[0] - kOffsets[1]) * scale));
    EXPECT_TRUE(shown_as(d.points[1].y, std::fabs(kOffsets[2] - kOffsets[1]) * scale));
    // Series 2 (y-offset): nothing is left for sets 1 and 3.
    EXPECT_TRUE(shown_as(d.points[3].y, 0.0));
    EXPECT_TRUE(shown_as(d.points[4].y, 0.0));
    // Series 3 (both offsets) also fits the moved set 4.
    EXPECT_TRUE(shown_as(d.points[8].y, 0.0));
    EXPECT_EQ(d.points[2].x, 400.0f);  // set 4's time
}

TEST_F(FittedGraph, VariancesAgainstTimeWithLogarithmsKeepZerosAtZero) {
    f.s().result_choice = {true, true, false, false};
    plot_result_graphs(f.s(), 2, 2);
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 3 + 3 + 1);
    const double rss = kPoints * (kOffsets[0] - kOffsets[1]) * (kOffsets[0] - kOffsets[1]);
    EXPECT_TRUE(shown_as(d.points[0].y, std::log(rss)));
    EXPECT_EQ(d.y_label, "Ln( Variance )");
}

TEST_F(FittedGraph, PositionOffsetsShowTheShiftOfTheMovedSet) {
    plot_result_graphs(f.s(), 5, 2);
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 3 + 3 + 1);
    EXPECT_TRUE(shown_as(d.points[0].y, 0.0));
    EXPECT_TRUE(
        shown_as(d.points[2].y, -kShift));  // the curve moved by +kShift matches back by -kShift
}

TEST_F(FittedGraph, DeviationsAgainstPositionAreTheKeptDifferencesAtEveryReferencePoint) {
    f.s().result_choice = {false, true, false, false};
    plot_list({1, 4});
    plot_result_graphs(f.s(), 3, 2);
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 2 * 2 * kPoints + 2 + 1);
    for (int m = 0; m < kPoints; ++m) {
        EXPECT_TRUE(shown_as(d.points[m].x, grid[m])) << m;
        EXPECT_TRUE(shown_as(d.points[m].y, difference(1, grid[m]))) << m;
        EXPECT_TRUE(shown_as(d.points[kPoints + m].y, difference(4, grid[m]))) << m;
    }
}

TEST_F(FittedGraph, DeviationsWithLogarithmsAreLogsOfTheirSize) {
    f.s().result_choice = {true, true, false, false};
    plot_list({3});
    plot_result_graphs(f.s(), 3, 2);
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 2 * kPoints + 1);  // no zero line with logarithms
    EXPECT_TRUE(shown_as(d.points[0].y, std::log(std::fabs(difference(3, grid[0])))));
}

TEST_F(FittedGraph, DeviationsAtAPositionBeyondTheReferenceSetUseItsLastPoint) {
    f.s().result_choice = {false, true, false, false};
    f.s().xs_to_plot[1] = 99.0;
    f.s().xs_to_plot[2] = grid[10] - 1e-6;  // the first point at or above is point 11
    f.s().xs_to_plot_count = 2;
    plot_result_graphs(f.s(), 4, 0);
    EXPECT_EQ(f.s().xs_to_plot[1], grid[10] - 1e-6);  // sorted
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 2 * 2 * 3 + 1);
    // Series 1 is the sorted first position: point 11; series 2 the last point.
    EXPECT_TRUE(shown_as(d.points[2].y, difference(4, grid[10])));
    EXPECT_TRUE(shown_as(d.points[5].y, difference(4, grid[kPoints - 1])));
    EXPECT_EQ(d.points[5].x, 400.0f);
}

TEST_F(FittedGraph, ASingleSetSlopePlotIsHeadedWithItsSlopeLabel) {
    generic_plot(f.s(), 2, 3);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.heading2.substr(0, d.heading2.find("  ::  ")), "Data set:  3 Span:  10 Poly: 3");
    ASSERT_EQ(d.count, kPoints + 2);
    for (int m = 0; m < kPoints; m += 7) {
        const double slope = 0.05 + 0.06 * (grid[m] - 18.0);
        EXPECT_TRUE(shown_as(d.points[m].y, slope)) << m;
    }
    const auto lines = f.new_out_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), " Data set:  3 Span:  10 Poly: 3"),
              lines.end());
}

TEST_F(FittedGraph, SlopePlotsOfTheListAreAllowedOnceEverySetReadIsDifferentiated) {
    plot_list({1, 2, 3, 4});
    generic_plot(f.s(), 3, -1);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.count, 4 * kPoints + 2);
    EXPECT_EQ(d.points[4 * kPoints - 1].code, 4);
    EXPECT_EQ(d.points[4 * kPoints].code, -58);
}

}  // namespace
}  // namespace quillane
