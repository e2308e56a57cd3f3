// SPDX-License-Identifier: MIT
// Timing of the matching fit on the largest input the store holds: 50 active
// sets of 2048 points (102,400 points in all), each on its own uneven grid,
// with noisy exponential profiles; span 50, cubic polynomials.
//
// Three figures: the differentiation alone, the matching of all 2450 ordered
// pairs with the report (slopes current), and the whole fit as the export
// runs it after the active store was rebuilt -- the target figure.  The
// whole fit is also timed on 1 and 2 threads (QUILLANE_THREADS); the plain
// figures use the library's default.  The counters give the heap
// allocations made inside the pair loop (expected 0), the heap a whole fit
// takes at its peak and the process's peak resident memory.  The report
// goes to a file in the temporary folder, emptied before every run and
// removed at the end; list-box lines are discarded.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <string>

#include "bench_support.h"
#include "fit_match.h"
#include "fit_slopes.h"
#include "fit_workers.h"
#include "log.h"
#include "selection.h"
#include "state.h"

namespace {

std::atomic<long> g_allocations{0};
std::atomic<long> g_live_bytes{0};
std::atomic<long> g_peak_live_bytes{0};

void note_live(long change) {
    const long live = g_live_bytes.fetch_add(change, std::memory_order_relaxed) + change;
    long peak = g_peak_live_bytes.load(std::memory_order_relaxed);
    while (live > peak && !g_peak_live_bytes.compare_exchange_weak(peak, live)) {
    }
}

}  // namespace

// Every heap allocation of the process goes through here and is counted,
// with the bytes it holds.  GCC cannot see that the replaced new and delete
// belong together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size == 0 ? 1 : size)) {
        note_live(static_cast<long>(malloc_usable_size(p)));
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    if (p != nullptr) note_live(-static_cast<long>(malloc_usable_size(p)));
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

using namespace quillane;

constexpr int kSets = 50;
constexpr int kPointsPerSet = 2048;

void discard_line(int32_t, const char *) {}
int32_t no_lines(int32_t) {
    return 0;
}
void no_top(int32_t, int32_t) {}
void no_update(int32_t) {}
int32_t no_events(int32_t) {
    return 0;
}
const quillane_listbox_ops kDiscard{discard_line, no_lines, no_top, no_update, no_events};

std::string report_path() {
    return (std::filesystem::temp_directory_path() / "quillane-fit-bench.txt").string();
}

// Sedimentation-like profiles: a rising exponential whose level and steepness
// drift from scan to scan, with 0.3 % noise; positions start at a slightly
// different xi in every scan and step unevenly.
std::unique_ptr<State> make_state() {
    auto s = std::make_unique<State>();
    s->out_file_name = report_path();
    init_commons(*s, false);
    s->lb_ops = kDiscard;
    s->lb_sink_set = true;
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> jitter(-0.2, 0.2);
    std::normal_distribution<double> noise(0.0, 0.003);
    int32_t index = 0;
    const double step = 9.5 / kPointsPerSet;
    for (int k = 1; k <= kSets; ++k) {
        double xi = 16.1 + 0.3 * step * (1.0 + jitter(random));
        const double level = 0.2 + 0.01 * k;
        const double steep = 0.45 - 0.002 * k;
        for (int m = 1; m <= kPointsPerSet; ++m) {
            ++index;
            RawPoint &p = s->raw_points[index];
            p.xi = xi;
            p.radius = std::sqrt(2.0 * xi);
            p.value = level * std::exp(steep * (xi - 16.0)) * (1.0 + noise(random));
            s->raw_point_set[index] = k;
            xi += step * (1.0 + jitter(random));
        }
        s->set_point_count[k] = kPointsPerSet;
        s->set_time[k] = 600.0 * k;
        s->active_sets[k] = k;
    }
    s->set_point_count[0] = index;
    s->data_set_count = kSets;
    s->active_sets[0] = kSets;
    s->differ_span = 50;
    s->differ_terms = 3;
    find_limit_indices(*s, 0.0, 100.0);
    transfer_data(*s);
    return s;
}

void empty_report(benchmark::State &state) {
    state.PauseTiming();
    std::FILE *f = std::fopen(report_path().c_str(), "wb");
    if (f != nullptr) std::fclose(f);
    state.ResumeTiming();
}

double peak_resident_megabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_Differentiation(benchmark::State &state) {
    auto s = make_state();
    WorkerGroup workers(fit_thread_count());
    for (auto _ : state) {
        empty_report(state);
        Log log(*s);
        prepare_slopes(*s, log, workers);
    }
    state.counters["points"] = kSets * kPointsPerSet;
    state.counters["threads"] = workers.workers();
}

// The pair loop exactly as the fit runs it, with its allocations counted.
void BM_MatchingAllPairs(benchmark::State &state) {
    auto s = make_state();
    WorkerGroup workers(fit_thread_count());
    {
        Log log(*s);
        prepare_slopes(*s, log, workers);
    }
    long allocations = 0;
    for (auto _ : state) {
        empty_report(state);
        Log log(*s);
        s->fit.fit_ref_set = 1;
        PairRun run(*s, workers);
        const long before = g_allocations.load();
        run.match_all();
        allocations = g_allocations.load() - before;
        run.hand_over(log);
        report_fit_averages(*s, log);
    }
    state.counters["pairs"] = kSets * (kSets - 1);
    state.counters["threads"] = workers.workers();
    state.counters["allocs_in_pair_loop"] = static_cast<double>(allocations);
}

// fit_allB after the active store was rebuilt: differentiation, matching,
// report and averages.  With an argument, on that many threads.
void BM_WholeFit(benchmark::State &state) {
    const bool threads_given = state.range(0) > 0;
    if (threads_given) setenv("QUILLANE_THREADS", std::to_string(state.range(0)).c_str(), 1);
    auto s = make_state();
    long peak_heap = 0;
    for (auto _ : state) {
        empty_report(state);
        s->deriv_valid[0] = 0;
        const long live = g_live_bytes.load();
        g_peak_live_bytes.store(live);
        fit_all(*s, 1);
        peak_heap = std::max(peak_heap, g_peak_live_bytes.load() - live);
    }
    benchmark::DoNotOptimize(s->fit.fit_avg_rms[3]);
    state.counters["threads"] = fit_thread_count();
    state.counters["fit_heap_peak_MB"] = static_cast<double>(peak_heap) / (1024.0 * 1024.0);
    state.counters["process_peak_rss_MB"] = peak_resident_megabytes();
    if (threads_given) unsetenv("QUILLANE_THREADS");
}

using quillane::bench::with_spread;
BENCHMARK(BM_Differentiation)->Apply(with_spread);
BENCHMARK(BM_MatchingAllPairs)->Apply(with_spread);
// Argument 0: the library's default number of threads.
BENCHMARK(BM_WholeFit)->Apply(with_spread)->ArgName("threads")->Arg(0)->Arg(1)->Arg(2);

}  // namespace

int main(int argc, char **argv) {
    // A QUILLANE_THREADS of the caller's is not the default figure's.
    unsetenv("QUILLANE_THREADS");
    return quillane::bench::run_benchmarks(argc, argv, report_path());
}
