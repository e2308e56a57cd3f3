// SPDX-License-Identifier: MIT
// Shared by the benchmarks: every figure is wall-clock time (the targets are;
// the fit runs on several threads), in milliseconds, reported with the
// spread of its repetitions (run them with --benchmark_repetitions=20 or
// more, as tools/bench.sh does): mean, median, standard deviation, and the
// fastest and the slowest repetition.
//
//   BENCHMARK(BM_Something)->Apply(quillane::bench::with_spread);
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace quillane::bench {

inline void with_spread(benchmark::internal::Benchmark *b) {
    b->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->ComputeStatistics(
            "min",
            [](const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double> &v) {
            return *std::max_element(v.begin(), v.end());
        });
}

// The body of every benchmark's main(): runs the benchmarks the command line
// asks for, then removes `scratch` (a file or a folder; none when empty).
// Returns main's exit status.
inline int run_benchmarks(int argc, char **argv, const std::filesystem::path &scratch = {}) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
    return 0;
}

}  // namespace quillane::bench
