// SPDX-License-Identifier: MIT
// quillane-batch on runs of several series and cells of several columns:
// listing the series and the columns one line each, analysing one series or
// each in turn, thinning a long series, and the headers that leave a
// scan's place in doubt.
#include <regex>

#include "batch_support.h"

namespace {

using namespace batch_test;
using quillane::test_support::points_on;
using quillane::test_support::Scan;
using quillane::test_support::scan_text;
using quillane::test_support::write_file;

// The 36 scans of the multi-speed example run, in the order taken.
std::vector<std::string> multispeed_run() {
    std::vector<std::string> files;
    for (int n = 1; n <= 36; ++n) {
        char name[40];
        std::snprintf(name, sizeof name, "/multispeed/%05d.RA2", n);
        files.push_back(std::string(QUILLANE_EXAMPLES_DIR) + name);
    }
    return files;
}

std::vector<std::string> with(std::vector<std::string> args,
                              const std::vector<std::string> &files) {
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The files named active in a report, in order.
std::vector<std::string> active_files(const std::string &report) {
    static const std::regex active(" Orig\\.DS# [0-9]+ :: (.*) is active DS#[0-9]+\\.");
    std::vector<std::string> files;
    for (std::sregex_iterator m(report.begin(), report.end(), active), end; m != end; ++m)
        files.push_back(fs::path((*m)[1].str()).filename().string());
    return files;
}

class BatchSeries : public BatchRun {
  protected:
    // A scan of noise around zero: no solution column anywhere.
    std::string blank(int k) {
        Scan s;
        s.time = 600.0 * k;
        s.points = points_on(6.0, 0.005, 200,
                             [k](double r) { return 0.01 * std::sin(977.0 * r * (k + 1)); });
        const std::string name = "blank" + std::to_string(k) + ".RA1";
        write_file(dir / name, scan_text(s));
        return name;
    }
};

TEST_F(BatchSeries, OptionsThatContradictEachOtherAreRefusedBeforeAnyWork) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--series", "2", "--each-series"}, "--series and --each-series cannot be used together"},
        {{"--column", "1", "--limits", "17", "20"}, "--column and --limits both set"},
        {{"--series", "list", "--columns"}, "--series list only lists the series"},
        {{"--columns", "--each-series"}, "--columns lists the columns of one series"},
        {{"--series", "0"}, "--series needs list, all or a series number"},
        {{"--every", "0"}, "--every needs a whole number of 1 or more"},
        {{"--margin", "-0.1"}, "--margin needs a number of cm from 0 to below 1"},
        {{"--each-series", "--active", "1,2,3"}, "--active and --ref name sets of one series"},
    };
    for (const auto &[args, message] : cases) {
        const Outcome r = run(with(args, {scan(1), scan(2), scan(3)}));
        EXPECT_EQ(r.exit_code, 2) << args[0];
        EXPECT_CONTAINS(r.err, message);
    }
    EXPECT_FALSE(fs::exists(dir / "quillane-report.txt"));
}

TEST_F(BatchSeries, FilesOfSeveralSeriesAreRefusedUntilOneIsChosen) {
    const Outcome r = run(multispeed_run());
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "the scan files make 6 series, which cannot be compared");
    EXPECT_CONTAINS(r.err, "\n  6: 20000 rpm, 260 nm, 6 scans, 00026.RA2 ... 00036.RA2");
    EXPECT_FALSE(fs::exists(dir / "quillane-report.txt"));
}

