// SPDX-License-Identifier: MIT
// Reading scan files: the time line, positions, rejected points, the summary
// lines and the bookkeeping of the raw store.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

#include "free_input.h"
#include "ftn_format.h"
#include "scanfile.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;

// Reads a file made of `text` as data set n.
void read_text(Fixture &f, const std::string &text, int n = 1,
               const std::string &name = "scan.RA1") {
    read_scan_file(f.s(), f.dir.write(name, text), n);
}

double value_of(const State &s, int p) {
    return s.raw_points[p].value;
}

TEST(FreeNumbers, ReadsBlanksCommasAndEveryExponentForm) {
    std::array<double, 6> v{};
    ASSERT_EQ(read_free_numbers(" 6.1,0.25  -1.19000E-001\t4.00000E+0000 2e-02 1.5D3", v),
              FreeRead::ok);
    EXPECT_DOUBLE_EQ(v[0], 6.1);
    EXPECT_DOUBLE_EQ(v[1], 0.25);
    EXPECT_DOUBLE_EQ(v[2], -0.119);
    EXPECT_DOUBLE_EQ(v[3], 4.0);
    EXPECT_DOUBLE_EQ(v[4], 0.02);
    EXPECT_DOUBLE_EQ(v[5], 1500.0);
}

TEST(FreeNumbers, ReportsTheEndOfTheLineAndTextApart) {
    std::array<double, 3> v{9, 9, 9};
    EXPECT_EQ(read_free_numbers("1 2", v), FreeRead::end_of_record);
    EXPECT_EQ(v[0], 1.0);
    EXPECT_EQ(v[2], 9.0);  // untouched
    EXPECT_EQ(read_free_numbers("1 abc 3", v), FreeRead::bad_text);
    EXPECT_EQ(read_free_numbers("1,,3", v), FreeRead::bad_text);
    EXPECT_EQ(read_free_numbers("1 2 3.4.5", v), FreeRead::bad_text);
    EXPECT_EQ(read_free_numbers("1 2 e5", v), FreeRead::bad_text);
    EXPECT_EQ(read_free_numbers("1 2 nan", v), FreeRead::bad_text);
}

TEST(FreeNumbers, AcceptsZeroPaddedFieldsAndTrailingBlanks) {
    std::array<double, 4> v{};
    ASSERT_EQ(read_free_numbers(" 1 03.9  9000 0005858 ", v), FreeRead::ok);
    EXPECT_EQ(v[1], 3.9);
    EXPECT_EQ(v[3], 5858.0);
}

TEST(ScanFile, MissingFileGivesAnEmptySetAndSaysWhy) {
    Fixture f;
    read_text(f, "d\nR 1 2 3 4\n6.0 1.0\n", 1, "a.RA1");
    read_scan_file(f.s(), f.dir.file("missing.RA1"), 2);
    EXPECT_EQ(f.s().set_point_count[1], 1);  // nothing already read is lost
    EXPECT_EQ(f.s().set_point_count[2], 0);
    EXPECT_EQ(f.s().data_set_count, 2);
    EXPECT_EQ(f.s().set_time[2], 2.0);
    bool said = false;
    for (const auto &line : f.box.trimmed())
        said |= line.find("Cannot open scan file") != std::string::npos &&
                line.find("missing.RA1") != std::string::npos;
    EXPECT_TRUE(said);
}

TEST(ScanFile, AFolderIsNotAScanFile) {
    Fixture f;
    read_scan_file(f.s(), f.dir.path().string(), 1);
    EXPECT_EQ(f.s().set_point_count[1], 0);
    EXPECT_NE(f.box.trimmed()[2].find("it is a folder"), std::string::npos);
}

// A line longer than any scan holds (a binary file, an endless device) is
// not read whole: the reader stops there and says the file is not a scan.
TEST(ScanFile, AFileWithAHugeLineIsNotAScanAndIsNotReadWhole) {
    Fixture f;
    const std::string huge = f.dir.write(
        "huge.RA1", "d\nR 1 2 3 4\n6.0 1.0\n" + std::string(300000, '7') + "\n6.1 1.0\n");
    read_scan_file(f.s(), huge, 1);
    EXPECT_EQ(f.s().set_point_count[1], 0);
    EXPECT_NE(f.s().last_error.find("line 4 is longer than 65536 characters, so this is not a "
                                    "scan file"),
              std::string::npos)
        << f.s().last_error;
    const std::string first = f.dir.write("first.RA1", std::string(70000, 'x') + "\nR 1 2 3 4\n");
    std::string error;
    const ScanHeader h = read_scan_header(first, error);
    EXPECT_NE(error.find("so this is not a scan file"), std::string::npos) << error;
    EXPECT_FALSE(h.time_line);
}

