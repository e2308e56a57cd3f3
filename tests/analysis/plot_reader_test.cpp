// SPDX-License-Identifier: MIT
// Reading plot files back: every case the writer produces, files that hold
// no data, truncated or damaged files, and more points than a viewer holds.
#include <gtest/gtest.h>

#include <sstream>

#include "plot_file.h"
#include "plot_file_reader.h"

namespace quillane {
namespace {

using plotfile::PlotData;
using plotfile::ReadStatus;

const std::string kStamp = "09:05:03 ON 04/28/1999   ";

// The writer's text for a plot state, read back.
ReadStatus read_back(const PlotState &p, bool marker, PlotData &data,
                     const plotfile::ReadProgress &progress = {}) {
    std::istringstream in(format_plot_file(p, marker, kStamp));
    return plotfile::read_plot_file(in, data, progress);
}

ReadStatus read_text(const std::string &text, PlotData &data) {
    std::istringstream in(text);
    return plotfile::read_plot_file(in, data);
}

PlotState small_plot() {
    PlotState p;
    p.plot_heading = "Outfile: run.txt for Fits with:";
    p.plot_heading2 = "Data sets: 1, 2";
    p.plot_xlabel = "XI = R^2/2 (cm^2)";
    p.plot_ylabel = "Concentration";
    p.plot_points = {{16.5f, 0.25f, 0.0f, 1},
                     {-2.5e7f, 999999.7f, 0.0f, 2},
                     {0.0f, 0.0f, 0.0f, kCodeLineStart},
                     {4.5f, 0.0f, 0.0f, kCodeLineContinue},
                     {1.0f, 0.0f, 0.0f, kCodeHidden}};
    return p;
}

const std::string kHeader5 = " h\r\n h2\r\n x\r\n y\r\n";

TEST(ReadPlotFile, ACountBelowOneMeansNoDataAndNoPoints) {
    PlotData data;
    data.points.resize(3);
    PlotState p = small_plot();
    p.plot_points.clear();
    EXPECT_EQ(read_back(p, true, data), ReadStatus::no_data);
    EXPECT_EQ(data.count, 0);
    EXPECT_TRUE(data.points.empty());
    EXPECT_EQ(read_text(kHeader5 + " -3\r\n", data), ReadStatus::no_data);
    EXPECT_EQ(read_text(kHeader5, data), ReadStatus::no_data);                // no count line
    EXPECT_EQ(read_text(kHeader5 + " many\r\n", data), ReadStatus::no_data);  // not a number
    EXPECT_EQ(read_text("", data), ReadStatus::no_data);
}

TEST(ReadPlotFile, ReadsBackEveryRecordTheWriterWrote) {
    PlotData data;
    const PlotState p = small_plot();
    ASSERT_EQ(read_back(p, false, data), ReadStatus::ok);
    EXPECT_EQ(data.heading, "Outfile: run.txt for Fits with:");
    EXPECT_EQ(data.heading2, "Data sets: 1, 2  ::  09:05:03 ON 04/28/1999");
    EXPECT_EQ(data.stamp, "09:05:03 ON 04/28/1999");
    EXPECT_EQ(data.x_label, "XI = R^2/2 (cm^2)");
    EXPECT_EQ(data.y_label, "Concentration");
    EXPECT_FALSE(data.marked_for_deletion());
    ASSERT_EQ(data.count, 5);
    ASSERT_EQ(data.points.size(), 5u);
    EXPECT_EQ(data.points[0].x, 16.5f);
    EXPECT_EQ(data.points[0].y, 0.25f);
    EXPECT_EQ(data.points[1].x, -2.5e7f);
    EXPECT_EQ(data.points[1].y, 1.0e6f);  // written with six digits
    EXPECT_EQ(data.points[0].code, 1);
    EXPECT_EQ(data.points[1].code, 2);
    EXPECT_EQ(data.points[2].code, -58);
    EXPECT_EQ(data.points[3].code, -57);
    EXPECT_EQ(data.points[4].code, -56);
}

TEST(ReadPlotFile, AnEightyCharacterHeadingWithTheMarkerShowsColumnsTwoToSeventyEight) {
    PlotState p = small_plot();
    p.plot_heading = "";
    for (int i = 0; i < 80; ++i)
        p.plot_heading += static_cast<char>('A' + i % 26);
    PlotData data;
    ASSERT_EQ(read_back(p, true, data), ReadStatus::ok);
    EXPECT_TRUE(data.marked_for_deletion());
    EXPECT_EQ(data.line1.size(), 81u);
    EXPECT_EQ(data.heading, p.plot_heading.substr(0, 77));
}

TEST(ReadPlotFile, AnEmptySecondHeadingShowsTheSeparatorAndTheStamp) {
    PlotState p = small_plot();
    p.plot_heading2 = "";
    PlotData data;
    ASSERT_EQ(read_back(p, true, data), ReadStatus::ok);
    EXPECT_EQ(data.heading2, "  ::  09:05:03 ON 04/28/1999");
}

TEST(ReadPlotFile, ASeventyNineCharacterSecondHeadingLendsItsLastTwoCharactersToTheStamp) {
    PlotState p = small_plot();
    p.plot_heading2 = std::string(77, 'a') + "YZ";
    PlotData data;
    ASSERT_EQ(read_back(p, true, data), ReadStatus::ok);
    EXPECT_EQ(data.stamp, "YZ09:05:03 ON 04/28/1999");
    EXPECT_EQ(data.heading2, std::string(77, 'a') + "Y" + "  ::  " + data.stamp);
}

TEST(ReadPlotFile, ATruncatedFileKeepsThePreviousValuesOfTheMissingPoints) {
    PlotData data;
    data.points.assign(5, plotfile::PlotPoint{7.0f, 8.0f, 9});
    const PlotState p = small_plot();
    std::string text = format_plot_file(p, true, kStamp);
    // Cut after the header and two of the five point records.
    size_t cut = 0;
    for (int line = 0; line < 7; ++line)
        cut = text.find("\r\n", cut) + 2;
    ASSERT_EQ(read_text(text.substr(0, cut), data), ReadStatus::ok);
    ASSERT_EQ(data.count, 5);
    EXPECT_EQ(data.points[1].x, -2.5e7f);
    for (size_t i = 2; i < 5; ++i) {
        EXPECT_EQ(data.points[i].x, 7.0f) << i;
        EXPECT_EQ(data.points[i].y, 8.0f) << i;
        EXPECT_EQ(data.points[i].code, 9) << i;
    }
}

TEST(ReadPlotFile, ARecordThatIsNotNumbersKeepsItsOldValuesAndReadingGoesOn) {
    PlotData data;
    data.points.assign(3, plotfile::PlotPoint{7.0f, 8.0f, 9});
    const std::string text =
        kHeader5 + "  3\r\n  1.0 2.0 0.0 4\r\n  x 2.0 0.0 5\r\n  3.0,4.0,0.0,1.5\r\n";
    ASSERT_EQ(read_text(text, data), ReadStatus::ok);
    EXPECT_EQ(data.points[0].x, 1.0f);
    EXPECT_EQ(data.points[0].code, 4);
    EXPECT_EQ(data.points[1].x, 7.0f);  // "x" is not a number
    EXPECT_EQ(data.points[2].x, 7.0f);  // a code must be an integer
}

TEST(ReadPlotFile, ARecordMaySpreadOverLinesAndCommasSeparateFields) {
    PlotData data;
    const std::string text =
        kHeader5 + "  2\r\n  1.5,\r\n 2.5 0\r\n 3\r\n 4.0D0 5E0 0 -58 extra\r\n";
    ASSERT_EQ(read_text(text, data), ReadStatus::ok);
    EXPECT_EQ(data.points[0].x, 1.5f);
    EXPECT_EQ(data.points[0].y, 2.5f);
    EXPECT_EQ(data.points[0].code, 3);
    EXPECT_EQ(data.points[1].x, 4.0f);
    EXPECT_EQ(data.points[1].y, 5.0f);
    EXPECT_EQ(data.points[1].code, -58);
}

TEST(ReadPlotFile, PointsBeyondTheViewersCapacityAreNotKept) {
    PlotState p = small_plot();
    const size_t n = plotfile::kMaxViewerPoints + 10;
    p.plot_points.assign(n, PlotRecord{1.0f, 2.0f, 0.0f, 3});
    p.plot_points.back() = {5.0f, 6.0f, 0.0f, 4};
    p.plot_points[plotfile::kMaxViewerPoints - 1] = {7.0f, 8.0f, 0.0f, 5};
    PlotData data;
    std::vector<int> progress;
    ASSERT_EQ(read_back(p, false, data, [&](int pct) { progress.push_back(pct); }), ReadStatus::ok);
    ASSERT_EQ(data.count, plotfile::kMaxViewerPoints);
    ASSERT_EQ(data.points.size(), static_cast<size_t>(plotfile::kMaxViewerPoints));
    EXPECT_EQ(data.points.back().x, 7.0f);
    EXPECT_EQ(data.points.back().code, 5);
    EXPECT_EQ(progress, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST(ReadPlotFile, FewerThanFivePointsShowNoProgress) {
    PlotData data;
    int calls = 0;
    PlotState p = small_plot();
    p.plot_points.resize(4);
    ASSERT_EQ(read_back(p, false, data, [&](int) { ++calls; }), ReadStatus::ok);
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace quillane
