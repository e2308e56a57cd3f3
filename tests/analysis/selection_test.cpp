// SPDX-License-Identifier: MIT
// The active store, the limit search, the position variable, times and
// fringe renumbering.
#include <gtest/gtest.h>

#include <cmath>

#include "ftn_format.h"
#include "options.h"
#include "scanfile.h"
#include "selection.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;

// Appends a data set with the given xi positions and values to the raw store,
// as the reader would.
void add_set(State &s, const std::vector<double> &xi, const std::vector<double> &values,
             double time) {
    const int n = s.data_set_count + 1;
    int32_t p = s.set_point_count[0];
    for (size_t i = 0; i < xi.size(); ++i) {
        ++p;
        s.raw_points[p] = {values[i], std::sqrt(2.0 * xi[i]), 0.0, xi[i]};
        s.raw_point_set[p] = n;
    }
    s.set_point_count[0] = p;
    s.set_point_count[n] = static_cast<int32_t>(xi.size());
    s.set_time[n] = time;
    s.data_set_count = n;
    s.active_sets[n] = n;
    s.active_sets[0] = n;
}

std::vector<double> evenly(double from, double to, int n) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i)
        v.push_back(from + (to - from) * i / (n - 1));
    return v;
}

TEST(LimitSearch, SetInsideTheLimitsKeepsAllItsPoints) {
    Fixture f;
    add_set(f.s(), evenly(17.0, 25.0, 9), std::vector<double>(9, 1.0), 1);
    set_limit_indices(f.s());
    EXPECT_EQ(f.s().lim_lo[1], 1);
    EXPECT_EQ(f.s().lim_hi[1], 9);
}

TEST(LimitSearch, PointsOnTheLimitsAreInside) {
    Fixture f;
    add_set(f.s(), {17.0, 18.0, 19.0, 20.0, 21.0}, std::vector<double>(5, 1.0), 1);
    f.s().xi_low = 18.0;
    f.s().xi_high = 20.0;
    set_limit_indices(f.s());
    EXPECT_EQ(f.s().lim_lo[1], 2);
    EXPECT_EQ(f.s().lim_hi[1], 4);
}

TEST(LimitSearch, SetBelowTheLimitsIsEmptyInXiModeAndKeepsOnePointInRadiusMode) {
    Fixture f;
    add_set(f.s(), {17.0, 17.5}, {1, 1}, 1);
    add_set(f.s(), {17.0, 18.0, 19.0}, {1, 1, 1}, 2);
    f.s().xi_low = 20.0;
    f.s().xi_high = 25.0;
    set_limit_indices(f.s());
    EXPECT_EQ(f.s().lim_lo[2], 6);  // last + 1
    EXPECT_EQ(f.s().lim_hi[2], 5);
    f.s().xi_mode = false;
    f.s().xi_low = 6.4;
    f.s().xi_high = 7.0;
    set_limit_indices(f.s());
    EXPECT_EQ(f.s().lim_lo[2], 5);
    EXPECT_EQ(f.s().lim_hi[2], 5);
    transfer_data(f.s());
    EXPECT_EQ(f.s().active_point_count[2], 1);
}

TEST(LimitSearch, SpanCheckNeedsSpanPlusOnePointsInEverySet) {
    Fixture f;
    add_set(f.s(), evenly(17, 25, 51), std::vector<double>(51, 1.0), 1);
    EXPECT_TRUE(set_limit_indices(f.s()));
    add_set(f.s(), evenly(17, 25, 50), std::vector<double>(50, 1.0), 2);
    EXPECT_FALSE(set_limit_indices(f.s()));
}

TEST(LimitSearch, FullRangeSearchKeepsTheUsersLimits) {
    Fixture f;
    add_set(f.s(), {15.0, 16.0, 20.0, 26.0, 27.0}, std::vector<double>(5, 1.0), 1);
    f.s().xi_low = 19.0;
    f.s().xi_high = 21.0;
    find_smallest_range(f.s());
    EXPECT_EQ(f.s().lim_lo[1], 2);
    EXPECT_EQ(f.s().lim_hi[1], 4);
    EXPECT_EQ(f.s().xi_low, 19.0);
    EXPECT_EQ(f.s().xi_high, 21.0);
}

TEST(LimitSearch, RadiusModeUsesTheSinglePrecisionDefaultRange) {
    Fixture f;
    // 5.6 and 7.4 lie just outside their single-precision bounds on opposite sides.
    add_set(f.s(), {5.6 * 5.6 / 2, 6.0 * 6.0 / 2, 7.4 * 7.4 / 2}, {1, 1, 1}, 1);
    f.s().raw_points[1].radius = 5.6;
    f.s().raw_points[3].radius = 7.4;
    f.s().xi_mode = false;
    find_smallest_range(f.s());
    EXPECT_EQ(f.s().lim_lo[1], 1);  // 5.6 > 5.599999904632568
    EXPECT_EQ(f.s().lim_hi[1], 3);  // 7.4 < 7.400000095367432
}