// A named pipe no one writes (put where a scan was) and an endless device:
// neither is opened to wait for a writer nor read, and each is named for
// what it is.  Reading the pipe would block for good.
TEST(ScanFile, ANamedPipeOrADeviceIsRefusedWithoutWaiting) {
    Fixture f;
    const std::string pipe = f.dir.file("pipe.RA1");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    int n = 0;
    for (const auto &[name, what] :
         {std::pair{pipe, "it is a named pipe, not a regular file"},
          std::pair{std::string("/dev/zero"), "it is a device, not a regular file"}}) {
        std::string error;
        EXPECT_FALSE(read_scan_header(name, error).time_line);
        EXPECT_EQ(error, "Cannot open scan file " + name + ": " + what);
        f.s().last_error.clear();
        read_scan_file(f.s(), name, ++n);
        EXPECT_EQ(f.s().set_point_count[n], 0);
        EXPECT_NE(f.s().last_error.find(what), std::string::npos) << f.s().last_error;
    }
}

// A line of more than 133 characters is cut there, a CR LF end removed.
TEST(ScanFile, ALongLineIsCutAfterItsFirst133Characters) {
    Fixture f;
    read_text(f, "d\r\nR 1 2 3 4\r\n6.0 1.0" + std::string(200, ' ') + "99\r\n6.1 2.0\r\n", 1,
              "long.RA1");
    ASSERT_EQ(f.s().set_point_count[1], 2);
    EXPECT_EQ(f.s().raw_points[1].value, 1.0);
    EXPECT_EQ(f.s().raw_points[2].value, 2.0);
}

TEST(ScanFile, DataSetNumberOutsideTheTableIsIgnored) {
    Fixture f;
    const std::string file = f.dir.write("x.RA1", "d\nR 1 2 3 4\n6.0 1.0\n");
    read_scan_file(f.s(), file, 0);
    read_scan_file(f.s(), file, 51);
    EXPECT_EQ(f.s().data_set_count, 0);
    EXPECT_EQ(f.s().set_point_count[0], 0);
}

TEST(ScanFile, DescriptionOnlyGivesZeroPointsAndTheSetNumberAsTime) {
    Fixture f;
    read_text(f, "just a description\r\n", 1);
    f.new_out_lines();
    read_text(f, "just a description\r\n", 2, "b.RA1");
    EXPECT_EQ(f.s().set_point_count[2], 0);
    EXPECT_EQ(f.s().set_time[2], 2.0);
    EXPECT_EQ(f.new_out_lines().size(), 5u);  // only the summary
}

TEST(ScanFile, FirstSetWritesBannerAndFileLineThenTheSummary) {
    Fixture f;
    read_text(f, "desc\r\nR 1 20.0 12000 7200\r\n6.0 0.5 0.01\r\n6.1 0.6 0.01\r\n", 1, "s.RA1");
    const auto lines = f.out_lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], " " + ftn::pad_right(kBanner, 80));
    EXPECT_EQ(lines[1], " The output file is " + f.out_file);
    EXPECT_EQ(lines[2], " This was file " + ftn::pad_right(f.dir.file("s.RA1"), 127));
    EXPECT_EQ(lines[3], " " + ftn::int_field(2, 12) + " Data points read for this data set");
    EXPECT_EQ(lines[4], " " + ftn::int_field(102398, 12) + " More points can be read in");
    EXPECT_EQ(lines[5], " " + ftn::int_field(49, 12) + " More data sets can be read in");
    EXPECT_EQ(lines[6], "     2 DATA POINTS READ");
    EXPECT_EQ(f.box.lines.size(), 7u);
    EXPECT_EQ(f.box.trimmed()[6], "     2 DATA POINTS READ");
    EXPECT_EQ(f.s().set_time[1], 7200.0);
}

