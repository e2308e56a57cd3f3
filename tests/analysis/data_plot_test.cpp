// SPDX-License-Identifier: MIT
// Data plots: slope availability, the records and labels of each kind, the
// set list heading, the zero line and what goes to the output file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "data_plots.h"
#include "ftn_format.h"
#include "plot_test_support.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::add_active_set;
using testing::Fixture;
using testing::mark_differentiated;
using testing::take_plot;

// Plot files hold six significant digits: half a unit of the sixth digit.
constexpr double kSixDigits = 5e-6;

double value_at(double x) {
    return 0.5 * x * x - x + 2.0;
}
double slope_at(double x) {
    return x - 1.0;
}

// An uneven grid from lo to hi: points crowd toward lo.
std::vector<double> uneven_grid(double lo, double hi, int n) {
    std::vector<double> xs;
    for (int m = 0; m < n; ++m)
        xs.push_back(lo + (hi - lo) * std::pow(m / double(n - 1), 1.3));
    return xs;
}

class DataPlot : public testing::PlotTest {
  protected:
    void SetUp() override {
        add_active_set(f.s(), uneven_grid(1.1, 4.3, 7), value_at, slope_at);
        add_active_set(f.s(), uneven_grid(1.2, 4.0, 5), value_at, slope_at);
        add_active_set(f.s(), uneven_grid(1.5, 3.0, 4), value_at, slope_at);
    }
    void plot_list(std::initializer_list<int32_t> sets) {
        f.s().plot_list[0] = static_cast<int32_t>(sets.size());
        int i = 1;
        for (int32_t v : sets)
            f.s().plot_list[i++] = v;
    }
    bool plot_written() const { return std::filesystem::exists(plot_file); }
};

TEST_F(DataPlot, ASlopePlotBeforeTheSlopesAreKnownIsRefusedWithALine) {
    generic_plot(f.s(), 2, 1);
    EXPECT_FALSE(plot_written());
    EXPECT_EQ(f.box.trimmed(), std::vector<std::string>{"  No derivatives are available !"});
    EXPECT_EQ(f.s().plot.plot_set, 1);
    EXPECT_EQ(f.s().plot.plot_kind, 2);
    EXPECT_EQ(f.s().plot.axes, PlotAxes::none);
}

TEST_F(DataPlot, SlopePlotsOfTheListNeedEveryActiveSetDifferentiatedNotEverySetRead) {
    f.s().data_set_count = 4;  // four read, three active and differentiated
    mark_differentiated(f.s(), 3);
    plot_list({1, 2});
    generic_plot(f.s(), 3, -1);
    ASSERT_TRUE(plot_written());
    EXPECT_EQ(take_plot(plot_file).y_label, "Gradient, dC/dX");

    // A rebuilt store has no slopes until the next fit.
    f.s().deriv_valid[0] = 0;
    generic_plot(f.s(), 3, -1);
    EXPECT_FALSE(plot_written());
    EXPECT_EQ(f.box.trimmed().back(), "  No derivatives are available !");
}

TEST_F(DataPlot, SlopePlotsOfTheListAreRefusedWhileSomeActiveSetLacksSlopes) {
    f.s().data_set_count = 3;
    mark_differentiated(f.s(), 2);  // the third active set was never differentiated
    plot_list({1, 2});
    generic_plot(f.s(), 2, -1);
    EXPECT_FALSE(plot_written());
    EXPECT_EQ(f.box.trimmed().back(), "  No derivatives are available !");
}

TEST_F(DataPlot, ASingleDifferentiatedSetMayBePlottedWhateverTheCountSays) {
    f.s().deriv_valid[1] = 1;
    f.s().deriv_valid[2] = 2;
    f.s().deriv_valid[0] = 2;
    f.s().data_set_count = 5;
    generic_plot(f.s(), 2, 2);
    ASSERT_TRUE(plot_written());
    const auto data = take_plot(plot_file);
    EXPECT_EQ(data.count, 5 + 2);
}

