// SPDX-License-Identifier: MIT
// The report and the plot files reach exactly the files named, whatever the
// length of the name, and a write that fails part way (a full disk) is said
// and leaves nothing that looks whole: the report ends with its last whole
// line, a partial plot file is removed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "fit_test_support.h"
#include "log.h"
#include "options.h"
#include "plot_file.h"
#include "scanfile.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::FileSizeLimit;
using testing::Fixture;
using testing::lines_with;
using testing::read_file;

namespace fs = std::filesystem;

// Every regular file below dir.
std::set<std::string> files_below(const fs::path &dir) {
    std::set<std::string> out;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out.insert(e.path().string());
    return out;
}

// ---- long names ----

TEST(LongFileNames, AreHandedOverWholeUpToTheirFirstNul) {
    const std::string name(300, 'a');
    EXPECT_EQ(file_name_argument(name.c_str(), 300), name);
    EXPECT_EQ(file_name_argument((name + "   ").c_str(), 303), name);
    EXPECT_EQ(file_name_argument("abc\0def", 7), "abc");
    EXPECT_EQ(clean_file_name(std::string(300, 'x') + std::string("\0\0  ", 4)),
              std::string(300, 'x'));
}

// Report, scan file and plot file all named by paths of about 300
// characters: each is the file used, and no file named by a part of a
// name appears.
TEST(LongFileNames, ReachExactlyTheFilesNamed) {
    Fixture f;
    const std::string report = testing::long_path(f.dir, 300, "report.txt");
    const std::string scan = testing::long_path(f.dir, 310, "scan.RA1");
    const std::string plot = testing::long_path(f.dir, 320, "plot.dat");
    ASSERT_GT(report.size(), 2u * kFileNameLength);
    std::ofstream(scan, std::ios::binary) << "d\nR 1 2 3 4\n6.1 1\n6.2 2\n6.3 3\n";

    State &s = f.s();
    s.out_file_name = file_name_argument(report.c_str(), static_cast<int32_t>(report.size()));
    s.plot_file_name = file_name_argument(plot.c_str(), static_cast<int32_t>(plot.size()));
    read_scan_file(s, scan, 1);
    EXPECT_EQ(s.set_point_count[1], 3);
    s.plot.plot_points = {{1.0f, 2.0f, 0.0f, 1}};
    EXPECT_EQ(write_plot_file(s), PlotWriteOutcome::written);

    const std::string text = read_file(report);
    EXPECT_NE(text.find(" This was file " + scan + "\r\n"), std::string::npos)
        << "the name is written whole and unpadded:\n"
        << text;
    EXPECT_NE(text.find(" The output file is " + report + "\r\n"), std::string::npos);
    EXPECT_EQ(files_below(f.dir.path()), (std::set<std::string>{report, scan, plot}));
    EXPECT_TRUE(s.last_error.empty()) << s.last_error;
}

// ---- a full disk ----

// Lines of 40 characters each, numbered, so a cut shows where it fell.
std::vector<std::string> numbered_lines(int count) {
    std::vector<std::string> out;
    for (int i = 1; i <= count; ++i) {
        std::string line = " line " + std::to_string(i) + " value 1.234567E+05";
        line.resize(40, '.');
        out.push_back(line);
    }
    return out;
}

// The report's text must be whole lines, each one of `lines` in order from
// the first.
::testing::AssertionResult whole_lines_of(const std::string &text,
                                          const std::vector<std::string> &lines) {
    size_t pos = 0;
    size_t k = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            return ::testing::AssertionFailure() << "ends in half a line: " << text.substr(pos);
        if (k >= lines.size() || text.compare(pos, end - pos, lines[k]) != 0)
            return ::testing::AssertionFailure()
                   << "line " << k + 1 << " is " << text.substr(pos, end - pos);
        ++k;
        pos = end + 2;
    }
    return ::testing::AssertionSuccess() << k << " whole lines";
}

TEST(FullDisk, AReportCutShortEndsWithItsLastWholeLineAndSaysSoOnce) {
    Fixture f;
    const auto lines = numbered_lines(100);
    constexpr long kLimit = 1000;  // room for 23 of the 42-byte lines and a part of one more
    {
        FileSizeLimit limit(kLimit);
        if (!limit.active()) GTEST_SKIP() << "the file size limit cannot be set here";
        Log log(f.s());
        for (const auto &line : lines)
            log.file(line);
        EXPECT_FALSE(log.flush());
        log.file("after the failure");
    }
    const std::string text = read_file(f.out_file);
    EXPECT_TRUE(whole_lines_of(text, lines));
    EXPECT_EQ(text.size(), 23u * 42u);
    const std::string said = " Cannot write the output file " + f.out_file + ": File too large";
    EXPECT_EQ(f.box.trimmed(), std::vector<std::string>{said});
    EXPECT_EQ(f.s().last_error, said.substr(1));
}