TEST(ScanFile, TimeLineNeedsAnUpperCaseRorPAndFourNumbers) {
    Fixture f;
    read_text(f, "d\nR 1 2 3 4321.5\n6.0 1\n");
    EXPECT_EQ(f.s().set_time[1], 4321.5);
    read_text(f, "d\nP 1 2 3 99\n6.0 1\n");
    EXPECT_EQ(f.s().set_time[1], 99.0);
    // A lower-case r is no time line; the next line is still taken for one
    // and dropped with it.
    read_text(f, "d\nr 1 2 3 4321.5\n6.0 1\n6.1 2\n");
    EXPECT_EQ(f.s().set_time[1], 1.0);
    EXPECT_EQ(f.s().set_point_count[1], 1);
    EXPECT_EQ(value_of(f.s(), 1), 2.0);
}

TEST(ScanFile, TimeLineWithTooFewNumbersKeepsTheSearchGoing) {
    Fixture f;
    read_text(f, "d\nR 1 2 3\nR 1 2 3 77\n6.0 1\n");
    EXPECT_EQ(f.s().set_time[1], 77.0);
    EXPECT_EQ(f.s().set_point_count[1], 1);
}

TEST(ScanFile, WithoutATimeLineTheFirstTwoLinesAfterTheDescriptionAreDropped) {
    Fixture f;
    read_text(f, "d\n6.0 1\n\n6.1 2\n6.2 3\n6.3 4\n");
    EXPECT_EQ(f.s().set_point_count[1], 2);  // the blank line does not count for the search
    EXPECT_EQ(value_of(f.s(), 1), 3.0);
}

TEST(ScanFile, PositionsAreRadiusOrXiAtTheSinglePrecisionBounds) {
    Fixture f;
    read_text(f,
              "d\nR 1 2 3 4\n5.7 1\n7.45 2\n16.245 3\n27.75125 4\n20.0 5\n6.5 6\n5.69 7\n10.0 "
              "8\n7.4499 9\n");
    const State &s = f.s();
    ASSERT_EQ(s.set_point_count[1], 4);
    EXPECT_EQ(s.raw_points[1].radius, 5.7);  // 5.7 lies just above its single-precision bound
    EXPECT_EQ(s.raw_points[2].xi, 20.0);
    EXPECT_NEAR(s.raw_points[2].radius, std::sqrt(40.0), 1e-15);
    EXPECT_EQ(s.raw_points[3].radius, 6.5);
    EXPECT_EQ(s.raw_points[3].xi, 21.125);
    EXPECT_EQ(s.raw_points[4].value, 9.0);
}

TEST(ScanFile, ThirdColumnRejectsNegativeAndAcceptsZero) {
    Fixture f;
    read_text(f, "d\nR 1 2 3 4\n6.1,0.25\n6.2 0.3 -1\n6.3 0.4 0\n6.4 -3.0 0.01\n");
    ASSERT_EQ(f.s().set_point_count[1], 3);
    EXPECT_EQ(value_of(f.s(), 1), 0.25);
    EXPECT_EQ(value_of(f.s(), 2), 0.4);
    EXPECT_EQ(value_of(f.s(), 3), -3.0);  // window regions read well below zero
}

TEST(ScanFile, ASingleNumberIsNotAPoint) {
    Fixture f;
    read_text(f, "d\nR 1 2 3 4\n6.1 0.25\n6.2\n6.3 0.5\n");
    ASSERT_EQ(f.s().set_point_count[1], 2);
    EXPECT_EQ(value_of(f.s(), 2), 0.5);
}

TEST(ScanFile, TextLinesAndOneCharacterLinesAreSkipped) {
    Fixture f;
    read_text(f, "d\nR 1 2 3 4\n6.1 1\nx\n\n   \nmeniscus here\n6.2 2 junk\n6.3 3\n");
    EXPECT_EQ(f.s().set_point_count[1], 2);  // "6.2 2 junk" fails on its third item
}

TEST(ScanFile, LinesAreReadToColumn133Only) {
    Fixture f;
    const std::string longline = "6.1 1" + std::string(128, ' ') + "-1";  // -1 lies in column 134
    read_text(f, "d\nR 1 2 3 4\n" + longline + "\n");
    EXPECT_EQ(f.s().set_point_count[1], 1);
}

TEST(ScanFile, InstrumentFilesWithCrLfAndOddExponentsAreRead) {
    Fixture f;
    read_text(f,
              "Cell 2, 230 nm, run 7\r\n"
              "R 1 03.9  9000 0005858 1.23E+009 230 1 \r\n"
              "5.9000  -1.19000E-001   4.00000E+0000\r\n"
              "5.9030   2.50000e-02   1.0E-02\r\n"
              "5.9060   3.0000   0.0000\r\n");
    EXPECT_EQ(f.s().set_time[1], 5858.0);
    ASSERT_EQ(f.s().set_point_count[1], 3);
    EXPECT_DOUBLE_EQ(value_of(f.s(), 1), -0.119);
    EXPECT_DOUBLE_EQ(value_of(f.s(), 2), 0.025);
}

