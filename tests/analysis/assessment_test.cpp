// SPDX-License-Identifier: MIT
// The equilibrium assessment of a fit: on the bundled examples (made with
// tau = 4 h and noise 0.005), on constructed series, its report lines, its
// settings, and the per-pair and per-set read-outs.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "assessment.h"
#include "fit_match.h"
#include "fit_readout.h"
#include "fit_test_support.h"
#include "ftn_format.h"
#include "scanfile.h"
#include "selection.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

constexpr double kHour = 3600.0;

// The examples' generator: tau = 4 h, noise 0.005 (absorbance).  Both are
// estimated from twelve scans of ~380 points each, so 10 % is generous for
// the noise (about 1 % standard error) and for tau (about 0.2 %); it leaves
// room for the local fits' small bias.
constexpr double kExampleTau = 4.0 * kHour;
constexpr double kExampleNoise = 0.005;
constexpr double kExampleTolerance = 0.10;

// The first `count` absorbance examples, cut to the solution column and
// fitted.
void fit_examples(State &s, int count) {
    const std::vector<std::string> files = example_scans();
    ASSERT_GE(static_cast<int>(files.size()), count);
    for (int n = 1; n <= count; ++n)
        read_scan_file(s, files[n - 1], n);
    s.xi_low = 17.9;
    s.xi_high = 25.4;
    set_limit_indices(s);
    transfer_data(s);
    fit_all(s, 1);
}

class ExampleAssessment : public ::testing::Test {
  protected:
    Fixture f;
    std::vector<std::string> lines;  // the assessment's output file lines
    void SetUp() override {
        fit_examples(f.s(), 12);
        f.new_out_lines();
        f.box.lines.clear();
        assess(f.s(), true);
        lines = f.new_out_lines();
    }
    const AssessmentResults &a() { return f.s().assessment; }
};

TEST_F(ExampleAssessment, FindsTheGeneratorsNoiseInEveryScan) {
    ASSERT_TRUE(a().made) << a().failure;
    EXPECT_TRUE(close_to(a().pooled.sd() / kExampleNoise, 1.0, kExampleTolerance));
    for (int k = 1; k <= 12; ++k)
        EXPECT_TRUE(close_to(a().noise[k].sd() / kExampleNoise, 1.0, 0.15)) << "scan " << k;
}

TEST_F(ExampleAssessment, FitsTheGeneratorsTimeConstant) {
    ASSERT_TRUE(a().forecast.made) << a().forecast.reason;
    EXPECT_TRUE(close_to(a().forecast.tau_s / kExampleTau, 1.0, kExampleTolerance));
    EXPECT_EQ(a().forecast.pairs, 11);
}

TEST_F(ExampleAssessment, FindsEquilibriumReachedByTheScanAtTwentyHours) {
    EXPECT_EQ(a().latest, 12);
    EXPECT_EQ(a().verdict.status, VerdictStatus::kReached);
    EXPECT_EQ(a().verdict.scan, 10);
    EXPECT_EQ(a().verdict.time_s, 20 * kHour);
    EXPECT_EQ(a().verdict.differing_scan, 9);
}

TEST_F(ExampleAssessment, ForecastFromTheFirstSixScansBracketsTheTimeOfTheVerdict) {
    Fixture early;
    fit_examples(early.s(), 6);
    ASSERT_TRUE(make_assessment(early.s()));
    const Forecast &f6 = early.s().assessment.forecast;
    ASSERT_TRUE(f6.made) << f6.reason;
    EXPECT_EQ(early.s().assessment.verdict.status, VerdictStatus::kApproaching);
    EXPECT_LE(f6.interval_lo_s, a().verdict.time_s);
    EXPECT_GE(f6.interval_hi_s, a().verdict.time_s);
}

