// SPDX-License-Identifier: MIT
// Timing of the solution column finder on the largest series the store
// holds: 50 scans of 2,048 points of a simulated six-channel cell (three
// columns, meniscus spike pairs, window regions, the three base shapes,
// replicate SDs), the points 0.0004-0.00145 cm apart.
#include <benchmark/benchmark.h>

#include "columns.h"
#include "instrument_sim.h"

namespace {

constexpr int kScans = 50;
constexpr size_t kPointsPerScan = 2048;

std::vector<std::vector<quillane::RadialPoint>> make_scans() {
    quillane::sim::SeriesSetup setup;
    setup.scans = kScans;
    setup.interval_h = 1.0;
    setup.min_step_cm = 0.0004;
    setup.max_step_cm = 0.00145;
    setup.seed = 20261209;
    std::vector<std::vector<quillane::RadialPoint>> scans;
    for (const quillane::sim::Scan &scan : quillane::sim::simulate_series(setup).scans) {
        auto &points = scans.emplace_back();
        for (const quillane::sim::Point &p : scan.points)
            if (points.size() < kPointsPerScan) points.push_back({p.r, p.value, p.sd});
    }
    return scans;
}

void BM_FindColumns(benchmark::State &state) {
    const auto scans = make_scans();
    size_t found = 0;
    for (auto _ : state) {
        const auto columns = quillane::find_solution_columns(scans);
        found = columns.size();
        benchmark::DoNotOptimize(columns.data());
    }
    state.counters["points"] = static_cast<double>(scans.size() * scans.front().size());
    state.counters["columns"] = static_cast<double>(found);
}

BENCHMARK(BM_FindColumns)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
