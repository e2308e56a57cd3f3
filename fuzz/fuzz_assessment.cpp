// SPDX-License-Identifier: MIT
// Fuzzes the equilibrium assessment through the C interface: up to eight
// scans of a profile relaxing towards equilibrium (time constant, noise,
// drift, times -- equal, out of order, up to the bound -- all from the
// input), any span and degree, settings (minimum block, tolerance, exact
// F), new times through set_times (NaN and infinity among them), the fit,
// the assessment and every read-out, and the equilibrium plot.  Beyond the
// sanitizers it checks what the header promises: states in range, every
// number finite, no row of stars or NaN in a verdict or reason, a
// forecast's interval around its time (or its lower end only, when the
// data bound it from one side), and plot files of finite numbers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "quillane.h"

namespace {

using quillane::fuzz::MemoryFile;
using quillane::fuzz::require;

constexpr int kMaxScans = 8;

std::string scan_text(FuzzedDataProvider &in, double time, double tau, double noise, double drift,
                      int points, uint32_t seed) {
    std::string text = "Relaxing cell\nR 1 20.0 12000 " + std::to_string(time) + " 1.0E09 280\n";
    const double approach = std::isfinite(time / tau) ? std::exp(-std::fabs(time / tau)) : 0.0;
    for (int i = 0; i < points; ++i) {
        const double r = 5.95 + 1.2 * i / std::max(1, points - 1);
        seed = seed * 1664525u + 1013904223u;
        const double jitter = noise * ((seed >> 8) / 16777216.0 - 0.5);
        const double eq = 0.1 * std::exp(0.4 * (r * r - 5.95 * 5.95) / 2.0);
        const double v = eq * (1.0 + approach * (r - 6.55)) + drift + jitter;
        char line[64];
        std::snprintf(line, sizeof line, "%.5f %.7g\n", r, v);
        text += line;
    }
    (void)in;
    return text;
}

std::string text_of(const char *text, int32_t length, int32_t full) {
    return std::string(text, static_cast<size_t>(std::min(length, std::max(full, 0))));
}

void check_text(const std::string &text) {
    require(text.find("**") == std::string::npos, "a text holds a row of stars");
    require(text.find("NaN") == std::string::npos && text.find("nan") == std::string::npos,
            "a text holds NaN");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MemoryFile report("report");
    static const std::vector<std::unique_ptr<MemoryFile>> scans = [] {
        std::vector<std::unique_ptr<MemoryFile>> v;
        for (int k = 0; k < kMaxScans; ++k)
            v.push_back(std::make_unique<MemoryFile>("scan"));
        return v;
    }();
    static const std::string plot = quillane::fuzz::scratch_folder() + "/plot.dat";

    FuzzedDataProvider in(data, size);
    const int files = in.ConsumeIntegralInRange(2, kMaxScans);
    const double tau = std::pow(10.0, in.ConsumeFloatingPointInRange(1.0, 8.0));
    const double noise = in.ConsumeFloatingPointInRange(0.0, 0.05);
    const int points = in.ConsumeIntegralInRange(0, 300);
    const int32_t span = in.ConsumeIntegralInRange(3, 40);
    const int32_t terms = in.ConsumeIntegralInRange(1, 3);
    const double block = in.ConsumeFloatingPointInRange(-10.0, 1e6);
    const double tolerance = in.ConsumeFloatingPointInRange(-0.01, 0.1);
    const int32_t exact = in.ConsumeBool() ? 1 : 0;
    const int32_t write = in.ConsumeBool() ? 1 : 0;
    const bool new_times = in.ConsumeBool();
    double times[50] = {};
    for (int k = 0; k < files; ++k) {
        const int kind = in.ConsumeIntegralInRange(0, 7);
        times[k] = kind == 0   ? in.ConsumeFloatingPointInRange(-1e30, 1e30)
                   : kind == 1 ? times[k > 0 ? k - 1 : 0]
                   : kind == 2 ? std::nan("")
                   : kind == 3 ? HUGE_VAL
                               : 7200.0 * (k + 1) + in.ConsumeFloatingPointInRange(-3600.0, 3600.0);
        const double file_time = std::isfinite(times[k]) ? times[k] : 3600.0 * k;
        scans[k]->set(scan_text(in, file_time, tau, noise,
                                in.ConsumeFloatingPointInRange(-0.01, 0.01), points,
                                in.ConsumeIntegral<uint32_t>()));
    }

    report.clear();
    init_lbsink(&quillane::fuzz::checking_list_box());
    init_namwr(report.path().data(), static_cast<int32_t>(report.path().size()));
    setplotfile(plot.data(), static_cast<int32_t>(plot.size()));
    const int32_t echo = 0;
    initcommons(&echo);
    for (int32_t n = 1; n <= files; ++n)
        getdatar(scans[n - 1]->path().data(), static_cast<int32_t>(scans[n - 1]->path().size()),
                 &n);
    find_smallest_range();
    TRANSFER_DATA();
    if (new_times) {
        double before[50], after[50];
        get_times(before);
        set_times(times);
        get_times(after);
        bool finite = true;
        for (int k = 0; k < files; ++k)
            finite = finite && std::isfinite(times[k]) && std::fabs(times[k]) <= 1e30;
        for (int k = 0; k < files; ++k)
            require(finite ? after[k] == times[k] : after[k] == before[k],
                    "set_times took a time it should refuse, or refused one it should take");
    }
    set_differ_parms(&span, &terms);
    quillane_set_equilibrium_time(&block);
    quillane_set_equilibrium_tolerance(&tolerance);
    quillane_set_exact_f(&exact);
    const int32_t ref = files;
    fit_allB(&ref);
    quillane_assess(&write);

    for (int32_t set = 0; set <= files + 1; ++set) {
        double sd = -1;
        int32_t dof = -1;
        quillane_noise(&set, &sd, &dof);
        require(dof >= 0 && std::isfinite(sd) && sd >= 0, "a noise is not a finite number >= 0");
    }
    int32_t status = -2, scan = -1, length = 0;
    double time_s = 0, block_s = 0;
    char text[400];
    quillane_verdict(&status, &scan, &time_s, &block_s, text, sizeof text, &length);
    require(status >= -1 && status <= 1, "a verdict state out of range");
    require(std::isfinite(time_s) && std::isfinite(block_s), "a verdict time is not finite");
    require(status != 1 || (scan >= 1 && scan <= files), "equilibrium by a scan that is none");
    check_text(text_of(text, sizeof text, length));

    int32_t made = -1, pairs = -1;
    double tau_s, tau_error, amplitude, threshold, t_eq, interval[2];
    quillane_forecast(&made, &pairs, &tau_s, &tau_error, &amplitude, &threshold, &t_eq, interval,
                      text, sizeof text, &length);
    require(made == 0 || made == 1, "a forecast state out of range");
    for (double v : {tau_s, tau_error, amplitude, threshold, t_eq, interval[0], interval[1]})
        require(std::isfinite(v), "a forecast number is not finite");
    int32_t one_sided = -1;
    double lower_s, upper_s, floor_s, jitter;
    quillane_forecast_bounds(&one_sided, &lower_s, &upper_s, &floor_s, &jitter);
    for (double v : {lower_s, upper_s, floor_s, jitter})
        require(std::isfinite(v), "a forecast bound is not finite");
    if (made == 1) {
        require(tau_s > 0, "a forecast with a time constant of 0 or less");
        // A forecast bounded from below only ("not before") reports 0 as its
        // upper end; both exports must agree on which it is.
        require(one_sided == (interval[1] == 0.0 ? 1 : 0),
                "the forecast's upper end and quillane_forecast_bounds disagree on one-sidedness");
        require(interval[0] <= t_eq && (one_sided == 1 || t_eq <= interval[1]),
                "t_eq lies outside its interval");
        require(lower_s == interval[0] && upper_s == interval[1],
                "the two exports give different interval ends");
        require(interval[0] >= floor_s, "the interval starts before its floor");
    }
    check_text(text_of(text, sizeof text, length));

    quillane_plot_equilibrium();
    quillane::fuzz::take_plot_file(plot);
    return 0;
}