TEST(TransferData, TakesTheSetsInTableOrderCutToTheLimits) {
    Fixture f;
    add_set(f.s(), evenly(17, 23, 7), {1, 2, 3, 4, 5, 6, 7}, 100);
    add_set(f.s(), evenly(17, 23, 7), std::vector<double>(7, 0), 200);
    add_set(f.s(), evenly(17, 21, 5), {10, 11, 12, 13, 14}, 300);
    set_limit_indices(f.s());
    const int32_t table[50] = {3, 1};
    set_redirection(f.s(), table, 2);
    transfer_data(f.s());
    const State &s = f.s();
    EXPECT_EQ(s.active_start[1], 1);
    EXPECT_EQ(s.active_end[1], 5);
    EXPECT_EQ(s.active_start[2], 6);
    EXPECT_EQ(s.active_end[2], 12);
    EXPECT_EQ(s.active_point_count[0], 12);
    EXPECT_EQ(s.active_time[1], 300.0);
    EXPECT_EQ(s.active_points[1].value, 10.0);
    EXPECT_EQ(s.active_points[6].value, 1.0);
    EXPECT_EQ(s.active_point_set[12], 2);
    EXPECT_EQ(s.active_points[3].position, 19.0);
    EXPECT_EQ(s.active_points[3].weight, 1.0);
    EXPECT_EQ(s.active_points[3].work, 0.0);
}

TEST(TransferData, LogsTheSelectionAndLimitsAndInvalidatesSlopes) {
    Fixture f;
    add_set(f.s(), evenly(17, 23, 7), std::vector<double>(7, 1), 1);
    set_limit_indices(f.s());
    f.s().deriv_valid[0] = 1;
    transfer_data(f.s());
    const auto lines = f.out_lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(ftn::FreeLine() << " Number of Selected Data sets is:" << 1));
    EXPECT_EQ(lines[1], std::string(ftn::FreeLine() << " Using" << 16.0 << " cm^2 as XI(low) "));
    EXPECT_EQ(lines[2], std::string(ftn::FreeLine() << " Using" << 26.0 << " cm^2 as XI(high) "));
    EXPECT_EQ(f.box.trimmed(), (std::vector<std::string>{std::string(ftn::trim_right(lines[0])),
                                                         std::string(ftn::trim_right(lines[1])),
                                                         std::string(ftn::trim_right(lines[2]))}));
    EXPECT_EQ(f.s().deriv_valid[0], 0);
}

TEST(TransferData, WithNoActiveSetTheStoreIsEmptyAndTheLinesStillAppear) {
    Fixture f;
    add_set(f.s(), evenly(17, 23, 7), std::vector<double>(7, 1), 1);
    f.s().active_sets[0] = 0;
    transfer_data(f.s());
    EXPECT_EQ(f.s().active_point_count[0], 0);
    EXPECT_EQ(f.out_lines().size(), 3u);
}

TEST(TransferData, TogglingThePositionVariableChangesOnlyThePositions) {
    Fixture f;
    add_set(f.s(), evenly(17, 23, 7), {1, 2, 3, 4, 5, 6, 7}, 1);
    set_limit_indices(f.s());
    transfer_data(f.s());
    const auto before = f.s().active_points;
    f.s().xi_mode = false;
    transfer_data(f.s());
    for (int m = 1; m <= 7; ++m) {
        EXPECT_EQ(f.s().active_points[m].value, before[m].value);
        EXPECT_DOUBLE_EQ(f.s().active_points[m].position, std::sqrt(2.0 * before[m].position));
    }
    EXPECT_NE(f.out_lines().back().find(" cm as XI(high) "), std::string::npos);
}

TEST(TransferData, NeverReadsOutsideASetEvenWithStaleIndicesOrDuplicateSets) {
    Fixture f;
    add_set(f.s(), evenly(17, 23, 7), std::vector<double>(7, 1), 1);
    // Before any limit search the indices are zero.
    transfer_data(f.s());
    EXPECT_EQ(f.s().active_point_count[0], 0);
    // A table that names a set outside 1..50 contributes nothing.
    set_limit_indices(f.s());
    const int32_t table[50] = {1, 99, -3, 1};
    set_redirection(f.s(), table, 4);
    transfer_data(f.s());
    EXPECT_EQ(f.s().active_point_count[2], 0);
    EXPECT_EQ(f.s().active_point_count[4], 7);
    EXPECT_EQ(f.s().active_point_count[0], 14);
}