TEST_F(ExampleAssessment, WritesItsLinesAfterTheFitAndASummaryToTheListBox) {
    // Each comparison is two lines (without offsets, then with both); the
    // verdict is followed by the comparison that decided and the scan that
    // broke the block (three lines).
    ASSERT_EQ(lines.size(), 54u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1],
              " Equilibrium assessment: no-offset distances, F test at 95.00% confidence "
              "(approximate F)");
    EXPECT_EQ(lines[3], " Noise of each scan from its local fits (span  50 points, degree 3):");
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(lines[3 + k].rfind(" DS" + ftn::int_field(k, 3) + " t =", 0), 0u) << k;
    EXPECT_EQ(lines[4].substr(22, 7), " noise:");
    EXPECT_EQ(lines[16].rfind(" All scans             noise:", 0), 0u);
    EXPECT_EQ(lines[18], " Each scan against the latest one, DS 12 t =    24.000 h:");
    EXPECT_EQ(lines[19].rfind(" DS  1 t =     2.000 h RMS:", 0), 0u);
    EXPECT_NE(lines[19].find(" differs"), std::string::npos);
    EXPECT_EQ(lines[20].rfind("                       both offsets RMS:", 0), 0u);
    EXPECT_NE(lines[39].find(" same"), std::string::npos);
    EXPECT_EQ(lines[42], " Verdict: equilibrium reached by scan 10 (t = 20.000 h)");
    EXPECT_EQ(lines[43].rfind(" Decided by: no offsets; no-offset RMS of scan 10 to the latest", 0),
              0u);
    EXPECT_EQ(lines[44].rfind(" scan 9 (t = 18.000 h) broke the block:", 0), 0u);
    EXPECT_EQ(lines[48],
              " Forecast from 11 distances to the latest scan, one exponential approach:");
    EXPECT_EQ(lines[51].rfind(" Equilibrium expected at t =", 0), 0u);
    EXPECT_EQ(lines[52], " ");
    EXPECT_EQ(lines[53], "");

    const std::vector<std::string> box = f.box.trimmed();
    ASSERT_EQ(box.size(), 12u);
    EXPECT_EQ(box[0], lines[1]);
    EXPECT_EQ(box[1], lines[16]);
    EXPECT_EQ(box[2], lines[42]);
    EXPECT_EQ(box[3], lines[43]);
    EXPECT_EQ(box[7], lines[48]);
    EXPECT_EQ(box[10], lines[51]);
}

TEST_F(ExampleAssessment, ReadsOutEveryOrderedPairAndEverySet) {
    const PairReadout p = read_pair(f.s(), 12, 1);
    EXPECT_EQ(p.status, PairStatus::kCompared);
    EXPECT_EQ(p.points, f.s().active_end[12] - f.s().active_start[12] + 1);
    EXPECT_EQ(p.rms[1], f.s().fit.pair_rms(1, 12, 1));
    EXPECT_EQ(p.variance[2], f.s().fit.pair_rss(2, 12, 1));
    EXPECT_EQ(p.y_offset[3], f.s().fit.pair_y_offset(3, 12, 1));
    EXPECT_EQ(p.x_offset, f.s().fit.pair_x_offset(12, 1));
    EXPECT_EQ(p.y_offset[1], 0.0);
    EXPECT_GT(p.f_critical, 1.1);
    EXPECT_EQ(read_pair(f.s(), 3, 3).status, PairStatus::kNotCompared);
    EXPECT_EQ(read_pair(f.s(), 13, 1).status, PairStatus::kNotCompared);

    const SetReadout set = read_active_set(f.s(), 12);
    EXPECT_EQ(set.data_set, 12);
    EXPECT_EQ(set.time_s, 24 * kHour);
    EXPECT_EQ(set.points, p.points);
    EXPECT_EQ(read_active_set(f.s(), 13).data_set, 0);
}

// Scans of a smooth profile on one grid that relax towards equilibrium:
// profile + amplitude e^(-t/tau) shape + noise.
class ConstructedSeries : public ::testing::Test {
  protected:
    Fixture f;
    State &s() { return f.s(); }
    const AssessmentResults &a() { return f.s().assessment; }

    // same_noise: every scan carries the same noise, so scans that do not
    // move differ by exactly nothing.
    void load(const std::vector<double> &hours, double amplitude, double tau_h, double noise_sd,
              bool same_noise, unsigned seed = 11) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::vector<double> x = uneven_grid(18.0, 0.035, 200, seed);
        std::vector<SetPoints> sets;
        for (size_t k = 0; k < hours.size(); ++k) {
            const std::vector<double> r =
                noise(200, same_noise ? seed : seed + 1 + static_cast<unsigned>(k));
            const double decay = amplitude * std::exp(-hours[k] / tau_h);
            std::vector<double> y;
            for (size_t m = 0; m < x.size(); ++m) {
                const double eq = 0.07 * std::exp(0.4 * (x[m] - 17.7));
                y.push_back(eq + decay * (0.5 - eq) + noise_sd * std::sqrt(3.0) * r[m]);
            }
            sets.push_back({x, y});
        }
        s().differ_span = 20;
        load_active_sets(s(), sets);
        for (size_t k = 0; k < hours.size(); ++k)
            s().active_time[k + 1] = hours[k] * kHour;
        fit_all(s(), 1);
        f.new_out_lines();
        f.box.lines.clear();
    }
};

