// SPDX-License-Identifier: MIT
// The plot file writer: number layouts, the five header records, series
// codes, the delete marker and the create-as-new rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "plot_file.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;
using testing::read_file;

std::tm stamp_time() {
    std::tm t{};
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    t.tm_mon = 3;
    t.tm_mday = 28;
    t.tm_year = 99;
    return t;
}

const std::string kStamp = "09:05:03 ON 04/28/1999   ";

TEST(PlotNumber, ZeroIsWrittenAsFixedPointWithFiveZeros) {
    EXPECT_EQ(plot_number(0.0f), "   0.00000    ");
}

TEST(PlotNumber, MagnitudesFromATenthToAMillionAreFixedPointWithSixDigits) {
    EXPECT_EQ(plot_number(6.5f), "   6.50000    ");
    EXPECT_EQ(plot_number(1234.5f), "   1234.50    ");
    EXPECT_EQ(plot_number(0.5f), "  0.500000    ");
    EXPECT_EQ(plot_number(-0.5f), " -0.500000    ");
    EXPECT_EQ(plot_number(123456.7f), "   123457.    ");
}

TEST(PlotNumber, OtherMagnitudesAreScientificWithTheLetterE) {
    EXPECT_EQ(plot_number(0.05f), "  5.000000E-02");
    EXPECT_EQ(plot_number(-2.5e7f), " -2.500000E+07");
    EXPECT_EQ(plot_number(1.2345678e-5f), "  1.234570E-05");
}

TEST(PlotNumber, TheFormIsChosenAfterRoundingToSixDigits) {
    EXPECT_EQ(plot_number(999999.7f), "  1.000000E+06");
    EXPECT_EQ(plot_number(0.09999999f), "  0.100000    ");
}

TEST(PlotTimeStamp, IsTwentyFiveCharactersOfTimeDateAndThreeBlanks) {
    EXPECT_EQ(plot_time_stamp(stamp_time()), kStamp);
    EXPECT_EQ(plot_time_stamp(stamp_time()).size(), 25u);
}

TEST(PlotHeadingLine, WithoutTheMarkerIsTheTrimmedHeadingAfterOneBlank) {
    EXPECT_EQ(plot_heading_line("Outfile: a.txt   ", false), " Outfile: a.txt");
    EXPECT_EQ(plot_heading_line("", false), " ");
}

TEST(PlotHeadingLine, WithTheMarkerFillsColumnsTwoToEightyAndPutsTheMarkInEightyOne) {
    const std::string h80 = std::string(79, 'a') + "Z";
    const std::string line = plot_heading_line(h80, true);
    EXPECT_EQ(line, " " + std::string(79, 'a') + "!");  // the 80th character is lost
    EXPECT_EQ(plot_heading_line("Short", true), " Short" + std::string(74, ' ') + "!");
    EXPECT_EQ(plot_heading_line("", true), " " + std::string(79, ' ') + "!");
}

TEST(PlotSecondHeadingLine, IsAlwaysOneHundredAndFiveCharacters) {
    EXPECT_EQ(plot_second_heading_line("", kStamp), " " + std::string(79, ' ') + kStamp);
    const std::string h79(79, 'b');
    EXPECT_EQ(plot_second_heading_line(h79, kStamp), " " + h79 + kStamp);
    EXPECT_EQ(plot_second_heading_line(h79 + "cdef", kStamp), " " + h79 + kStamp);
    EXPECT_EQ(plot_second_heading_line("Data sets: 1", kStamp).size(), 105u);
}

TEST(PlotLabelLine, AnEmptyLabelIsWrittenAsEightyBlanks) {
    EXPECT_EQ(plot_label_line(std::string(80, ' ')), " " + std::string(80, ' '));
    EXPECT_EQ(plot_label_line("Concentration   "), " Concentration");
}

TEST(PlotCountLine, HoldsTheCountInFifteenColumnsAfterOneBlank) {
    EXPECT_EQ(plot_count_line(19), " " + std::string(13, ' ') + "19");
    EXPECT_EQ(plot_count_line(0), " " + std::string(14, ' ') + "0");
}

