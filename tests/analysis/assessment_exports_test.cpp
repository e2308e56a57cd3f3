// SPDX-License-Identifier: MIT
// The equilibrium assessment through the shared library, loaded by name as
// the program and the runner load it: settings, assess and every read-out.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "instrument_sim.h"
#include "quillane.h"
#include "test_support.h"

namespace {

class Library {
  public:
    Library() : handle_(dlopen(QUILLANE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    bool loaded() const { return handle_ != nullptr; }
    template <typename F>
    F *get(const char *name) const {
        return reinterpret_cast<F *>(dlsym(handle_, name));
    }

  private:
    void *handle_;
};

const Library &lib() {
    static Library library;
    return library;
}

std::string trimmed(const char *text, int32_t length) {
    std::string s(text, static_cast<size_t>(std::max<int32_t>(length, 0)));
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

std::string last_error() {
    char text[200];
    int32_t length = 0;
    lib().get<void(char *, int32_t, int32_t *)>("quillane_last_error")(text, sizeof text, &length);
    return trimmed(text, std::min<int32_t>(length, sizeof text));
}

// The library set up with the examples read and cut to the solution column.
class AssessmentExports : public ::testing::Test {
  protected:
    quillane::testing::ScratchDir dir;
    std::string out = dir.file("report.txt");

    void SetUp() override {
        ASSERT_TRUE(lib().loaded()) << dlerror();
        lib().get<void(const quillane_listbox_ops *)>("init_lbsink")(nullptr);  // discarded
        lib().get<void(const char *, int32_t)>("init_namwr")(out.c_str(),
                                                             static_cast<int32_t>(out.size()));
        const int32_t echo = 0;
        lib().get<void(const int32_t *)>("initcommons")(&echo);
        const std::vector<std::string> files = quillane::testing::example_scans();
        auto getdatar = lib().get<void(const char *, int32_t, const int32_t *)>("getdatar");
        for (int32_t n = 1; n <= static_cast<int32_t>(files.size()); ++n)
            getdatar(files[n - 1].c_str(), static_cast<int32_t>(files[n - 1].size()), &n);
        const double low = 17.9, high = 25.4;
        lib().get<void(const double *, const double *)>("setxirange")(&low, &high);
        int32_t ok = 0;
        lib().get<void(int32_t *)>("set_lim_indices_vb")(&ok);
        lib().get<void()>("TRANSFER_DATA")();
    }
    void fit() {
        const int32_t ref = 1;
        lib().get<void(const int32_t *)>("fit_allB")(&ref);
    }
    void assess(int32_t write) { lib().get<void(const int32_t *)>("quillane_assess")(&write); }

    struct Verdict {
        int32_t status = -2, scan = -1;
        double time_s = -1, block_s = -1;
        std::string text;
    };
    Verdict verdict() {
        Verdict v;
        char text[120];
        int32_t length = 0;
        lib().get<void(int32_t *, int32_t *, double *, double *, char *, int32_t, int32_t *)>(
            "quillane_verdict")(&v.status, &v.scan, &v.time_s, &v.block_s, text, sizeof text,
                                &length);
        v.text = trimmed(text, std::min<int32_t>(length, sizeof text));
        return v;
    }
};

TEST_F(AssessmentExports, StartWithTheDefaultSettingsAndRefuseANegativeTime) {
    double seconds = 0, tolerance = -1, confidence = 0;
    int32_t exact = -1;
    auto get = lib().get<void(double *, double *, int32_t *, double *)>(
        "quillane_get_equilibrium_settings");
    get(&seconds, &tolerance, &exact, &confidence);
    EXPECT_EQ(seconds, 14400.0);
    EXPECT_EQ(tolerance, 0.0);
    EXPECT_EQ(exact, 0);
    EXPECT_EQ(confidence, 95.0);

    const double minus = -5.0, half_hour = 1800.0, tol = 0.002;
    const int32_t on = 1;
    lib().get<void(const double *)>("quillane_set_equilibrium_time")(&minus);
    EXPECT_NE(last_error().find("must be a number of 0 or more"), std::string::npos);
    lib().get<void(const double *)>("quillane_set_equilibrium_time")(&half_hour);
    EXPECT_EQ(last_error(), "");
    lib().get<void(const double *)>("quillane_set_equilibrium_tolerance")(&tol);
    lib().get<void(const int32_t *)>("quillane_set_exact_f")(&on);
    get(&seconds, &tolerance, &exact, &confidence);
    EXPECT_EQ(seconds, 1800.0);
    EXPECT_EQ(tolerance, 0.002);
    EXPECT_EQ(exact, 1);
}

TEST_F(AssessmentExports, SayWhyThereIsNoVerdictBeforeAFit) {
    assess(0);
    EXPECT_EQ(last_error(), "No fit of the current active data sets to assess: fit first");
    const Verdict v = verdict();
    EXPECT_EQ(v.status, -1);
    EXPECT_EQ(v.scan, 0);
    EXPECT_EQ(v.text, "No fit of the current active data sets to assess: fit first");
}

TEST_F(AssessmentExports, HandOutTheNoiseVerdictForecastPairsAndSetsOfTheExamples) {
    fit();
    const std::string before = quillane::testing::read_file(out);
    assess(1);
    EXPECT_EQ(last_error(), "");
    const std::string after = quillane::testing::read_file(out);
    ASSERT_EQ(after.compare(0, before.size(), before), 0) << "the report is only appended to";
    EXPECT_NE(
        after.find(" Verdict: equilibrium reached by scan 10 (t = 20.000 h)\r\n", before.size()),
        std::string::npos);

    double noise = 0;
    int32_t dof = 0, set = 0;
    auto noise_of = lib().get<void(const int32_t *, double *, int32_t *)>("quillane_noise");
    noise_of(&set, &noise, &dof);
    EXPECT_NEAR(noise, 0.005, 0.0005);  // the generator's noise, within 10 %
    EXPECT_GT(dof, 4000);
    set = 13;
    noise_of(&set, &noise, &dof);
    EXPECT_EQ(dof, 0);

    const Verdict v = verdict();
    EXPECT_EQ(v.status, 1);
    EXPECT_EQ(v.scan, 10);
    EXPECT_EQ(v.time_s, 72000.0);
    EXPECT_EQ(v.block_s, 14400.0);
    EXPECT_EQ(v.text, "equilibrium reached by scan 10 (t = 20.000 h)");

    int32_t status = -1, pairs = 0, length = -1;
    double tau = 0, tau_error = 0, amplitude = 0, threshold = 0, t_eq = 0, interval[2] = {};
    char reason[80];
    lib()
        .get<void(int32_t *, int32_t *, double *, double *, double *, double *, double *, double *,
                  char *, int32_t, int32_t *)>("quillane_forecast")(
            &status, &pairs, &tau, &tau_error, &amplitude, &threshold, &t_eq, interval, reason,
            sizeof reason, &length);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(pairs, 11);
    EXPECT_NEAR(tau, 14400.0, 1440.0);  // the generator's 4 h, within 10 %
    EXPECT_GT(tau_error, 0.0);
    EXPECT_LT(interval[0], t_eq);
    EXPECT_GT(interval[1], t_eq);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(trimmed(reason, sizeof reason), "");

    int32_t pair_status = -1, points = 0;
    double variance[3], rms[3], y_offset[3], x_offset, f_critical;
    const int32_t ref = 12, cmp = 1;
    lib()
        .get<void(const int32_t *, const int32_t *, int32_t *, int32_t *, double *, double *,
                  double *, double *, double *)>("quillane_pair_result")(
            &ref, &cmp, &pair_status, &points, variance, rms, y_offset, &x_offset, &f_critical);
    EXPECT_EQ(pair_status, 1);
    EXPECT_GT(points, 300);
    EXPECT_NEAR(rms[0] * rms[0] * (points - 1), variance[0], 1e-12 * variance[0]);
    EXPECT_EQ(y_offset[0], 0.0);
    EXPECT_NEAR(f_critical, 1.18, 0.02);  // F(N-1, N-1) for about 380 points

    int32_t data_set = 0, set_points = 0;
    double time_s = 0;
    lib().get<void(const int32_t *, int32_t *, double *, int32_t *)>("quillane_active_set")(
        &ref, &data_set, &time_s, &set_points);
    EXPECT_EQ(data_set, 12);
    EXPECT_EQ(time_s, 86400.0);
    EXPECT_EQ(set_points, points);
}

TEST_F(AssessmentExports, HandOutWhatTheVerdictRestsOnAndTheForecastsBounds) {
    fit();
    assess(0);
    int32_t decided = -1, block = -1, too_few = -1, breaking = -1, broken = -1, reason = -1;
    int32_t length = -1;
    double rms = -1;
    char notes[400];
    lib()
        .get<void(int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, int32_t *, double *,
                  char *, int32_t, int32_t *)>("quillane_verdict_basis")(
            &decided, &block, &too_few, &breaking, &broken, &reason, &rms, notes, sizeof notes,
            &length);
    EXPECT_EQ(decided, 1);
    EXPECT_EQ(block, 3);
    EXPECT_EQ(too_few, 0);
    EXPECT_EQ(breaking, 9);
    EXPECT_EQ(broken, 1);
    EXPECT_EQ(reason, 3) << "its shape agrees, but no instrument step stands out";
    EXPECT_NEAR(rms, 0.007, 0.001) << "about the noise of a difference of two scans";
    EXPECT_EQ(trimmed(notes, std::min<int32_t>(length, sizeof notes)).rfind("scan 9 ", 0), 0u);

    int32_t group = 1, groups = -1, first = -1, last = -1;
    double baseline = -1, radial = -1;
    lib().get<void(const int32_t *, int32_t *, int32_t *, int32_t *, double *, double *)>(
        "quillane_drift")(&group, &groups, &first, &last, &baseline, &radial);
    EXPECT_EQ(groups, 0);
    EXPECT_EQ(first, 0);

    int32_t one_sided = -1;
    double lower = 0, upper = 0, floor = 0, jitter = -1;
    lib().get<void(int32_t *, double *, double *, double *, double *)>("quillane_forecast_bounds")(
        &one_sided, &lower, &upper, &floor, &jitter);
    EXPECT_EQ(one_sided, 0);
    // Scan 9 (18 h) differs from the latest by less than the threshold: it
    // does not bound the interval.
    EXPECT_GT(floor, 0.0);
    EXPECT_LT(floor, 18 * 3600.0);
    EXPECT_GE(lower, floor);
    EXPECT_GT(upper, lower);
    EXPECT_EQ(jitter, 0.0);
}

// A sedimentation velocity run read from its interference files: no
// verdict (status -1) and no forecast, both saying why.
TEST_F(AssessmentExports, OfARangeOverTheMenisciAndTheBaseGiveNoVerdictAndNoForecast) {
    // The full range of the examples' scans, meniscus spike and base
    // included: its noise is far above the replicate SD the files give.
    const double low = 16.0, high = 26.0;
    lib().get<void(const double *, const double *)>("setxirange")(&low, &high);
    int32_t ok = 0;
    lib().get<void(int32_t *)>("set_lim_indices_vb")(&ok);
    lib().get<void()>("TRANSFER_DATA")();
    fit();
    assess(0);
    const Verdict v = verdict();
    EXPECT_EQ(v.status, -1);
    EXPECT_EQ(v.text.rfind("not judged: the range 5.850 .. 7.211 cm is no solution column", 0), 0u)
        << v.text;
    int32_t status = -1, pairs = 0, length = 0;
    double tau = 0, tau_error = 0, amplitude = 0, threshold = 0, t_eq = 0, interval[2] = {};
    char reason[300];
    lib()
        .get<void(int32_t *, int32_t *, double *, double *, double *, double *, double *, double *,
                  char *, int32_t, int32_t *)>("quillane_forecast")(
            &status, &pairs, &tau, &tau_error, &amplitude, &threshold, &t_eq, interval, reason,
            sizeof reason, &length);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(trimmed(reason, std::min<int32_t>(length, sizeof reason)).rfind("the range", 0), 0u);
}

TEST_F(AssessmentExports, OfAVelocityRunSayEquilibriumIsNotJudged) {
    const int32_t echo = 0;
    lib().get<void(const int32_t *)>("initcommons")(&echo);
    quillane::sim::VelocitySetup setup;
    setup.s_svedberg = 10.0;
    setup.scans = 16;
    const quillane::sim::VelocitySeries series = quillane::sim::simulate_velocity_series(setup);
    auto getdatar = lib().get<void(const char *, int32_t, const int32_t *)>("getdatar");
    std::string error;
    for (int32_t n = 1; n <= setup.scans; ++n) {
        const std::string file = dir.file("velocity" + std::to_string(n) + ".IP1");
        ASSERT_TRUE(
            quillane::sim::write_scan(file, series.scans[static_cast<size_t>(n - 1)], error))
            << error;
        getdatar(file.c_str(), static_cast<int32_t>(file.size()), &n);
    }
    // From just above the meniscus, its spike in range, to just inside the base.
    const double low = 0.5 * 5.99 * 5.99, high = 0.5 * 7.19 * 7.19;
    lib().get<void(const double *, const double *)>("setxirange")(&low, &high);
    int32_t ok = 0;
    lib().get<void(int32_t *)>("set_lim_indices_vb")(&ok);
    lib().get<void()>("TRANSFER_DATA")();
    fit();
    assess(0);
    const std::string sentence = "a sedimentation velocity run: equilibrium is not judged";
    const Verdict v = verdict();
    EXPECT_EQ(v.status, -1);
    EXPECT_EQ(v.scan, 0);
    EXPECT_EQ(v.text.rfind(sentence + " (the boundary moves from ", 0), 0u) << v.text;

    int32_t status = -1, pairs = 0, length = -1;
    double tau = 0, tau_error = 0, amplitude = 0, threshold = 0, t_eq = 0, interval[2] = {};
    char reason[80];
    lib()
        .get<void(int32_t *, int32_t *, double *, double *, double *, double *, double *, double *,
                  char *, int32_t, int32_t *)>("quillane_forecast")(
            &status, &pairs, &tau, &tau_error, &amplitude, &threshold, &t_eq, interval, reason,
            sizeof reason, &length);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(trimmed(reason, std::min<int32_t>(length, sizeof reason)), sentence);
}

}  // namespace

// Times set through the C interface are what the reader would accept from a
// file; every accepted one prints as a number.
class TimesThroughTheInterface : public AssessmentExports {
  protected:
    std::vector<double> times() {
        std::vector<double> t(50);
        lib().get<void(double *)>("get_times")(t.data());
        return t;
    }
    void set_times(std::vector<double> t) {
        t.resize(50);
        lib().get<void(const double *)>("set_times")(t.data());
    }
};

TEST_F(TimesThroughTheInterface, ThatAreNotNumbersAreRefusedAndChangeNothing) {
    const std::vector<double> before = times();
    for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 2.0e30}) {
        std::vector<double> t(before.begin(), before.begin() + 12);
        t[5] = bad;
        set_times(t);
        EXPECT_NE(last_error().find("The new time of active set 6"), std::string::npos) << bad;
        EXPECT_NE(last_error().find("no time was changed"), std::string::npos);
        EXPECT_EQ(times(), before);
    }
}

TEST_F(TimesThroughTheInterface, AtTheBoundPrintAsNumbersInTheVerdict) {
    std::vector<double> t;
    for (int k = 1; k <= 11; ++k)
        t.push_back(8.0e28 * k);
    t.push_back(1.0e30);
    set_times(t);
    EXPECT_EQ(last_error(), "");
    fit();
    assess(1);
    const Verdict v = verdict();
    EXPECT_EQ(v.text.find('*'), std::string::npos) << v.text;
    EXPECT_NE(v.text.find("e+26 h"), std::string::npos) << v.text;  // 10^30 s in hours
    EXPECT_EQ(quillane::testing::read_file(out).find("****"), std::string::npos);
}

// Scans of three points each: the fit runs, but no pair has the four
// reference points a comparison needs, and the assessment says just that.
TEST_F(AssessmentExports, OfThreePointScansSayNoPairCouldBeCompared) {
    const int32_t echo = 0;
    lib().get<void(const int32_t *)>("initcommons")(&echo);
    auto getdatar = lib().get<void(const char *, int32_t, const int32_t *)>("getdatar");
    for (int32_t n = 1; n <= 4; ++n) {
        const std::string file = dir.write(
            "three" + std::to_string(n) + ".RA1",
            quillane::test_support::scan_text(quillane::test_support::exponential_scan(n, 3)));
        getdatar(file.c_str(), static_cast<int32_t>(file.size()), &n);
    }
    lib().get<void()>("find_smallest_range")();
    lib().get<void()>("TRANSFER_DATA")();
    const int32_t span = 3, terms = 1;
    lib().get<void(const int32_t *, const int32_t *)>("set_differ_parms")(&span, &terms);
    fit();
    assess(0);
    const std::string why =
        "No pair could be compared: every scan has fewer than 4 points in "
        "the limits";
    EXPECT_EQ(last_error(), why);
    lib().get<void()>("quillane_plot_equilibrium")();
    EXPECT_NE(last_error().find(why), std::string::npos) << last_error();
}