TEST_F(ConstructedSeries, AFlatSeriesIsInEquilibriumFromItsFirstScan) {
    load({1, 2, 3, 4, 5, 6}, 0.0, 1.0, 0.005, true);
    ASSERT_TRUE(make_assessment(s())) << a().failure;
    EXPECT_EQ(a().verdict.status, VerdictStatus::kReached);
    EXPECT_EQ(a().verdict.text, "equilibrium reached by scan 1 (t = 1.000 h)");
    EXPECT_FALSE(a().forecast.made);
    EXPECT_EQ(a().forecast.reason, "the distances to the latest scan do not rise above the noise");
}

TEST_F(ConstructedSeries, ASeriesStillMovingIsStillApproaching) {
    load({1, 2, 3, 4, 5, 6}, 0.5, 100.0, 0.001, false);
    ASSERT_TRUE(make_assessment(s())) << a().failure;
    EXPECT_EQ(a().verdict.status, VerdictStatus::kApproaching);
    EXPECT_EQ(a().verdict.text,
              "still approaching: scan 5 (t = 5.000 h) differs from the latest scan");
    for (const ScanComparison &c : a().comparisons)
        EXPECT_FALSE(c.same) << "scan " << c.set;
}

TEST_F(ConstructedSeries, TakesTheScansInTheOrderOfTheirTimes) {
    // Active set 1 is the latest scan.
    load({6, 1, 2, 3, 4, 5}, 0.5, 100.0, 0.001, false);
    ASSERT_TRUE(make_assessment(s())) << a().failure;
    EXPECT_EQ(a().latest, 1);
    ASSERT_EQ(a().comparisons.size(), 5u);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(a().comparisons[k].set, k + 2);
    EXPECT_EQ(a().comparisons[0].rms, s().fit.pair_rms(1, 1, 2)) << "the latest scan as reference";
    EXPECT_EQ(a().verdict.text,
              "still approaching: scan 6 (t = 5.000 h) differs from the latest scan");
}

TEST_F(ConstructedSeries, WaitsForTheMinimumTimeBeforeCallingEquilibrium) {
    load({1, 1.5, 2, 2.5}, 0.0, 1.0, 0.005, true);
    ASSERT_TRUE(make_assessment(s()));
    EXPECT_EQ(a().verdict.status, VerdictStatus::kApproaching);
    EXPECT_EQ(a().verdict.text,
              "still approaching: the scans from scan 1 (t = 1.000 h) on are indistinguishable "
              "but span only 1.500 h of 4.000 h");
    set_equilibrium_block(s(), 1.5 * kHour);
    ASSERT_TRUE(make_assessment(s()));
    EXPECT_EQ(a().verdict.status, VerdictStatus::kReached);
}

TEST_F(ConstructedSeries, SaysWhyWhenFewerThanFourScansPrecedeTheLatest) {
    load({1, 2, 3, 4}, 0.5, 2.0, 0.001, false);
    ASSERT_TRUE(make_assessment(s()));
    EXPECT_FALSE(a().forecast.made);
    EXPECT_EQ(a().forecast.reason, "fewer than 4 usable pairs with the latest scan (3)");
    assess(s(), true);
    EXPECT_EQ(lines_with(f.new_out_lines(), " Forecast: none,"),
              std::vector<std::string>{
                  " Forecast: none, fewer than 4 usable pairs with the latest scan (3)"});
}

