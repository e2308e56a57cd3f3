// SPDX-License-Identifier: MIT
// The verdict and the forecast on series of the instrument simulator, read
// scan by scan as they arrive: series that settle with and without a late
// baseline step and radial shift, drift while still approaching, and short
// series with scans 6 h apart.  Each case prints its seed and its tally.
//
// The truth of one analysed column follows from the model, whose approach
// term is a(r) e^(-t/tau): R(t), the RMS of that term over the limits, is
// the remaining distance from equilibrium.
// - Verdict: a scan at time t is settled once R(t) is below the noise
//   (sigma).  A verdict "reached by scan k" is early when R(t_k) was still
//   above twice the noise; a series is missed when it is not called reached
//   although three scans spanning the minimum time lie where R is below half
//   the noise.  The factor 2 each way is the resolution an F test over a
//   short column has.
// - Forecast: it forecasts the time R falls to its own threshold; its
//   interval should hold that time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "assessment.h"
#include "equilibrium.h"
#include "fit_match.h"
#include "fit_test_support.h"
#include "instrument_sim.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

constexpr double kHour = 3600.0;
// Users set limits this far inside the meniscus and the base: clear of the
// spikes also when a scan is shifted by 0.015 cm.
constexpr double kMarginCm = 0.035;
// Windows of 20 points follow a column's profile with a cubic.
constexpr int kSpan = 20;

struct Tally {
    int early = 0, right = 0, missed = 0;
    int forecasts = 0, held = 0;
    void add(const Tally &t) {
        early += t.early, right += t.right, missed += t.missed;
        forecasts += t.forecasts, held += t.held;
    }
};

// One simulated series and the column a user would analyse: the smoothest
// (outermost) of a six-channel cell, the one of a two-channel cell.
class SimulatedSeries {
  public:
    explicit SimulatedSeries(const sim::SeriesSetup &setup)
        : spec_(setup), series_(sim::simulate_series(setup)) {
        channel_ = static_cast<int>(series_.truth.channels.size()) - 1;
        const sim::ChannelTruth &c = series_.truth.channels[static_cast<size_t>(channel_)];
        lo_ = c.meniscus + kMarginCm;
        hi_ = c.base - kMarginCm;
        // The RMS of the approach term at the speed's start, over the limits.
        double sum = 0.0;
        int n = 0;
        for (double r = lo_; r <= hi_; r += 0.002, ++n) {
            const double t0 = setup.speed_start_h;
            const double a = sim::model_value(setup, channel_, r, t0) -
                             sim::model_value(setup, channel_, r, t0 + 1e4 * setup.tau_h);
            sum += a * a;
        }
        rms_start_ = std::sqrt(sum / n);
    }

    // The clock time (s) at which R falls to `distance`.
    double time_of_distance(double distance) const {
        return (spec_.speed_start_h + spec_.tau_h * std::log(rms_start_ / distance)) * kHour;
    }

    // The first `scans` scans within the limits, fitted and assessed.
    const AssessmentResults &assess_first(Fixture &f, int scans) const {
        std::vector<SetPoints> sets;
        for (int k = 0; k < scans; ++k) {
            SetPoints &set = sets.emplace_back();
            for (const sim::Point &p : series_.scans[static_cast<size_t>(k)].points)
                if (p.r >= lo_ && p.r <= hi_) {
                    set.x.push_back(0.5 * p.r * p.r);
                    set.y.push_back(p.value);
                }
        }
        State &s = f.s();
        s.differ_span = kSpan;
        load_active_sets(s, sets);
        for (int k = 0; k < scans; ++k)
            s.active_time[k + 1] = series_.scans[static_cast<size_t>(k)].time_s;
        fit_all(s, 1);
        make_assessment(s);
        return s.assessment;
    }