TEST_F(DataPlot, ValuesAgainstPositionNeedNoSlopesAndUseCodeOneForOneSet) {
    generic_plot(f.s(), 1, 2);
    ASSERT_TRUE(plot_written());
    const auto data = take_plot(plot_file);
    EXPECT_EQ(data.x_label, "XI = R^2/2 (cm^2)");
    EXPECT_EQ(data.y_label, "Concentration");
    EXPECT_EQ(data.heading, "Outfile: " + f.out_file + " for Fits with:");
    ASSERT_EQ(data.count, 5);
    const auto xs = uneven_grid(1.2, 4.0, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(data.points[i].x, xs[i], kSixDigits * xs[i]) << i;
        EXPECT_NEAR(data.points[i].y, value_at(xs[i]), kSixDigits * value_at(xs[i])) << i;
        EXPECT_EQ(data.points[i].code, 1);
    }
    EXPECT_TRUE(data.marked_for_deletion());
}

TEST_F(DataPlot, APlotOfTheListCodesEachPointWithItsSetAndNamesTheSets) {
    plot_list({1, 3});
    f.s().xi_mode = false;
    generic_plot(f.s(), 1, -1);
    const auto data = take_plot(plot_file);
    EXPECT_EQ(data.x_label, "Radius, R (cm)");
    EXPECT_EQ(data.heading2.substr(0, 15), "Data sets: 1, 3");
    ASSERT_EQ(data.count, 7 + 4);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(data.points[i].code, 1);
    for (int i = 7; i < 11; ++i)
        EXPECT_EQ(data.points[i].code, 3);
}

TEST_F(DataPlot, SlopePlotsEndWithAZeroLineOverTheRoundedRange) {
    mark_differentiated(f.s(), 3);
    generic_plot(f.s(), 2, 1);
    const auto data = take_plot(plot_file);
    EXPECT_EQ(data.y_label, "Gradient, dC/dX");
    ASSERT_EQ(data.count, 7 + 2);
    EXPECT_NEAR(data.points[0].y, slope_at(1.1), kSixDigits * slope_at(1.1));
    EXPECT_EQ(data.points[7].x, 1.0f);
    EXPECT_EQ(data.points[7].y, 0.0f);
    EXPECT_EQ(data.points[7].code, -58);
    EXPECT_EQ(data.points[8].x, 4.5f);
    EXPECT_EQ(data.points[8].code, -57);
}

TEST_F(DataPlot, SlopeAgainstValuePutsTheValueOnTheXAxis) {
    mark_differentiated(f.s(), 3);
    generic_plot(f.s(), 3, 3);
    const auto data = take_plot(plot_file);
    EXPECT_EQ(data.x_label, "Concentration, C");
    EXPECT_EQ(data.y_label, "Gradient, dC/dX");
    const auto xs = uneven_grid(1.5, 3.0, 4);
    EXPECT_NEAR(data.points[0].x, value_at(xs[0]), kSixDigits * value_at(xs[0]));
    EXPECT_NEAR(data.points[0].y, slope_at(xs[0]), kSixDigits * slope_at(xs[0]));
    EXPECT_EQ(data.count, 4 + 2);
}

TEST_F(DataPlot, AnUnknownKindKeepsTheAxesOfThePlotBeforeOrIsRefusedBeforeAny) {
    mark_differentiated(f.s(), 3);
    generic_plot(f.s(), 7, 1);
    EXPECT_FALSE(plot_written());
    EXPECT_EQ(f.box.trimmed().back(), "  There is no data plot of kind           7");
    generic_plot(f.s(), 2, 1);
    take_plot(plot_file);
    generic_plot(f.s(), 7, 2);
    const auto data = take_plot(plot_file);
    EXPECT_EQ(data.y_label, "Gradient, dC/dX");
}

TEST_F(DataPlot, FewerThanTwoPointsGiveNoPlotFile) {
    plot_list({});
    generic_plot(f.s(), 1, -1);
    EXPECT_FALSE(plot_written());
    generic_plot(f.s(), 1, 9);
    EXPECT_FALSE(plot_written());
}

