// SPDX-License-Identifier: MIT
// Fuzzes the solution column finder through the C interface, on real-shaped
// scans (the input is a scan file, read as up to three data sets with the
// noise of each shifted) and on synthetic ones (air, a meniscus spike or a
// step out of blocked light, a profile, a rough base, drawn from a few
// parameters).  Beyond the sanitizers it checks what the header promises:
// at most QUILLANE_MAX_COLUMNS columns in rising radius that do not
// overlap, each meniscus before its base inside the data, the suggested
// limits inside them, and unused entries 0.
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

constexpr int kMaxScans = 4;

// A synthetic scan: every feature's radius and height from the input.
std::string synthetic_scan(FuzzedDataProvider &in, int k, double meniscus, double base,
                           bool blocked_start) {
    const int points = in.ConsumeIntegralInRange(10, 1500);
    const double r0 = in.ConsumeFloatingPointInRange(5.72, 6.2);
    const double step = in.ConsumeFloatingPointInRange(0.0005, 0.02);
    const double noise = in.ConsumeFloatingPointInRange(0.0, 0.05);
    const double level = in.ConsumeFloatingPointInRange(-0.5, 3.0);
    const double sigma = in.ConsumeFloatingPointInRange(0.0, 5.0);
    const double spike = in.ConsumeFloatingPointInRange(0.0, 4.0);
    std::string text =
        "Synthetic cell\nR 1 20.0 12000 " + std::to_string(3600 * k) + " 1.0E09 280 32\n";
    uint32_t seed = in.ConsumeIntegral<uint32_t>() + static_cast<uint32_t>(k);
    for (int i = 0; i < points; ++i) {
        const double r = r0 + step * i;
        if (r >= 7.44) break;
        seed = seed * 1664525u + 1013904223u;
        const double jitter = noise * ((seed >> 8) / 16777216.0 - 0.5);
        double v = 0.0;
        if (r < meniscus)
            v = blocked_start ? 3.5 + 10 * jitter : jitter;
        else if (r < meniscus + 2 * step)
            v = spike + jitter;
        else if (r < base)
            v = level * std::exp(sigma * (r * r - meniscus * meniscus) / 2.0) * 0.1 + jitter;
        else
            v = 3.5 + 40 * jitter;
        char line[64];
        std::snprintf(line, sizeof line, "%.5f %.6f\n", r, v);
        text += line;
    }
    return text;
}

void check_columns(int32_t count, const double *meniscus, const double *base, const double *low,
                   const double *high) {
    require(count >= 0 && count <= QUILLANE_MAX_COLUMNS, "a column count out of range");
    for (int k = 0; k < QUILLANE_MAX_COLUMNS; ++k) {
        if (k >= count) {
            require(meniscus[k] == 0 && base[k] == 0 && low[k] == 0 && high[k] == 0,
                    "an unused column entry is not 0");
            continue;
        }
        require(std::isfinite(meniscus[k]) && std::isfinite(base[k]), "a column is not finite");
        require(meniscus[k] < base[k], "a meniscus lies at or beyond its base");
        require(meniscus[k] > 5.6 && base[k] < 7.5, "a column lies outside any scan");
        require(low[k] < high[k], "the suggested limits are not in order");
        // Limits are in xi = r^2/2 (the default position variable).
        require(std::sqrt(2 * low[k]) >= meniscus[k] - 1e-6, "a limit lies before the meniscus");
        require(std::sqrt(2 * high[k]) <= base[k] + 1e-6, "a limit lies beyond the base");
        if (k > 0) require(base[k - 1] <= meniscus[k] + 1e-9, "two columns overlap");
    }
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
    FuzzedDataProvider in(data, size);
    const bool synthetic = in.ConsumeBool();
    const int files = in.ConsumeIntegralInRange(1, kMaxScans);
    const double margin = in.ConsumeFloatingPointInRange(-0.01, 0.2);
    const bool radius = in.ConsumeBool();
    if (synthetic) {
        const double meniscus = in.ConsumeFloatingPointInRange(5.7, 7.4);
        const double base = in.ConsumeFloatingPointInRange(5.7, 7.5);
        const bool blocked = in.ConsumeBool();
        for (int k = 0; k < files; ++k)
            scans[k]->set(synthetic_scan(in, k + 1, meniscus, base, blocked));
    } else {
        // One real-shaped scan for every data set.
        const std::string file = in.ConsumeRemainingBytesAsString();
        for (int k = 0; k < files; ++k)
            scans[k]->set(file);
    }

    report.clear();
    init_lbsink(&quillane::fuzz::checking_list_box());
    init_namwr(report.path().data(), static_cast<int32_t>(report.path().size()));
    const int32_t echo = 0;
    initcommons(&echo);
    for (int32_t n = 1; n <= files; ++n)
        getdatar(scans[n - 1]->path().data(), static_cast<int32_t>(scans[n - 1]->path().size()),
                 &n);
    if (radius) {
        const double r = 0.0;
        set_x_var(&r);
    }
    int32_t sets[QUILLANE_MAX_COLUMNS + 41] = {files, 1, 2, 3, 4};
    int32_t count = -1;
    double meniscus[QUILLANE_MAX_COLUMNS], base[QUILLANE_MAX_COLUMNS], low[QUILLANE_MAX_COLUMNS],
        high[QUILLANE_MAX_COLUMNS];
    quillane_find_columns(sets, &margin, &count, meniscus, base, low, high);
    if (margin < 0) {
        require(count == 0, "a negative margin was taken");
        return 0;
    }
    if (radius) {
        // Check in xi like the rest: the limits are radii here.
        for (int k = 0; k < count; ++k) {
            low[k] = low[k] * low[k] / 2;
            high[k] = high[k] * high[k] / 2;
        }
    }
    check_columns(count, meniscus, base, low, high);
    return 0;
}
