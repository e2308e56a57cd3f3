// SPDX-License-Identifier: MIT
// A run as the program and the runner open it: a run folder of any number
// of files listed by series with the files that are no scans told apart,
// a long series cut to what the library takes with the cut said, a run
// closed and another read afresh, and limits past the library's default
// range inside the data.
#include <numeric>

#include "instrument_sim.h"
#include "run_listing.h"
#include "session_test_support.h"

namespace quillane::session::testing {
namespace {

using test_support::points_on;
using test_support::Scan;
using ::testing::HasSubstr;

// A scan from 5.70 to 7.30 cm: xi 16.245 to 26.645 cm^2, past the
// library's default 16..26 at the top by 12 points.
Scan wide_scan(int k) {
    Scan scan;
    scan.time = 3600.0 * k;
    scan.points = points_on(5.70, 0.008, 201, [k](double r) { return 0.1 * r + 0.01 * k; });
    return scan;
}

const char kPngStart[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";

TEST_F(SessionTest, FilesThatAreNoScansAreLeftOutBeforeTheLibraryReadsThem) {
    const std::string log = test_support::write_file(folder.file("CELL1ABS.LOG"),
                                                     "Absorbance log of cell 1\r\nScan 00001\r\n");
    const std::string png = test_support::write_file(folder.file("00009.RA1"),
                                                     std::string(kPngStart, sizeof kPngStart - 1));
    std::vector<FileOutcome> outcomes;
    const Outcome o = session->read_and_select({example(1), log, example(2), png, example(3)},
                                               {1, 2, 3, 4, 5}, &outcomes);
    ASSERT_TRUE(o.done) << o.refusal;
    EXPECT_EQ(session->data_set_count(), 3);
    EXPECT_EQ(session->active_sets(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(session->file_name(2), example(2));
    ASSERT_EQ(outcomes.size(), 5u);
    EXPECT_TRUE(outcomes[1].not_a_scan);
    EXPECT_EQ(outcomes[1].error, "not a scan file: CELL1ABS.LOG (no data lines)");
    EXPECT_EQ(outcomes[3].error, "not a scan file: 00009.RA1 (binary content)");
    EXPECT_GT(outcomes[4].points, 0);
    // Too few scans once they are left out: refused, with the files named.
    const Outcome few = session->read_and_select({example(1), log, png}, {1, 2, 3});
    EXPECT_FALSE(few.done);
    EXPECT_THAT(few.refusal, HasSubstr("not a scan file: CELL1ABS.LOG"));
}

TEST_F(SessionTest, AClosedRunLeavesNothingBehindForTheNextRead) {
    read_examples(12);
    ASSERT_TRUE(session->set_limits(17.9, 25.4).done);
    ASSERT_TRUE(session->set_position_variable(false).done);
    ASSERT_TRUE(session->fit(12).done);
    ASSERT_TRUE(session->close_run().done);
    EXPECT_FALSE(session->files_read());
    EXPECT_FALSE(session->fitted());

    std::vector<std::string> files;
    for (int k = 1; k <= 4; ++k)
        files.push_back(folder.write_scan("w" + std::to_string(k) + ".RA1", wide_scan(k)));
    ASSERT_TRUE(session->read_and_select(files, {1, 2, 3, 4}).done);
    EXPECT_EQ(session->data_set_count(), 4);
    EXPECT_TRUE(session->xi_mode());
    EXPECT_FALSE(session->limits_chosen());
    EXPECT_EQ(session->differ_parms().span, 50);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(session->active_set(k).data_set, k);
        EXPECT_DOUBLE_EQ(session->active_set(k).time_s, 3600.0 * k);
    }
    EXPECT_EQ(session->points_in_range().read, 4 * 201);
    EXPECT_EQ(session->data_set_headers().size(), 4u);
    ASSERT_TRUE(session->set_limits(17.0, 25.0).done);
    EXPECT_TRUE(session->fit(4).done);
}

TEST_F(SessionTest, TheFullRangeIsTheDataAndLimitsPastTheDefaultRangeAreTaken) {
    std::vector<std::string> files;
    for (int k = 1; k <= 3; ++k)
        files.push_back(folder.write_scan("w" + std::to_string(k) + ".RA1", wide_scan(k)));
    ASSERT_TRUE(session->read_and_select(files, {1, 2, 3}).done);
    EXPECT_NEAR(session->full_range().low, 5.70 * 5.70 / 2, 1e-3);
    EXPECT_NEAR(session->full_range().high, 7.30 * 7.30 / 2, 1e-3);
    EXPECT_EQ(session->limits().high, 26.0);
    EXPECT_EQ(session->points_left_out_text(),
              "The data limits 16 .. 26 cm^2, which leaves 36 of the 603 points read out.");
    ASSERT_TRUE(session->set_limits(26.3, 26.6).done);
    EXPECT_GT(session->points_in_range().inside, 0);
    const Outcome outside = session->set_limits(30.0, 40.0);
    EXPECT_FALSE(outside.done);
    EXPECT_THAT(outside.refusal, HasSubstr("hold no data: the points read lie from 16.245"));
    ASSERT_TRUE(session->reset_limits().done);
    EXPECT_EQ(session->points_left_out_text(), "");
}

TEST_F(SessionTest, ARunFolderIsListedBySeriesWithTheFilesThatAreNoScans) {
    std::string error;
    const sim::RunTruth truth = sim::write_run(folder.path() / "run", sim::RunSpec{}, {}, error);
    ASSERT_TRUE(error.empty()) << error;
    RunListing run;
    ASSERT_TRUE(list_run_folder(*session, (folder.path() / "run").string(), run, error)) << error;
    EXPECT_EQ(run.split.series.size(), truth.series.size());
    EXPECT_EQ(run.scans.size(), 72u);
    ASSERT_EQ(run.left_out.size(), 2u);
    EXPECT_EQ(run.left_out[0].text, "not a scan file: CELL1ABS.LOG (no data lines)");
    EXPECT_EQ(series_time_span(run.split, 1, run.scans), "2.00 h to 17.00 h");
    EXPECT_FALSE(list_run_folder(*session, folder.file("none"), run, error));
}

TEST(SeriesTake, ALongSeriesGivesUpScansAndSaysSo) {
    std::vector<ScanFacts> facts(90);
    std::vector<int> scans(90);
    for (int i = 1; i <= 90; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "/r/%05d.RA1", i);
        facts[static_cast<size_t>(i - 1)].file = name;
        scans[static_cast<size_t>(i - 1)] = i;
    }
    const SeriesTake latest = take_latest(scans, facts);
    EXPECT_EQ(latest.scans.size(), 50u);
    EXPECT_EQ(latest.text,
              "40 of the 90 scans of this series were left out: only the latest 50 are read "
              "(00041.RA1 ... 00090.RA1)");
    const SeriesTake nth = take_every_nth(scans, facts, smallest_every_nth(90));
    EXPECT_EQ(nth.scans.size(), 45u);
    EXPECT_EQ(nth.scans.back(), 90);
    EXPECT_THAT(nth.text, HasSubstr("45 of the 90 scans of this series were left out: every 2nd"));
    EXPECT_EQ(smallest_every_nth(100), 2);
    EXPECT_EQ(smallest_every_nth(101), 3);
    EXPECT_EQ(take_latest({1, 2, 3}, facts).text, "");
    EXPECT_TRUE(natural_less("scan2.RA1", "scan10.RA1"));
    EXPECT_FALSE(natural_less("00010.RA1", "00009.RA1"));
}

}  // namespace
}  // namespace quillane::session::testing