TEST_F(DataPlot, PlotsMarkedForDeletionLogOnlyTheFirstHeading) {
    generic_plot(f.s(), 1, 1);
    EXPECT_EQ(f.new_out_lines(),
              std::vector<std::string>{" Outfile: " + f.out_file + " for Fits with:"});
}

TEST_F(DataPlot, KeptPlotsLogATimeStampAndBothHeadings) {
    f.s().delete_plot_files = false;
    plot_list({2, 3});
    plot_list_values(f.s());
    const auto lines = f.new_out_lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1].size(), 27u);
    EXPECT_EQ(lines[1].substr(12, 4), " On ");
    EXPECT_EQ(lines[2], " Outfile: " + f.out_file + " for Fits with:");
    EXPECT_EQ(lines[3], " Data sets: 2, 3");
    const auto data = take_plot(plot_file);
    EXPECT_FALSE(data.marked_for_deletion());
    EXPECT_EQ(data.count, 9);
}

TEST(FormatSetList, JoinsSetNumbersInTwoColumnsWithCommas) {
    SetTable<int32_t> list{};
    list[0] = 3;
    list[1] = 1;
    list[2] = 2;
    list[3] = 10;
    const std::string text = format_set_list(list);
    EXPECT_EQ(text.size(), 80u);
    EXPECT_EQ(std::string(ftn::trim_right(text)), "Data sets: 1, 2,10");
}

TEST(FormatSetList, AnEmptyListLosesTheColon) {
    SetTable<int32_t> list{};
    EXPECT_EQ(std::string(ftn::trim_right(format_set_list(list))), "Data sets");
}

TEST(FormatSetList, ThirtySetsShowTheFirstTwentyTwo) {
    SetTable<int32_t> list{};
    list[0] = 30;
    std::string expected = "Data sets:";
    for (int j = 1; j <= 30; ++j)
        list[j] = j;
    for (int j = 1; j <= 22; ++j)
        expected += ftn::int_field(j, 2) + (j < 22 ? "," : "");
    EXPECT_EQ(std::string(ftn::trim_right(format_set_list(list))), expected);
    EXPECT_EQ(expected.size(), 75u);
}

TEST(ListContains, LooksOnlyAtTheCountedEntries) {
    SetTable<int32_t> list{};
    list[0] = 2;
    list[1] = 4;
    list[2] = 9;
    list[3] = 5;
    EXPECT_TRUE(list_contains(list, 9));
    EXPECT_FALSE(list_contains(list, 5));
    list[0] = 99;  // a count beyond the table is clamped
    EXPECT_TRUE(list_contains(list, 5));
}

TEST(AppendZeroLine, NeedsRoomForMoreThanTwoRecords) {
    PlotState p;
    p.plot_points.resize(kPlotBufferCapacity - 2);
    append_zero_line(p, 1.0, 2.0);
    EXPECT_EQ(p.plot_points.size(), static_cast<size_t>(kPlotBufferCapacity - 2));
    p.plot_points.resize(kPlotBufferCapacity - 3);
    append_zero_line(p, 1.0, 2.0);
    ASSERT_EQ(p.plot_points.size(), static_cast<size_t>(kPlotBufferCapacity - 1));
    EXPECT_EQ(p.plot_points[kPlotBufferCapacity - 3].code, kCodeLineStart);
    EXPECT_EQ(p.plot_points[kPlotBufferCapacity - 2].code, kCodeLineContinue);
    EXPECT_EQ(p.plot_points[kPlotBufferCapacity - 2].x, 2.0f);
}

TEST(TimeStampText, GivesHundredthsAndTheDateForTheFileAndTheListBox) {
    std::tm t{};
    t.tm_hour = 13;
    t.tm_min = 7;
    t.tm_sec = 9;
    t.tm_mon = 11;
    t.tm_mday = 3;
    t.tm_year = 124;
    EXPECT_EQ(time_stamp_text(t, 5, StampTarget::file), " 13:07:09.05 On 12/03/2024 ");
    EXPECT_EQ(time_stamp_text(t, 5, StampTarget::list_box), " 13:07:09.05 On 12/03/2024");
}

}  // namespace
}  // namespace quillane
