// SPDX-License-Identifier: MIT
// Timing of reading a full store through the export the front end calls:
// 50 scan files of 2048 points each (102,400 points), read with getdatar as
// data sets 1..50 into the shared library's state, with the summary lines
// going to a report file.  The files are written once into the temporary
// folder, in the layout of the instrument's absorbance files: a description
// line, a time line and one "radius  value  error" line per point, CR LF.
// Folder and report are removed at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "quillane.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 50;
constexpr int kPointsPerFile = 2048;

fs::path folder() {
    return fs::temp_directory_path() / "quillane-read-bench";
}

std::string report_path() {
    return (folder() / "report.txt").string();
}

// One scan per file; each scan has its own grid and a boundary that moves.
std::vector<std::string> write_scan_files() {
    fs::create_directories(folder());
    std::vector<std::string> names;
    for (int k = 1; k <= kFiles; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        const std::string path = (folder() / name).string();
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) continue;
        std::fprintf(f, "Benchmark cell 1, 280 nm, velocity run, scan %d\r\n", k);
        std::fprintf(f, "R 1 20.0 42000 %6d 1.13698E+10 280 1\r\n", 600 * k);
        const double start = 5.80 + 0.0004 * (k % 7);
        const double step = (7.20 - 5.80) / kPointsPerFile;
        for (int m = 0; m < kPointsPerFile; ++m) {
            const double r = start + step * m;
            const double c = 0.8 / (1.0 + std::exp(-40.0 * (r - 6.0 - 0.01 * k))) +
                             0.002 * std::sin(37.0 * m + k);
            std::fprintf(f, "%.4f  %.5E  %.5E\r\n", r, c, 0.004 + 0.001 * std::cos(m * 0.7));
        }
        std::fclose(f);
        names.push_back(path);
    }
    return names;
}

void BM_ReadFiftyScanFiles(benchmark::State &state) {
    const std::vector<std::string> names = write_scan_files();
    const int32_t no_echo = 0;
    const std::string report = report_path();
    init_lbsink(nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        std::fclose(std::fopen(report.c_str(), "wb"));
        initcommons(&no_echo);
        init_namwr(report.c_str(), static_cast<int32_t>(report.size()));
        state.ResumeTiming();
        for (int32_t n = 1; n <= static_cast<int32_t>(names.size()); ++n)
            getdatar(names[n - 1].c_str(), static_cast<int32_t>(names[n - 1].size()), &n);
    }
    state.counters["files"] = static_cast<double>(names.size());
    state.counters["points"] = static_cast<double>(names.size()) * kPointsPerFile;
}

BENCHMARK(BM_ReadFiftyScanFiles)->Apply(quillane::bench::with_spread);

}  // namespace

int main(int argc, char **argv) {
    return quillane::bench::run_benchmarks(argc, argv, folder());
}