TEST_F(ConstructedSeries, UsesATolerancePlacedByTheUserAsTheThreshold) {
    load({1, 2, 3, 4, 5, 6, 7, 8}, 0.5, 2.0, 0.001, false);
    ASSERT_TRUE(make_assessment(s()));
    ASSERT_TRUE(a().forecast.made) << a().forecast.reason;
    EXPECT_TRUE(a().forecast.threshold_is_noise);
    const Forecast by_noise = a().forecast;
    set_equilibrium_tolerance(s(), by_noise.threshold / std::exp(1.0));
    ASSERT_TRUE(make_assessment(s()));
    EXPECT_FALSE(a().forecast.threshold_is_noise);
    // A threshold e times lower is reached one time constant later.
    EXPECT_TRUE(close_to(a().forecast.equilibrium_time_s - by_noise.equilibrium_time_s,
                         a().forecast.tau_s, 1e-6 * kHour));
}

TEST_F(ConstructedSeries, RefusesToAssessWithoutAFitOfTheCurrentScans) {
    load({1, 2, 3}, 0.0, 1.0, 0.005, true);
    transfer_data(s());
    f.new_out_lines();
    assess(s(), true);
    const std::string why = "No fit of the current active data sets to assess: fit first";
    EXPECT_EQ(s().last_error, why);
    EXPECT_EQ(f.new_out_lines(), std::vector<std::string>{" " + why});
    EXPECT_EQ(f.box.trimmed().back(), " " + why);
    EXPECT_FALSE(a().made);
    EXPECT_EQ(read_pair(s(), 2, 1).status, PairStatus::kNotCompared);
}

TEST_F(ConstructedSeries, RefusesSettingsOutOfRangeAndKeepsTheOldOnes) {
    set_equilibrium_block(s(), -1.0);
    EXPECT_EQ(s().assessment_settings.min_block_s, 4 * kHour);
    EXPECT_EQ(s().last_error,
              "The minimum time of an equilibrium block must be a number of 0 or more, not "
              "-1.00000: kept");
    set_equilibrium_tolerance(s(), std::nan(""));
    EXPECT_EQ(s().assessment_settings.tolerance, 0.0);
    EXPECT_EQ(f.box.lines.size(), 2u);
}

TEST_F(ConstructedSeries, LogsAChangeOfTheFMethodOnce) {
    set_exact_f(s(), true);
    set_exact_f(s(), true);
    EXPECT_EQ(f.new_out_lines(),
              std::vector<std::string>{
                  " F critical values from now on: the exact quantile of the F distribution"});
    set_exact_f(s(), false);
    EXPECT_EQ(
        f.new_out_lines(),
        std::vector<std::string>{" F critical values from now on: the closed-form approximation"});
}

TEST_F(ConstructedSeries, InitialisationRestoresTheDefaultsAndForgetsTheAssessment) {
    load({1, 2, 3, 4, 5, 6}, 0.0, 1.0, 0.005, true);
    set_equilibrium_block(s(), 60.0);
    set_equilibrium_tolerance(s(), 0.01);
    s().exact_f = true;
    ASSERT_TRUE(make_assessment(s()));
    init_commons(s(), false);
    EXPECT_EQ(s().assessment_settings.min_block_s, 4 * kHour);
    EXPECT_EQ(s().assessment_settings.tolerance, 0.0);
    EXPECT_FALSE(s().exact_f);
    EXPECT_FALSE(s().assessment.made);
}

TEST(PairReadoutCase, LeavesOutThePositionFitWhenEverySlopeOfTheReferenceIsTheSame) {
    Fixture f;
    const std::vector<double> x = uneven_grid(18.0, 0.05, 30, 19);
    f.s().differ_span = 10;
    load_active_sets(f.s(), {{x, noise(30, 1)}, {x, values_at(x, [](double) { return 0.25; })}});
    // Equal slopes everywhere: the fit cannot solve for a position offset.
    for (int m = 1; m <= f.s().active_point_count[0]; ++m)
        f.s().active_points[m].weight = f.s().active_points[m].work = 0.5;
    f.s().deriv_valid[0] = 2;
    fit_all(f.s(), 2);
    const PairReadout p = read_pair(f.s(), 2, 1);
    EXPECT_EQ(p.status, PairStatus::kNoPositionFit);
    EXPECT_EQ(p.rms[3], 0.0);
    EXPECT_EQ(p.x_offset, 0.0);
    EXPECT_EQ(p.rms[1], f.s().fit.pair_rms(1, 2, 1));
}

}  // namespace
}  // namespace quillane::testing
