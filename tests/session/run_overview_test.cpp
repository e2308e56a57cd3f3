// SPDX-License-Identifier: MIT
// The run overview on simulated run folders: a row per series with the
// verdict the model's truth gives, every column of a six-channel cell
// judged, the speed line only when every series at the run's speed is
// there, and a watch that analyses again only the series that got scans.
#include <filesystem>

#include "instrument_sim.h"
#include "results.h"
#include "run_overview.h"
#include "session_test_support.h"

namespace quillane::session::testing {
namespace {

namespace fs = std::filesystem;

class Feedback : public AnalysisFeedback {
  public:
    void notice(const std::string &text) override { notices.push_back(text); }
    void problem(const std::string &text) override { problems.push_back(text); }
    std::vector<std::string> notices, problems;
};

// Two cells (six- and two-channel) at two wavelengths: twelve scans 3 h
// apart at 10,000 rpm, which every series outlasts (t_eq 19-31 h, the last
// scan at 35 h), then four at 14,000 rpm, which none does yet.
sim::RunSpec two_speeds() {
    sim::RunSpec plan;
    plan.cells = {{1, sim::Centerpiece::six_channel, {}}, {2, sim::Centerpiece::two_channel, {}}};
    plan.speeds = {{10000.0, 12, 3.0, 6.0}, {14000.0, 4, 3.0, 4.5}};
    plan.wavelengths_nm = {280.0, 260.0};
    plan.seed = 11;
    return plan;
}

class RunOverviewTest : public SessionTest {
  protected:
    fs::path run = folder.path() / "run";
    sim::RunTruth truth;
    Feedback feedback;

    void SetUp() override {
        SessionTest::SetUp();
        std::string error;
        truth = sim::write_run(run, two_speeds(), {}, error);
        ASSERT_TRUE(error.empty()) << error;
    }
};

TEST_F(RunOverviewTest, GivesARowPerSeriesAndTheSpeedLineOnlyWhenEverySeriesAtItIsThere) {
    RunOverview overview(*session);
    std::string error;
    ASSERT_TRUE(overview.read_folder(run.string(), "*", error)) << error;
    EXPECT_EQ(overview.notes().size(), 2u);  // the cells' logs are no scans
    overview.analyse_pending(feedback);
    EXPECT_TRUE(overview.pending().empty());

    const std::vector<SummaryRow> rows = overview.rows();
    ASSERT_EQ(rows.size(), truth.series.size());
    for (const sim::RunSeries &t : truth.series) {
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const SummaryRow &r) {
            return r.cell == t.setup.cell && r.speed_rpm == t.setup.rpm &&
                   r.wavelength_nm == t.setup.wavelength_nm;
        });
        ASSERT_NE(row, rows.end()) << t.setup.cell << " " << t.setup.rpm;
        const double last_h =
            t.setup.speed_start_h + t.setup.start_h + (t.setup.scans - 1) * t.setup.interval_h;
        EXPECT_EQ(row->reached, t.truth.t_eq_h < last_h) << row->name << ": " << row->verdict;
        EXPECT_EQ(row->scans, t.setup.scans);
        // Every column of the cell is judged.
        EXPECT_EQ(row->columns.size(), t.setup.cell == 1 ? 3u : 1u) << row->name;
    }
    EXPECT_EQ(overview.speed_line(), "");

    // The first speed alone: every series at it has reached equilibrium.
    std::vector<std::string> first_speed;
    for (const sim::RunSeries &t : truth.series)
        if (t.setup.rpm == 10000.0)
            for (const std::string &f : t.files)
                first_speed.push_back((run / f).string());
    RunOverview earlier(*session);
    earlier.set_files(first_speed);
    earlier.analyse_pending(feedback);
    EXPECT_EQ(earlier.speed_line(),
              "all 4 series at 10,000 rpm reached equilibrium: the speed can be changed");

    // The CSV: a header and a row per series, reached or not.
    const std::string csv = summary_csv(rows);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + static_cast<long>(rows.size()));
    EXPECT_THAT(csv, ::testing::HasSubstr(
                         "\r\n1,\"cell 1, 10,000 rpm 280 nm, 12 scans\",1,10000,280,12,12,"));
    EXPECT_THAT(csv, ::testing::HasSubstr(",\"still approaching (columns 2, 3)\",0,"));
    EXPECT_TRUE(feedback.problems.empty()) << feedback.problems.front();
}

TEST_F(RunOverviewTest, AWatchAnalysesAgainOnlyTheSeriesThatGotWholeScans) {
    // The folder as it stood after three scans of cell 2 at both
    // wavelengths; cell 1's first scan comes later, and with it the cell in
    // every series' name.
    const fs::path live = folder.path() / "live";
    fs::create_directories(live);
    const auto copy = [&](const std::string &name) { fs::copy_file(run / name, live / name); };
    for (const char *name :
         {"00001.RA2", "00002.RA2", "00003.RA2", "00004.RA2", "00005.RA2", "00006.RA2"})
        copy(name);
    RunOverview overview(*session);
    double now = 0.0;
    WatchSettings settings;
    settings.folder = live.string();
    settings.interval_s = 1.0;
    overview.follow(settings, [&now] { return now; });
    const auto look_until_whole = [&] {
        std::vector<WatchMessage> messages;
        std::string error;
        for (int look = 0; look < 4; ++look, now += settings.interval_s)
            ASSERT_TRUE(overview.look(messages, error)) << error;
    };
    look_until_whole();
    ASSERT_EQ(overview.pending().size(), 2u);
    overview.analyse_pending(feedback);
    copy("00001.RA1");
    look_until_whole();
    ASSERT_EQ(overview.pending().size(), 1u);  // cell 1 at 280 nm; cell 2's stay as they were
    overview.analyse_pending(feedback);
    const auto row = [&](const std::string &name) {
        for (const SummaryRow &r : overview.rows())
            if (r.name.rfind(name + ",", 0) == 0) return r;
        ADD_FAILURE() << "no row " << name;
        return SummaryRow{};
    };
    EXPECT_EQ(overview.rows().size(), 3u);
    EXPECT_EQ(row("cell 2, 10,000 rpm 280 nm").scans, 3);
    EXPECT_EQ(row("cell 1, 10,000 rpm 280 nm").verdict, "waiting for scans");

    copy("00007.RA2");  // cell 2's fourth scan at 280 nm
    look_until_whole();
    EXPECT_EQ(overview.pending(), std::vector<int>{row("cell 2, 10,000 rpm 280 nm").number});
    overview.analyse_pending(feedback);
    EXPECT_EQ(row("cell 2, 10,000 rpm 280 nm").scans, 4);
}

}  // namespace
}  // namespace quillane::session::testing
