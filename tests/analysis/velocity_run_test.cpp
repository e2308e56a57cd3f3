// SPDX-License-Identifier: MIT
// Sedimentation velocity runs are told from equilibrium runs: series of the
// simulator's velocity optics give the velocity verdict and no forecast,
// its equilibrium series and the bundled examples never do.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "assessment.h"
#include "boundary_motion.h"
#include "equilibrium.h"
#include "fit_match.h"
#include "fit_test_support.h"
#include "instrument_sim.h"
#include "scanfile.h"
#include "selection.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// Windows of 20 points, as the equilibrium series are fitted.
constexpr int kSpan = 20;
// Limits a user sets inside an equilibrium column: clear of the spikes also
// when a scan is shifted by 0.015 cm.
constexpr double kColumnMarginCm = 0.035;
// Velocity runs analysed from just above the meniscus (its spike in range)
// to just inside the base.
constexpr double kMeniscusLeadCm = 0.01;
constexpr double kBaseMarginCm = 0.01;
// A minimum block a user might set for scans minutes apart.
constexpr double kShortBlockS = 600.0;
// Seeds of the equilibrium series checked.
constexpr uint64_t kSeeds = 3;

std::vector<ScanProfile> profiles(const std::vector<sim::Scan> &scans, double lo, double hi) {
    std::vector<ScanProfile> out;
    for (const sim::Scan &scan : scans) {
        ScanProfile &p = out.emplace_back();
        p.time_s = scan.time_s;
        for (const sim::Point &q : scan.points)
            if (q.r >= lo && q.r <= hi) p.points.push_back({q.r, q.value});
    }
    return out;
}

// The earliest scans of `all` for which the rule fires on the first m of
// them, m = 3 .. all; 0 when none.
int first_firing(const std::vector<ScanProfile> &all) {
    for (size_t m = 3; m <= all.size(); ++m)
        if (find_boundary_motion(std::span<const ScanProfile>(all).first(m)).moving)
            return static_cast<int>(m);
    return 0;
}

// ---- Velocity series through the assessment ------------------------------

struct VelocityCase {
    const char *name;
    double rpm, s_svedberg, interval_s;
    int scans;
    uint64_t seed;
    double upper_cm;  // the upper limit; 0: just inside the base
    // Scans whose offsets were removed, analysed from inside the meniscus
    // (clear of its spike) to upper_cm: once the boundary has passed, the
    // emptied region reads the same in every scan.
    bool emptied = false;
};

class VelocityAssessment : public ::testing::TestWithParam<VelocityCase> {};