    // Every prefix of three scans or more, judged against the truth.
    Tally judge_as_scans_arrive(const std::string &name) const {
        Tally t;
        const double sigma = series_.truth.channels[static_cast<size_t>(channel_)].noise_od;
        const double early_before = time_of_distance(2.0 * sigma);
        const double settled_from = time_of_distance(0.5 * sigma);
        std::string line;
        for (int m = 3; m <= spec_.scans; ++m) {
            Fixture f;
            const AssessmentResults &a = assess_first(f, m);
            const Verdict &v = a.verdict;
            // Could a sound verdict have called it from these scans?
            int settled = 0;
            double first_settled = 0.0;
            for (int k = m - 1; k >= 0; --k) {
                const double t = series_.scans[static_cast<size_t>(k)].time_s;
                if (t < settled_from) break;
                ++settled;
                first_settled = t;
            }
            const bool callable = settled >= kMinBlockScans && a.latest_time_s - first_settled >=
                                                                   kDefaultEquilibriumBlockSeconds;
            char mark = '.';
            if (v.status == VerdictStatus::kReached && v.time_s < early_before) {
                ++t.early;
                mark = 'E';
            } else if (v.status != VerdictStatus::kReached && callable) {
                ++t.missed;
                mark = 'M';
            } else {
                ++t.right;
                mark = v.status == VerdictStatus::kReached ? 'R' : 'a';
            }
            line += mark;
            const Forecast &fc = a.forecast;
            if (fc.made) {
                const double truth = time_of_distance(fc.threshold);
                ++t.forecasts;
                const bool held =
                    truth >= fc.interval_lo_s && (fc.one_sided || truth <= fc.interval_hi_s);
                if (held)
                    ++t.held;
                else
                    std::printf("    %s scans %d: forecast %.2f h [%.2f, %.2f] misses %.2f h\n",
                                name.c_str(), m, fc.equilibrium_time_s / kHour,
                                fc.interval_lo_s / kHour, fc.interval_hi_s / kHour, truth / kHour);
            }
            if (mark == 'E' || mark == 'M')
                std::printf("    %s scans %d: %s (settled from %.2f h) %s\n", name.c_str(), m,
                            v.text.c_str(), settled_from / kHour,
                            v.notes.empty() ? "" : v.notes.back().c_str());
        }
        std::printf(
            "[ verdict ] %-30s seed %3llu: %s  early %d right %d missed %d, forecasts %d "
            "held %d\n",
            name.c_str(), static_cast<unsigned long long>(spec_.seed), line.c_str(), t.early,
            t.right, t.missed, t.forecasts, t.held);
        return t;
    }

  private:
    sim::SeriesSetup spec_;
    sim::Series series_;
    int channel_ = 0;
    double lo_ = 0.0, hi_ = 0.0, rms_start_ = 0.0;
};

struct Case {
    const char *name;
    double interval_h;
    int scans;
    double tau_h;
    int drift_from;  // scan index from which on the drift applies; -1 none
    double baseline, radial_cm;
    sim::Centerpiece centerpiece = sim::Centerpiece::six_channel;
    // Lamp and position jitter as real runs show it (the scale SD drawn per
    // series from the range measured at 280 nm), and the speed the series
    // starts from (0: uniform loading).
    bool jitter = false;
    double previous_rpm = 0.0;
    // The share of prefixes that may be missed.  With jitter a block needs
    // five scans (the jitter and the absence of a trend are read off it), so
    // 6 h apart a settled series waits two scans longer than without.
    double may_miss = 0.07;
};

sim::SeriesSetup spec_of(const Case &c, uint64_t seed) {
    sim::SeriesSetup setup;
    setup.seed = seed;
    setup.centerpiece = c.centerpiece;
    setup.interval_h = c.interval_h;
    setup.scans = c.scans;
    setup.tau_h = c.tau_h;
    setup.start_h = c.interval_h;
    setup.previous_rpm = c.previous_rpm;
    if (c.jitter) {
        setup.real.scale_jitter = sim::measured_scale_jitter(280.0, seed, setup.cell, setup.rpm);
        setup.real.radial_jitter_cm = sim::kMeasuredRadialJitterCm;
    }
    if (c.drift_from >= 0) {
        setup.drift.baseline_od.assign(static_cast<size_t>(c.scans), 0.0);
        setup.drift.radial_shift_cm.assign(static_cast<size_t>(c.scans), 0.0);
        for (int k = c.drift_from; k < c.scans; ++k) {
            setup.drift.baseline_od[static_cast<size_t>(k)] = c.baseline;
            setup.drift.radial_shift_cm[static_cast<size_t>(k)] = c.radial_cm;
        }
    }
    return setup;
}

