// SPDX-License-Identifier: MIT
// quillane-batch from the command line: its exit codes and messages for
// each kind of bad input, and a whole run on a small scratch data set.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "batch_support.h"
#include "plot_file_reader.h"
#include "quillane.h"

namespace {

using namespace batch_test;

TEST_F(BatchRun, NoScanFilesIsAUsageError) {
    const Outcome r = run({});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, "quillane-batch: no scan files given\nTry --help for the list of options.\n");
}

TEST_F(BatchRun, AnUnknownOptionIsAUsageErrorOfOneLine) {
    const Outcome r = run({"--colour", scan(1)});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err,
              "quillane-batch: unknown option --colour\nTry --help for the list of options.\n");
}

TEST_F(BatchRun, AnOptionTakesItsValueAfterAnEqualsSignToo) {
    const Outcome r = run({"--out=x.txt", "--plots=p", "--span=030", scan(1), scan(2), scan(3)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(read_file(dir / "x.txt"), "with span of  30");  // decimal, not octal 030
    EXPECT_TRUE(fs::exists(dir / "p" / "plot_000.dat"));
}

TEST_F(BatchRun, FewerThanThreeActiveSetsAreRefused) {
    Outcome r = run({scan(1), scan(2)});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "at least 3 active data sets are needed; 2 active");
    r = run({"--active", "1,3", scan(1), scan(2), scan(3), scan(4)});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "at least 3 active data sets are needed; 2 active");
    EXPECT_FALSE(fs::exists(dir / "quillane-report.txt"));  // refused before any work
}

TEST_F(BatchRun, AScanTheFullPointStoreCutFailsTheRunAndIsNamed) {
    // Three scans of 40,000 points: the third keeps 22,400 of them.
    std::vector<std::string> args{"--out", "r.txt"};
    for (int k = 1; k <= 3; ++k) {
        quillane::test_support::Scan big;
        big.time = 3600.0 * k;
        big.points = quillane::test_support::points_on(
            6.0, 2e-5, 40000, [k](double r) { return std::exp(r - 6.0) + 0.001 * k; });
        args.push_back("scan" + std::to_string(k) + ".RA1");
        quillane::test_support::write_file(dir / args.back(),
                                           quillane::test_support::scan_text(big));
    }
    const Outcome r = run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err,
                    "scan3.RA1 kept 22400 of its 40000 points; its last 17600 were not read");
}

TEST_F(BatchRun, AnActiveSetThatWasNotReadIsRefused) {
    const Outcome r = run({"--active", "1,2,5", scan(1), scan(2), scan(3)});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "--active: 5 is not one of the data sets 1..3");
}

TEST_F(BatchRun, AMissingScanFileIsNamed) {
    const Outcome r = run({scan(1), "absent.RA1", scan(3)});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "cannot read the scan file absent.RA1");
}

TEST_F(BatchRun, LimitsThatLeaveTooFewPointsForTheSpanAreRefused) {
    // 18.1 .. 18.3 cm^2 holds about 4 of each set's points; the span is 50.
    const Outcome r = run({"--limits", "18.1", "18.3", scan(1), scan(2), scan(3)});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "leave a data set with no more than 50 points");
}