TEST(PlotRecordLine, WritesTheSeriesCodeAsASignedByte) {
    const PlotRecord start{1.0f, 0.0f, 0.0f, kCodeLineStart};
    const PlotRecord cont{1.0f, 0.0f, 0.0f, kCodeLineContinue};
    const PlotRecord hidden{1.0f, 0.0f, 0.0f, kCodeHidden};
    EXPECT_EQ(plot_record_line(start).substr(47), "  -58");
    EXPECT_EQ(plot_record_line(cont).substr(47), "  -57");
    EXPECT_EQ(plot_record_line(hidden).substr(47), "  -56");
    const std::string line = plot_record_line({6.5f, 0.05f, 0.0f, 12});
    EXPECT_EQ(line, "  " + std::string("   6.50000    ") + " " + "  5.000000E-02" + " " +
                        "   0.00000    " + " " + "   12");
    EXPECT_EQ(line.size(), 52u);
}

TEST(FormatPlotFile, WritesFiveHeaderRecordsAndOneLinePerPointWithCrLf) {
    PlotState p;
    p.plot_heading = "Head";
    p.plot_heading2 = "Second";
    p.plot_xlabel = "X";
    p.plot_ylabel = "";
    p.plot_points = {{1.0f, 2.0f, 0.0f, 1}, {3.0f, 4.0f, 0.0f, 2}};
    const std::string text = format_plot_file(p, false, kStamp);
    const std::string expected = " Head\r\n" + (" Second" + std::string(73, ' ') + kStamp) +
                                 "\r\n" + " X\r\n" + " " + std::string(80, ' ') + "\r\n" +
                                 plot_count_line(2) + "\r\n" + plot_record_line(p.plot_points[0]) +
                                 "\r\n" + plot_record_line(p.plot_points[1]) + "\r\n";
    EXPECT_EQ(text, expected);
}

class WritePlotFile : public ::testing::Test {
  protected:
    Fixture f;
    void SetUp() override {
        f.s().plot_file_name = f.dir.file("plot.dat");
        f.s().plot.plot_heading = "Heading";
        f.s().plot.plot_points = {{1.0f, 2.0f, 0.0f, 1}};
    }
};

TEST_F(WritePlotFile, AnExistingPlotFileIsLeftAsItWasAndTheListBoxSaysSo) {
    std::ofstream(f.s().plot_file_name) << "earlier plot";
    EXPECT_EQ(write_plot_file(f.s()), PlotWriteOutcome::exists);
    EXPECT_EQ(read_file(f.s().plot_file_name), "earlier plot");
    ASSERT_EQ(f.box.trimmed().size(), 1u);
    EXPECT_EQ(f.box.trimmed()[0],
              " The plot file " + f.s().plot_file_name + " exists and was not written");
}

TEST_F(WritePlotFile, APlotFileThatCannotBeCreatedIsReportedNotClaimed) {
    f.s().plot_file_name = f.dir.file("no-such-folder/plot.dat");
    EXPECT_EQ(write_plot_file(f.s()), PlotWriteOutcome::failed);
    ASSERT_EQ(f.box.trimmed().size(), 1u);
    EXPECT_NE(f.box.trimmed()[0].find("Cannot create the plot file"), std::string::npos);
}

TEST_F(WritePlotFile, NothingIsWrittenWhilePlotFilesAreSwitchedOff) {
    f.s().write_plot_files = false;
    EXPECT_EQ(write_plot_file(f.s()), PlotWriteOutcome::disabled);
    EXPECT_FALSE(std::filesystem::exists(f.s().plot_file_name));
}

TEST_F(WritePlotFile, TheDeleteMarkerFollowsTheFlagAtTheTimeOfWriting) {
    ASSERT_EQ(write_plot_file(f.s()), PlotWriteOutcome::written);
    const std::string marked = read_file(f.s().plot_file_name);
    EXPECT_EQ(marked.substr(0, marked.find("\r\n")), " Heading" + std::string(72, ' ') + "!");

    std::filesystem::remove(f.s().plot_file_name);
    f.s().delete_plot_files = false;
    ASSERT_EQ(write_plot_file(f.s()), PlotWriteOutcome::written);
    const std::string kept = read_file(f.s().plot_file_name);
    EXPECT_EQ(kept.substr(0, kept.find("\r\n")), " Heading");
    // The second line carries a time stamp of the writing.
    const std::string line2 = kept.substr(kept.find("\r\n") + 2, 105);
    EXPECT_EQ(line2.substr(88, 4), " ON ");
    EXPECT_TRUE(f.box.lines.empty());
}

}  // namespace
}  // namespace quillane