// Twelve seeds: every case then holds 70 to 430 forecasts.
constexpr uint64_t kSeeds = 12;

class SimulatedVerdict : public ::testing::TestWithParam<Case> {};

TEST_P(SimulatedVerdict, IsNeitherEarlyNorMissedAndItsForecastHoldsTheTruth) {
    Tally all;
    for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        all.add(SimulatedSeries(spec_of(GetParam(), seed)).judge_as_scans_arrive(GetParam().name));
    }
    std::printf(
        "[ total   ] %-30s early %d right %d missed %d; forecast intervals holding the "
        "truth %d of %d\n",
        GetParam().name, all.early, all.right, all.missed, all.held, all.forecasts);
    // The goal is no early or missed verdict and 95 % of the intervals
    // holding the truth.  Over these seeds today: at most 1 early verdict in
    // a case (a chance pass of the F test just before R falls to twice the
    // noise); misses right after a late step on the long two-channel column
    // (10 of 168 prefixes), where the scans before the step are too few to
    // be a plateau of their own, or the latest scan is the only one after
    // it, and with lamp jitter where the block is still too short to show
    // its jitter (6 of 456 hourly, 20 of 96 6 h apart); 94-100 % of the
    // intervals per case.  The guards sit just outside that.
    const int verdicts = all.early + all.right + all.missed;
    EXPECT_LE(all.early, 0.02 * verdicts);
    EXPECT_LE(all.missed, GetParam().may_miss * verdicts);
    // 95 % of the intervals, less what chance takes from a binomial count
    // (2.33 of its standard deviations, one-sided 99 %): a case with lamp
    // jitter makes few forecasts.
    const double forecasts = all.forecasts;
    EXPECT_GE(all.held, 0.95 * forecasts - 2.33 * std::sqrt(0.95 * 0.05 * forecasts));
}

INSTANTIATE_TEST_SUITE_P(
    Series, SimulatedVerdict,
    ::testing::Values(Case{"hourly, no drift", 1.0, 40, 5.0, -1, 0.0, 0.0},
                      Case{"hourly, late step", 1.0, 40, 5.0, 32, 0.012, 0.015},
                      Case{"hourly, late baseline step", 1.0, 40, 5.0, 30, 0.015, 0.0},
                      Case{"hourly, step while approaching", 1.0, 40, 5.0, 12, 0.012, 0.015},
                      Case{"6 h apart, no drift", 6.0, 10, 6.0, -1, 0.0, 0.0},
                      Case{"6 h apart, late step", 6.0, 10, 6.0, 7, 0.015, 0.012},
                      Case{"two-channel, 3 h, late step", 3.0, 16, 6.0, 11, 0.012, 0.015,
                           sim::Centerpiece::two_channel},
                      Case{"hourly, from the previous speed", 1.0, 40, 5.0, -1, 0.0, 0.0,
                           sim::Centerpiece::six_channel, false, 7000.0},
                      Case{"hourly, lamp jitter", 1.0, 40, 5.0, -1, 0.0, 0.0,
                           sim::Centerpiece::six_channel, true},
                      Case{"hourly, previous speed, jitter", 1.0, 40, 5.0, -1, 0.0, 0.0,
                           sim::Centerpiece::six_channel, true, 7000.0},
                      Case{"6 h apart, lamp jitter", 6.0, 10, 6.0, -1, 0.0, 0.0,
                           sim::Centerpiece::six_channel, true, 0.0, 0.25}),
    [](const auto &info) {
        std::string name;
        for (const char ch : std::string(info.param.name))
            if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
        return name;
    });

}  // namespace
}  // namespace quillane::testing