TEST_P(VelocityAssessment, GivesTheVelocityVerdictAndNoForecast) {
    const VelocityCase &c = GetParam();
    sim::VelocitySetup setup;
    setup.rpm = c.rpm;
    setup.s_svedberg = c.s_svedberg;
    setup.interval_s = c.interval_s;
    setup.scans = c.scans;
    setup.seed = c.seed;
    if (c.emptied) setup.offset_fringes = 0.0;
    const sim::VelocitySeries series = sim::simulate_velocity_series(setup);
    const double lo = series.truth.meniscus_cm + (c.emptied ? kColumnMarginCm : -kMeniscusLeadCm);
    const double hi = c.upper_cm > 0.0 ? c.upper_cm : series.truth.base_cm - kBaseMarginCm;
    std::vector<SetPoints> sets;
    for (const ScanProfile &p : profiles(series.scans, lo, hi)) {
        SetPoints &set = sets.emplace_back();
        for (const ProfilePoint &q : p.points) {
            set.x.push_back(0.5 * q.r * q.r);
            set.y.push_back(q.value);
        }
    }
    Fixture f;
    State &s = f.s();
    s.differ_span = kSpan;
    load_active_sets(s, sets);
    for (int k = 0; k < c.scans; ++k)
        s.active_time[k + 1] = series.scans[static_cast<size_t>(k)].time_s;
    fit_all(s, 1);
    ASSERT_TRUE(make_assessment(s)) << s.assessment.failure;

    const Verdict &v = s.assessment.verdict;
    EXPECT_TRUE(v.velocity_run);
    EXPECT_EQ(v.status, VerdictStatus::kUnknown);
    EXPECT_EQ(v.text.rfind(std::string(kVelocityRunText) + " (the boundary moves from ", 0), 0u)
        << v.text;
    EXPECT_EQ(v.scan, 0);
    EXPECT_EQ(v.block_scans, 0);
    EXPECT_TRUE(v.drift.empty());
    EXPECT_FALSE(s.assessment.forecast.made);
    EXPECT_EQ(s.assessment.forecast.reason, kVelocityRunText);
    if (c.emptied) {
        // The boundary has left the range: the latest scans show the emptied
        // region alone, and the equilibrium verdict alone, with a short
        // minimum block, would call it reached.
        EXPECT_EQ(
            judge_equilibrium(s.assessment.comparisons, s.assessment.latest_time_s, kShortBlockS)
                .status,
            VerdictStatus::kReached);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Series, VelocityAssessment,
    ::testing::Values(VelocityCase{"50k_7S_seed1", 50000.0, 7.0, 60.0, 24, 1, 0.0},
                      VelocityCase{"50k_7S_seed2", 50000.0, 7.0, 60.0, 24, 2, 0.0},
                      VelocityCase{"40k_10S_seed3", 40000.0, 10.0, 60.0, 24, 3, 0.0},
                      VelocityCase{"45k_5S_seed4", 45000.0, 5.0, 60.0, 36, 4, 0.0},
                      // Scans 2 minutes apart for 1.5 h: the boundary passes
                      // 6.55 cm at about scan 36.
                      VelocityCase{"emptied_50k_10S", 50000.0, 10.0, 120.0, 46, 5, 6.55, true}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- Equilibrium series and the examples never ---------------------------

// Every prefix of three scans or more, within the limits of every column
// and read whole.
void expect_never_moving(const sim::SeriesSetup &setup, const std::string &name) {
    const sim::Series series = sim::simulate_series(setup);
    std::vector<std::pair<double, double>> ranges{{0.0, 100.0}};
    for (const sim::ChannelTruth &c : series.truth.channels)
        ranges.push_back({c.meniscus + kColumnMarginCm, c.base - kColumnMarginCm});
    for (const auto &[lo, hi] : ranges) {
        const int fired = first_firing(profiles(series.scans, lo, hi));
        EXPECT_EQ(fired, 0) << name << ", seed " << setup.seed << ", " << lo << " to " << hi
                            << " cm: fires from scan " << fired;
    }
}

// Drift from scan `from` on: a baseline step and a radial shift.
void late_step(sim::SeriesSetup &s, int from, double baseline, double shift) {
    s.drift.baseline_od.assign(static_cast<size_t>(s.scans), 0.0);
    s.drift.radial_shift_cm.assign(static_cast<size_t>(s.scans), 0.0);
    for (int k = from; k < s.scans; ++k) {
        s.drift.baseline_od[static_cast<size_t>(k)] = baseline;
        s.drift.radial_shift_cm[static_cast<size_t>(k)] = shift;
    }
}

TEST(VelocityRule, NeverFiresOnTheSimulatorsEquilibriumSeries) {
    using Change = void (*)(sim::SeriesSetup &);
    const std::pair<const char *, Change> cases[] = {
        {"six-channel, hourly, step while approaching",
         [](sim::SeriesSetup &s) {
             s.interval_h = 1.0, s.start_h = 1.0, s.scans = 40, s.tau_h = 5.0;
             late_step(s, 12, 0.012, 0.015);
         }},
        {"six-channel, 6 h apart, late step",
         [](sim::SeriesSetup &s) {
             s.interval_h = 6.0, s.start_h = 6.0, s.scans = 10;
             late_step(s, 7, 0.015, 0.012);
         }},
        {"six-channel, late shift of 0.02 cm",
         [](sim::SeriesSetup &s) { late_step(s, 6, -0.012, 0.02); }},
        {"six-channel, 20000 rpm, 230 nm",
         [](sim::SeriesSetup &s) {
             s.rpm = 20000.0, s.wavelength_nm = 230.0, s.previous_rpm = 14000.0;
         }},
        {"six-channel, menisci as steps", [](sim::SeriesSetup &s) { s.step_menisci = true; }},
        {"two-channel, 3 h apart, late step",
         [](sim::SeriesSetup &s) {
             s.centerpiece = sim::Centerpiece::two_channel;
             s.scans = 16;
             late_step(s, 11, 0.012, 0.015);
         }},
        {"two-channel, uniform loading at 20000 rpm, 15 min apart",
         [](sim::SeriesSetup &s) {
             s.centerpiece = sim::Centerpiece::two_channel;
             s.rpm = 20000.0, s.interval_h = 0.25, s.start_h = 0.1, s.scans = 40, s.tau_h = 3.0;
         }},
    };
    for (const auto &[name, change] : cases)
        for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
            sim::SeriesSetup setup;
            setup.seed = seed;
            change(setup);
            expect_never_moving(setup, name);
        }
}

TEST(VelocityRule, NeverFiresOnTheBundledExamples) {
    namespace fs = std::filesystem;
    const fs::path dir = QUILLANE_EXAMPLES_DIR;
    std::vector<std::string> absorbance, interference, multispeed;
    for (const auto &e : fs::directory_iterator(dir)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".RA1") absorbance.push_back(e.path().string());
        if (ext == ".IP1") interference.push_back(e.path().string());
    }
    for (const auto &e : fs::directory_iterator(dir / "multispeed"))
        multispeed.push_back(e.path().string());
    // The interference scans also as read, their fringes wrapped; all of
    // the multi-speed run's scans as one series.
    const std::pair<std::vector<std::string> *, bool> series[] = {
        {&absorbance, false}, {&interference, false}, {&interference, true}, {&multispeed, false}};
    for (const auto &[files, renumber] : series) {
        std::sort(files->begin(), files->end());
        Fixture f;
        State &s = f.s();
        for (size_t n = 1; n <= files->size(); ++n)
            read_scan_file(s, (*files)[n - 1], static_cast<int>(n));
        if (renumber) renumber_fringes(s);
        find_limit_indices(s, 0.0, 100.0);
        transfer_data(s);
        std::vector<int> order(files->size());
        for (size_t n = 0; n < files->size(); ++n)
            order[n] = static_cast<int>(n + 1);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return s.active_time[a] < s.active_time[b]; });
        const int fired = first_firing(active_profiles(s, order));
        EXPECT_EQ(fired, 0) << files->front() << (renumber ? ", renumbered" : "");
    }
}

}  // namespace
}  // namespace quillane::testing