TEST(ScanFile, TwoColumnInterferenceFileWithACommaInTheDescription) {
    Fixture f;
    read_text(
        f,
        "Interference, cell 1, 20 C\r\nP 1 20.0 40000 3600 1e9\r\n6.0000 0.25\r\n6.0010 0.75\r\n",
        1, "00001.IP1");
    EXPECT_EQ(f.s().set_time[1], 3600.0);
    EXPECT_EQ(f.s().set_point_count[1], 2);
}

TEST(ScanFile, NamesLoseTrailingNulsAndBlanks) {
    EXPECT_EQ(clean_file_name(std::string("a.RA1\0\0   ", 10)), "a.RA1");
    EXPECT_EQ(clean_file_name("b.RA1   "), "b.RA1");
}

TEST(ScanFile, SetsFollowEachOtherInTheStoreAndBecomeActive) {
    Fixture f;
    read_text(f, "d\nR 1 2 3 10\n6.0 1\n6.1 2\n", 1, "a.RA1");
    read_text(f, "d\nR 1 2 3 20\n6.0 3\n6.1 4\n6.2 5\n", 2, "b.RA1");
    const State &s = f.s();
    EXPECT_EQ(s.set_point_count[0], 5);
    EXPECT_EQ(s.raw_point_set[3], 2);
    EXPECT_EQ(value_of(s, 3), 3.0);
    EXPECT_EQ(s.active_sets[0], 2);
    EXPECT_EQ(s.active_sets[2], 2);
    EXPECT_EQ(s.data_set_count, 2);
    // Reading set 1 again rewrites its slot and drops set 2 from view.
    read_text(f, "d\nR 1 2 3 10\n6.0 7\n", 1, "c.RA1");
    EXPECT_EQ(s.data_set_count, 1);
    EXPECT_EQ(s.set_point_count[0], 1);
    EXPECT_EQ(value_of(s, 1), 7.0);
}

TEST(ScanFile, TheStoreStopsAtItsCapacityAndSaysHowManyPointsWereDropped) {
    Fixture f;
    std::string big = "d\nR 1 2 3 4\n";
    for (int i = 0; i < 1000; ++i)
        big += "6.0 1\n";
    const std::string file = f.dir.write("big.RA1", big);
    for (int n = 1; n <= 50; ++n)
        read_scan_file(f.s(), file, n);  // 50,000 points
    std::string bigger = "d\nR 1 2 3 4\n";
    for (int i = 0; i < 60000; ++i)
        bigger += "6.0 2\n";
    read_scan_file(f.s(), f.dir.write("bigger.RA1", bigger), 50);
    EXPECT_EQ(f.s().set_point_count[0], kMaxPoints);
    EXPECT_EQ(f.s().set_point_count[50], kMaxPoints - 49000);
    bool said = false;
    for (const auto &line : f.box.trimmed())
        said |= line.find("points of this file were not read") != std::string::npos &&
                line.find(std::to_string(60000 - (kMaxPoints - 49000))) != std::string::npos;
    EXPECT_TRUE(said);
}

TEST(ScanFile, EchoWritesTheHeaderLinesAndDumpsThePoints) {
    Fixture f(/*echo=*/true);
    read_text(f, "desc  \nR 1 2 3 4\n\n20.0 0.5\n6.5 2.0 -1\n");
    const auto lines = f.out_lines();
    // banner, file line, description, time line, blank line, rejected point,
    // five summary lines, the dump heading lines and one point.
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[2], " desc");
    EXPECT_EQ(lines[3], " R 1 2 3 4");
    EXPECT_EQ(lines[4], " ");
    EXPECT_EQ(lines[5], " 6.5 2.0 -1");
    EXPECT_EQ(lines[11], " INPUT DATA");
    EXPECT_EQ(lines[12], "   I     Y          X          XW");
    EXPECT_EQ(lines[13], "   1  5.000D-01  2.000D+01  6.325D+00");
    EXPECT_EQ(f.box.lines.size(), 7u);  // the list box gets no echo
}

}  // namespace
}  // namespace quillane