TEST(PositionVariable, ZeroChoosesRadiusAndLogsWithoutTouchingTheLimits) {
    Fixture f;
    set_position_variable(f.s(), 0.0);
    EXPECT_FALSE(f.s().xi_mode);
    EXPECT_EQ(f.s().xi_low, 16.0);
    const auto lines = f.out_lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], " Now in Radius mode (using R) for position variable");
    EXPECT_EQ(f.box.trimmed(), (std::vector<std::string>{"", lines[1], ""}));
    EXPECT_EQ(f.box.lines[0].substr(0, 2), "  ");
    set_position_variable(f.s(), std::nan(""));
    EXPECT_TRUE(f.s().xi_mode);
    EXPECT_EQ(f.out_lines()[4], " Now in XI mode (using R^2/2) for position variable");
}

TEST(Times, SetTimesLogsEachActiveSetAndLeavesInactiveSetsAlone) {
    Fixture f;
    for (int k = 1; k <= 5; ++k)
        add_set(f.s(), evenly(17, 23, 7), std::vector<double>(7, 1), k * 10.0);
    set_limit_indices(f.s());
    const int32_t table[50] = {2, 4, 5};
    set_redirection(f.s(), table, 3);
    transfer_data(f.s());
    f.new_out_lines();
    double times[50] = {3600.0, 2.5, 0.0};
    for (int k = 3; k < 50; ++k)
        times[k] = f.s().active_time[k + 1];
    set_times(f.s(), times);
    const auto lines = f.new_out_lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "  ");
    EXPECT_EQ(lines[1], "  Setting New Times for Active Data Sets ");
    EXPECT_EQ(lines[2], " DS:  1 Old Value:    20.0000     , New Value:    3600.00    ");
    EXPECT_EQ(lines[3], " DS:  2 Old Value:    40.0000     , New Value:    2.50000    ");
    EXPECT_EQ(lines[4], " DS:  3 Old Value:    50.0000     , New Value:    0.00000    ");
    EXPECT_EQ(lines[5], "  ");
    EXPECT_EQ(f.s().set_time[2], 3600.0);
    EXPECT_EQ(f.s().set_time[1], 10.0);
    EXPECT_EQ(f.s().set_time[3], 30.0);
    double back[50];
    get_times(f.s(), back);
    EXPECT_EQ(back[0], 3600.0);
    EXPECT_EQ(back[1], 2.5);
    // The new times survive a rebuild of the active store.
    transfer_data(f.s());
    EXPECT_EQ(f.s().active_time[1], 3600.0);
}

TEST(Renumbering, RemovesWholeFringeJumps) {
    Fixture f;
    add_set(f.s(), {17, 18, 19}, {3.9, 4.1, 4.3}, 1);
    add_set(f.s(), {17, 18}, {0.2, 0.8}, 2);
    add_set(f.s(), {17, 18}, {0.2, 0.7}, 3);
    add_set(f.s(), {17}, {-1.25}, 4);
    renumber_fringes(f.s());
    const auto &p = f.s().raw_points;
    EXPECT_NEAR(p[1].value, 0.9, 1e-12);
    EXPECT_NEAR(p[2].value, 1.1, 1e-12);
    EXPECT_NEAR(p[3].value, 1.3, 1e-12);
    EXPECT_NEAR(p[5].value, -0.2, 1e-12);
    EXPECT_NEAR(p[7].value, 0.7, 1e-12);  // a step of exactly 0.5 stays
    EXPECT_NEAR(p[8].value, 0.75, 1e-12);
    EXPECT_EQ(f.out_lines(), (std::vector<std::string>{"  Renumbering fringes"}));
}

TEST(Renumbering, RestoresAContinuousProfileFromWrappedFringesAndIsIdempotent) {
    Fixture f;
    std::vector<double> xi, wrapped, truth;
    for (int i = 0; i < 400; ++i) {
        const double x = 17.0 + 0.02 * i;
        const double fringes = 0.3 + 5.0 * std::exp(0.4 * (x - 17.0)) / std::exp(0.4 * 8.0);
        xi.push_back(x);
        truth.push_back(fringes);
        wrapped.push_back(fringes - std::floor(fringes) + 7.0);
    }
    add_set(f.s(), xi, wrapped, 1);
    add_set(f.s(), {}, {}, 2);  // an empty set is skipped
    renumber_fringes(f.s());
    const double shift = truth[0] - f.s().raw_points[1].value;
    for (int i = 0; i < 400; ++i)
        ASSERT_NEAR(f.s().raw_points[i + 1].value + shift, truth[i], 1e-9) << i;
    const auto once = f.s().raw_points;
    renumber_fringes(f.s());
    for (int i = 1; i <= 400; ++i)
        ASSERT_NEAR(f.s().raw_points[i].value, once[i].value, 1e-9);
}

}  // namespace
}  // namespace quillane