TEST_F(BatchRun, ALibraryThatCannotBeLoadedIsReported) {
    const Outcome r =
        run({scan(1), scan(2), scan(3)}, {"QUILLANE_LIBRARY=/nonexistent/libquillane.so"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "cannot load /nonexistent/libquillane.so");
}

TEST_F(BatchRun, VersionNamesTheProgramAndTheLibraryItLoads) {
    const Outcome r = run({"--version"}, {"QUILLANE_LIBRARY"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // The build folder's library, found next to the program.
    const fs::path beside = fs::path(QUILLANE_BATCH_PATH).parent_path() / QUILLANE_LIBRARY_SONAME;
    EXPECT_EQ(r.out, "quillane-batch (Quillane) " QUILLANE_VERSION_STRING
                     "\nanalysis library " QUILLANE_VERSION_STRING ", " +
                         beside.string() + "\n");
}

TEST_F(BatchRun, VersionWithoutALibraryStillNamesTheProgramAndFails) {
    const Outcome r = run({"--version"}, {"QUILLANE_LIBRARY=/nonexistent/libquillane.so"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "quillane-batch (Quillane) " QUILLANE_VERSION_STRING "\n");
    EXPECT_CONTAINS(r.err, "could not be loaded, so its version is unknown");
    EXPECT_CONTAINS(r.err, "/nonexistent/libquillane.so");
}

TEST_F(BatchRun, AWholeRunWritesTheReportAndKeepsReadablePlotFiles) {
    const Outcome r =
        run({"--out", "report.txt", "--plots", "plots", scan(1), scan(2), scan(3), scan(4)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string report = read_file(dir / "report.txt");
    EXPECT_EQ(report.substr(0, 50), " Quillane V0.99  \r\n Current Revision V0.99.0039 \r\n");
    EXPECT_CONTAINS(report, " Orig.DS# 3 :: scan3.RA1 is active DS#3.");
    EXPECT_CONTAINS(r.out, " This was file scan1.RA1");  // list-box lines reach standard output
    EXPECT_CONTAINS(r.out, "quillane-batch: report written to report.txt");

    // The first kept plot is the values of every active set.
    const fs::path first = dir / "plots" / "plot_000.dat";
    ASSERT_TRUE(fs::exists(first)) << r.out;
    std::ifstream in(first, std::ios::binary);
    quillane::plotfile::PlotData data;
    ASSERT_EQ(quillane::plotfile::read_plot_file(in, data), quillane::plotfile::ReadStatus::ok);
    EXPECT_FALSE(data.marked_for_deletion());
    EXPECT_EQ(data.y_label, "Concentration");
    EXPECT_EQ(data.count, 4 * 120);
    EXPECT_EQ(data.points.back().code, 4);
    EXPECT_FALSE(fs::exists(dir / "plots" / "plot.dat"));
}

TEST_F(BatchRun, AllDataPlotsAndResultGraphsAreKeptInOrder) {
    const Outcome r = run({"--out", "report.txt", scan(1), scan(2), scan(3), scan(4)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(r.out, "quillane-batch: 8 plot files kept in plots");
    const char *y_labels[] = {"Concentration", "Gradient, dC/dX",  "Gradient, dC/dX",
                              "RMS Devs",      "Variance",         "Deviations",
                              "Deviations",    "XI Offset in cm^2"};
    for (int i = 0; i < 8; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "plot_%03d.dat", i);
        std::ifstream in(dir / "plots" / name, std::ios::binary);
        quillane::plotfile::PlotData data;
        ASSERT_EQ(quillane::plotfile::read_plot_file(in, data), quillane::plotfile::ReadStatus::ok)
            << name;
        EXPECT_EQ(data.y_label, y_labels[i]) << name;
    }
    EXPECT_CONTAINS(read_file(dir / "report.txt"), "Differentiated data set # 4");
}

TEST_F(BatchRun, SlopePlotsOfAChosenSubsetShowEveryActiveSetTogether) {
    const Outcome r = run({"--active", "1,2,4", "--radius", "--span", "20", "--terms", "2", "--ref",
                           "3", scan(1), scan(2), scan(3), scan(4)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // One plot of each data kind, five result graphs.
    EXPECT_CONTAINS(r.out, "quillane-batch: 8 plot files kept in plots");
    EXPECT_CONTAINS(r.out, "slopes against value, all active sets -> plots/plot_002.dat");
    std::ifstream slopes(dir / "plots" / "plot_002.dat", std::ios::binary);
    quillane::plotfile::PlotData slope_data;
    ASSERT_EQ(quillane::plotfile::read_plot_file(slopes, slope_data),
              quillane::plotfile::ReadStatus::ok);
    EXPECT_EQ(slope_data.points.back().code, -57);  // ends with the zero line
    int highest = 0;
    for (const auto &point : slope_data.points)
        highest = std::max<int>(highest, point.code);
    EXPECT_EQ(highest, 3);
    std::ifstream in(dir / "plots" / "plot_000.dat", std::ios::binary);
    quillane::plotfile::PlotData data;
    ASSERT_EQ(quillane::plotfile::read_plot_file(in, data), quillane::plotfile::ReadStatus::ok);
    EXPECT_EQ(data.x_label, "Radius, R (cm)");
    EXPECT_EQ(data.count, 3 * 120);
    EXPECT_CONTAINS(read_file(dir / "quillane-report.txt"),
                    "with span of  20 using a polynomial with 2 terms");
}

TEST_F(BatchRun, FilesAlreadyInThePlotFolderAreLeftAsTheyAre) {
    fs::create_directories(dir / "plots");
    std::ofstream(dir / "plots" / "plot.dat") << "left over";
    std::ofstream(dir / "plots" / "plot_000.dat") << "kept earlier";
    const Outcome r = run({scan(1), scan(2), scan(3)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(dir / "plots" / "plot.dat"), "left over");
    EXPECT_EQ(read_file(dir / "plots" / "plot_000.dat"), "kept earlier");
    EXPECT_TRUE(fs::exists(dir / "plots" / "plot_008.dat"));
}

// Each run writes its plots under a name of its own and claims numbered
// names atomically: runs sharing a folder keep exactly their own plots.
TEST_F(BatchRun, RunsSharingAPlotFolderKeepTheirOwnPlots) {
    constexpr int kRuns = 4;
    std::vector<pid_t> runs;
    for (int run = 0; run < kRuns; ++run) {
        const int points = 60 + 10 * run;  // each run's value plot has its own size
        std::vector<std::string> args{"--out", "report" + std::to_string(run) + ".txt"};
        for (int k = 1; k <= 3; ++k)
            args.push_back(scan(10 * run + k, points));
        runs.push_back(start(args, {}, -1, std::to_string(run)));
    }
    std::set<std::string> all_kept;
    for (int run = 0; run < kRuns; ++run) {
        const Outcome r = finish(runs[run], std::to_string(run));
        ASSERT_EQ(r.exit_code, 0) << r.err;
        const size_t at = r.out.find("values against position, all active sets -> ");
        ASSERT_NE(at, std::string::npos) << r.out;
        const std::string kept = r.out.substr(at + 44, r.out.find('\n', at) - at - 44);
        std::ifstream in(dir / kept, std::ios::binary);
        quillane::plotfile::PlotData data;
        ASSERT_EQ(quillane::plotfile::read_plot_file(in, data), quillane::plotfile::ReadStatus::ok);
        EXPECT_EQ(data.count, 3 * (60 + 10 * run)) << kept << " belongs to another run";
        for (size_t p = r.out.find(" -> "); p != std::string::npos; p = r.out.find(" -> ", p + 1))
            EXPECT_TRUE(all_kept.insert(r.out.substr(p + 4, r.out.find('\n', p) - p - 4)).second);
    }
    EXPECT_EQ(all_kept.size(), 8u * kRuns) << "every plot kept, none twice";
}

TEST_F(BatchRun, AReportThatCannotBeWrittenWholeFailsTheRun) {
    const Outcome r = run({"--echo", scan(1), scan(2), scan(3)}, {}, 16 * 1024);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "Cannot write the output file quillane-report.txt: File too large");
    EXPECT_CONTAINS(r.err, "the run is incomplete");
}

TEST_F(BatchRun, AnOutputThatIsOneOfTheScansIsRefusedBeforeAnythingIsWritten) {
    const std::string first = scan(1);
    const std::string before = read_file(dir / first);
    const Outcome r = run({"--out", first, first, scan(2), scan(3)});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "--out " + first + " names the scan file");
    EXPECT_EQ(read_file(dir / first), before);
}

TEST_F(BatchRun, CommandLineMistakesAreRefusedBeforeAnythingRuns) {
    constexpr const char *kIntervalRange =
        "--interval needs a number of seconds from 0.1 to 86,400 (a day)";
    struct Case {
        std::vector<std::string> args;
        const char *message;
    };
    const Case cases[] = {
        {{"--span", "2"}, "--span must be 3 to 2048 points"},
        {{"--span", "3", "--terms", "3"}, "more points than the order of the polynomial"},
        {{"--active", "1,2,3,"}, "--active needs data set numbers"},
        {{"--active", "1,2,3", "--every", "2"}, "--every thins them first"},
        {{"--csv", "out.txt", "--out", "out.txt"}, "--csv and --out name the same file"},
        {{"--terms", "4"}, "--terms must be 1, 2 or 3"},
        {{"--limits", "5"}, "--limits needs two numbers LO HI with LO < HI"},
        // Numbers are decimal: the C conversions would read these as 16.
        {{"--limits", "0x10", "20"}, "--limits needs two numbers LO HI with LO < HI"},
        {{"--block-time", "0x10"}, "--block-time needs a number of 0 or more"},
        {{"--every", " 0x2"}, "--every needs a whole number of 1 or more"},
        {{"--until-equilibrium"}, "--until-equilibrium needs --watch"},
        {{"--watch", "."}, "--watch reads the scans of its folder: give no scan files with it"},
        {{"--interval", "1e-300"}, kIntervalRange},
        {{"--interval", "1e10"}, kIntervalRange},
        {{"--interval", "nan"}, kIntervalRange},
        {{"--interval", "inf"}, kIntervalRange},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        for (int k = 1; k <= 3; ++k)
            args.push_back(scan(k));
        const Outcome r = run(args);
        EXPECT_EQ(r.exit_code, 2) << c.message;
        EXPECT_CONTAINS(r.err, c.message);
    }
}

// A named pipe given as a scan (no one writes it) is refused at once, by
// the series list and by the analysis alike.
TEST_F(BatchRun, ANamedPipeGivenAsAScanIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo((dir / "pipe.RA1").c_str(), 0600), 0);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--series", "list", scan(1), "pipe.RA1"},
          std::vector<std::string>{scan(1), scan(2), scan(3), "pipe.RA1"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_CONTAINS(r.err, "pipe.RA1: it is a named pipe, not a regular file");
    }
}

TEST_F(BatchRun, ARunWhereNoFileGaveDataFails) {
    for (const char *name : {"a.RA1", "b.RA1", "c.RA1"})
        std::ofstream(dir / name) << "not a scan\r\nat all\r\n";
    const Outcome r = run({"a.RA1", "b.RA1", "c.RA1"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "not a scan file: a.RA1 (no data lines)");
    EXPECT_CONTAINS(r.err, "none of the files given is a scan file");
}

TEST_F(BatchRun, OverwritingAnExistingReportIsSaid) {
    std::ofstream(dir / "quillane-report.txt") << "an earlier run";
    const Outcome r = run({scan(1), scan(2), scan(3)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(r.err, "the report quillane-report.txt exists and is overwritten");
}

}  // namespace