// The case as found: a scan file echoed into a report on a disk with room
// for only part of it.
TEST(FullDisk, AnEchoedScanFileIsNotCutInSilence) {
    Fixture f(/*echo=*/true);
    const std::string scan = std::string(QUILLANE_EXAMPLES_DIR) + "/00001.IP1";
    {
        FileSizeLimit limit(16384);
        if (!limit.active()) GTEST_SKIP() << "the file size limit cannot be set here";
        read_scan_file(f.s(), scan, 1);
    }
    const std::string text = read_file(f.out_file);
    EXPECT_LE(text.size(), 16384u);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(lines_with(f.box.trimmed(), "Cannot write the output file").size(), 1u);
    EXPECT_NE(f.s().last_error.find("File too large"), std::string::npos);
    // The list box still has the whole summary.
    EXPECT_EQ(lines_with(f.box.trimmed(), "DATA POINTS READ").size(), 1u);
}

class FullDiskPlot : public ::testing::Test {
  protected:
    Fixture f;
    void SetUp() override {
        f.s().plot_file_name = f.dir.file("plot.dat");
        for (int i = 0; i < 200; ++i)
            f.s().plot.plot_points.push_back({static_cast<float>(i), 1.0f, 0.0f, 1});
    }
};

TEST_F(FullDiskPlot, APlotFileCutShortIsRemovedAndSaysWhy) {
    PlotWriteOutcome outcome;
    {
        FileSizeLimit limit(2000);
        if (!limit.active()) GTEST_SKIP() << "the file size limit cannot be set here";
        outcome = write_plot_file(f.s());
    }
    EXPECT_EQ(outcome, PlotWriteOutcome::failed);
    EXPECT_FALSE(fs::exists(f.s().plot_file_name));
    const std::string said = " Cannot write the plot file " + f.s().plot_file_name +
                             ": File too large; the partial file was removed";
    EXPECT_EQ(f.box.trimmed(), std::vector<std::string>{said});
    EXPECT_EQ(f.s().last_error, said.substr(1));
}

// ---- records that are not finite ----

TEST(NonFiniteRecords, AreLeftOutSaidAndALineBrokenByOneStartsAgain) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const uint8_t start = kCodeLineStart, go_on = kCodeLineContinue;
    std::vector<PlotRecord> points = {{1, 1, 0, 1},     {2, inf, 0, 1},   {3, 3, 0, 1},
                                      {1, 1, 0, start}, {2, 2, 0, go_on}, {3, nan, 0, go_on},
                                      {4, 4, 0, go_on}, {5, 5, 0, go_on}, {6, 6, inf, start},
                                      {7, 7, 0, go_on}};
    EXPECT_EQ(drop_non_finite_records(points), 3u);
    const std::vector<std::pair<float, uint8_t>> want = {
        {1, 1}, {3, 1}, {1, start}, {2, go_on}, {4, start}, {5, go_on}, {7, start}};
    ASSERT_EQ(points.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(points[i].x, want[i].first) << "record " << i;
        EXPECT_EQ(points[i].code, want[i].second) << "record " << i;
    }
}

TEST(NonFiniteRecords, NeverReachThePlotFileWhereTheViewerWouldReadThemAsZeros) {
    Fixture f;
    f.s().plot_file_name = f.dir.file("plot.dat");
    f.s().plot.plot_points = {{1, 1, 0, 1}, {2, -std::numeric_limits<float>::infinity(), 0, 1}};
    EXPECT_EQ(write_plot_file(f.s()), PlotWriteOutcome::written);
    const std::string text = read_file(f.s().plot_file_name);
    EXPECT_EQ(text.find("Infinity"), std::string::npos);
    EXPECT_NE(text.find(plot_count_line(1) + "\r\n"), std::string::npos);
    const std::string said = " The plot file " + f.s().plot_file_name +
                             " leaves out 1 point whose values are not finite in single precision";
    EXPECT_EQ(f.box.trimmed(), std::vector<std::string>{said});
    EXPECT_EQ(f.s().last_error, said.substr(1));
}

}  // namespace
}  // namespace quillane