TEST_F(BatchSeries, TheSeriesAreListedOneLineEachForScripts) {
    const Outcome r = run(with({"--series", "list"}, multispeed_run()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(lines_of(r.out),
              (std::vector<std::string>{"1: 10000 rpm, 280 nm, 6 scans, 00001.RA2 ... 00011.RA2",
                                        "2: 10000 rpm, 260 nm, 6 scans, 00002.RA2 ... 00012.RA2",
                                        "3: 14000 rpm, 280 nm, 6 scans, 00013.RA2 ... 00023.RA2",
                                        "4: 14000 rpm, 260 nm, 6 scans, 00014.RA2 ... 00024.RA2",
                                        "5: 20000 rpm, 280 nm, 6 scans, 00025.RA2 ... 00035.RA2",
                                        "6: 20000 rpm, 260 nm, 6 scans, 00026.RA2 ... 00036.RA2"}));
    EXPECT_EQ(r.err, "");
}

// The instrument's log and a picture renamed as a scan are refused before
// the library reads them, as the program refuses them; the rest is analysed.
TEST_F(BatchSeries, FilesThatAreNoScansAreLeftOutAndSaidSo) {
    write_file(dir / "CELL1ABS.LOG", "Absorbance log of cell 1\r\nScan 00001.RA1\r\n");
    write_file(dir / "scan9.RA1", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const Outcome r = run({"--out", "r.txt", "--limits", "18", "22", scan(1), "CELL1ABS.LOG",
                           scan(2), "scan9.RA1", scan(3)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(r.err, "quillane-batch: not a scan file: CELL1ABS.LOG (no data lines)\n");
    EXPECT_CONTAINS(r.err, "quillane-batch: not a scan file: scan9.RA1 (binary content)\n");
    const std::string report = read_file(dir / "r.txt");
    EXPECT_CONTAINS(report, " not a scan file: CELL1ABS.LOG (no data lines)\r\n");
    EXPECT_EQ(active_files(report),
              (std::vector<std::string>{"scan1.RA1", "scan2.RA1", "scan3.RA1"}));
    // Numbered by --active, the files given cannot lose one.
    const Outcome numbered =
        run({"--out", "r.txt", "--active", "1,3,4", scan(1), "CELL1ABS.LOG", scan(2), scan(3)});
    EXPECT_EQ(numbered.exit_code, 2);
    EXPECT_CONTAINS(numbered.err, "--active numbers the files given");
}

TEST_F(BatchSeries, TheColumnsAreListedOneLineEachInThePositionVariable) {
    Outcome r = run(with({"--columns", "--series", "3", "--radius"}, multispeed_run()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    // Made at 5.86-6.08, 6.37-6.59 and 6.89-7.13 cm; 0.02 cm inside.
    const double made[3][2] = {{5.88, 6.06}, {6.39, 6.57}, {6.91, 7.11}};
    for (int k = 0; k < 3; ++k) {
        double low = 0, high = 0;
        int number = 0;
        char unit[8] = {};
        ASSERT_EQ(std::sscanf(lines[static_cast<size_t>(k)].c_str(), "%d: %lf %lf %7s", &number,
                              &low, &high, unit),
                  4);
        EXPECT_EQ(number, k + 1);
        EXPECT_NEAR(low, made[k][0], 0.01);
        EXPECT_NEAR(high, made[k][1], 0.01);
        EXPECT_STREQ(unit, "cm");
    }
    r = run(with({"--columns", "--series", "3"}, multispeed_run()));
    EXPECT_CONTAINS(r.out, "1: 17.2");
    EXPECT_CONTAINS(r.out, " cm^2\n");
}

TEST_F(BatchSeries, OneSeriesAndOneColumnAreAnalysedAndNothingElse) {
    const Outcome columns = run(with({"--columns", "--series", "4"}, multispeed_run()));
    const std::string second = lines_of(columns.out).at(1);
    const Outcome r =
        run(with({"--out", "r.txt", "--series", "4", "--column", "2"}, multispeed_run()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string report = read_file(dir / "r.txt");
    EXPECT_EQ(active_files(report),
              (std::vector<std::string>{"00014.RA2", "00016.RA2", "00018.RA2", "00020.RA2",
                                        "00022.RA2", "00024.RA2"}));
    EXPECT_CONTAINS(report, " Series 4 is analysed: 14,000 rpm 260 nm, 6 scans\r\n");
    // The limits in force are the listed column's.
    double low = 0, high = 0;
    ASSERT_EQ(std::sscanf(second.c_str(), "2: %lf %lf", &low, &high), 2);
    char lines[128];
    std::snprintf(lines, sizeof lines, "solution column 2: %.3f-%.3f cm^2", low, high);
    EXPECT_CONTAINS(r.out, lines);
    EXPECT_CONTAINS(report, "Average values");
}

TEST_F(BatchSeries, EachSeriesGetsAFolderWithAReportOfItsOwnFit) {
    const Outcome r = run(
        with({"--out", "out/run.txt", "--each-series", "--json", "run.json"}, multispeed_run()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (int k = 1; k <= 6; ++k) {
        SCOPED_TRACE("series " + std::to_string(k));
        const fs::path folder = dir / "out" / ("series-" + std::to_string(k));
        EXPECT_CONTAINS(r.out, "quillane-batch: series " + std::to_string(k) + ", ");
        const std::string report = read_file(folder / "run.txt");
        const std::vector<std::string> files = active_files(report);
        ASSERT_EQ(files.size(), 6u);
        // Series k holds the scans of speed (k+1)/2 at one wavelength: every other file.
        const int first = 12 * ((k - 1) / 2) + 1 + (k - 1) % 2;
        for (size_t i = 0; i < files.size(); ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%05d.RA2", first + 2 * static_cast<int>(i));
            EXPECT_EQ(files[i], name);
        }
        EXPECT_CONTAINS(report, "Average values");
        EXPECT_TRUE(fs::exists(folder / "plots" / "plot_007.dat"));
        EXPECT_TRUE(fs::exists(folder / "run.json"));
    }
    EXPECT_FALSE(fs::exists(dir / "out" / "run.txt"));
}

TEST_F(BatchSeries, EachSeriesFailsWhenNoSeriesIsLongEnoughToFit) {
    const std::vector<std::string> all = multispeed_run();
    const Outcome r = run(with({"--each-series"}, {all[0], all[12], all[24]}));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "no series has the 3 scans a fit needs; nothing was analysed");
}

TEST_F(BatchSeries, ASeriesTooLongForTheStoreIsRefusedAndEveryNthScanIsTakenAsAsked) {
    std::vector<std::string> files;
    for (int k = 1; k <= 55; ++k)
        files.push_back(scan(k));
    Outcome r = run(files);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err,
                    "the run has 55 scans, more than the 50 that can be analysed "
                    "together: --every 2 keeps the latest scan and every 2nd one before it");
    r = run(with({"--out", "r.txt", "--every", "2"}, files));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string report = read_file(dir / "r.txt");
    const std::vector<std::string> active = active_files(report);
    ASSERT_EQ(active.size(), 28u);
    EXPECT_EQ(active.front(), "scan1.RA1");
    EXPECT_EQ(active.back(), "scan55.RA1");  // the latest is kept
    EXPECT_CONTAINS(report, " Every 2nd scan is taken, the latest first: 28 of 55\r\n");
}

TEST_F(BatchSeries, ScansWithoutAColumnSaySoWhereTheirDataLieAndNoRangeStandsInForOne) {
    const std::vector<std::string> files{blank(1), blank(2), blank(3)};
    Outcome r = run(with({"--columns"}, files));
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_CONTAINS(r.err,
                    "no solution column was found in these scans (their data span 18.000 .. "
                    "24.465 cm^2); no verdict rests on a range without one");
    r = run(with({"--out", "r.txt", "--column", "1", "--span", "20", "--radius"}, files));
    EXPECT_EQ(r.exit_code, 2) << r.err;
    EXPECT_CONTAINS(r.err,
                    "--column 1: no solution column was found in these scans (their data span "
                    "6.000 .. 6.995 cm)");
}

TEST_F(BatchSeries, VerboseColumnsSayWhyOfEveryStretch) {
    const Outcome r =
        run(with({"--columns", "--verbose", "--series", "1", "--radius"}, multispeed_run()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_GE(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines[0], "1: 5.880 6.055 cm");
    int columns = 0, refused = 0;
    for (size_t k = 3; k < lines.size(); ++k) {
        if (lines[k].find("; a column") != std::string::npos) ++columns;
        if (lines[k].find("; no meniscus before it") != std::string::npos) ++refused;
    }
    EXPECT_EQ(columns, 3) << r.out;
    EXPECT_GT(refused, 0) << r.out;
}

TEST_F(BatchSeries, AColumnBeyondThoseFoundIsRefused) {
    const Outcome r = run(with({"--series", "1", "--column", "4"}, multispeed_run()));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err,
                    "--column 4: the scans show 3 solution columns: 1: 17.286-18.336 cm^2, 2: ");
}

TEST_F(BatchSeries, OddHeadersAreNamedAndNeverGroupedInSilence) {
    std::vector<std::string> files{scan(1), scan(2), scan(3), scan(4)};
    // Scan 3 gives a speed of 0.
    std::string text = read_file(dir / files[2]);
    text.replace(text.find(" 12000 "), 7, " 0 ");
    write_file(dir / files[2], text);
    Outcome r = run(files);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err,
                    "quillane-batch: note: the rotor speed of 1 scan (scan3.RA1) is text "
                    "or no plausible number: it counts as unknown");
    EXPECT_CONTAINS(r.err, "the scan files make 2 series");
    r = run(with({"--out", "r.txt", "--series", "all"}, files));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string report = read_file(dir / "r.txt");
    EXPECT_CONTAINS(report,
                    " The files make 2 series: 12,000 rpm 280 nm, 3 scans; unknown rpm "
                    "280 nm, 1 scan\r\n They are analysed together, as given\r\n");
    EXPECT_EQ(active_files(report).size(), 4u);
}

}  // namespace
