// SPDX-License-Identifier: MIT
// Timing of the equilibrium assessment on the largest input the store holds:
// 50 active sets of 2048 points relaxing towards an equilibrium profile,
// span 50, cubic polynomials, fitted once.  The assessment's own cost is the
// noise pass (every window of every set fitted again, with its residuals);
// the verdict and the forecast work on the 49 pairs with the latest scan.
// No report is written; list-box lines are discarded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "assessment.h"
#include "fit_match.h"
#include "selection.h"
#include "state.h"

namespace {

using namespace quillane;

constexpr int kSets = 50;
constexpr int kPointsPerSet = 2048;

// c(xi, t) = c_eq(xi) + (c0 - c_eq(xi)) e^(-t/tau) with 0.003 noise, scans
// half an hour apart, tau 4 h; each scan on its own uneven grid.
std::unique_ptr<State> make_fitted_state() {
    auto s = std::make_unique<State>();
    s->out_file_name = "NUL";
    init_commons(*s, false);
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> jitter(-0.2, 0.2);
    std::normal_distribution<double> noise(0.0, 0.003);
    const double step = 7.5 / kPointsPerSet;
    int32_t index = 0;
    for (int k = 1; k <= kSets; ++k) {
        const double t = 1800.0 * k;
        double xi = 17.9 + 0.3 * step * (1.0 + jitter(random));
        for (int m = 1; m <= kPointsPerSet; ++m) {
            ++index;
            const double eq = 0.07 * std::exp(0.4 * (xi - 17.7));
            RawPoint &p = s->raw_points[index];
            p.xi = xi;
            p.radius = std::sqrt(2.0 * xi);
            p.value = eq + (0.5 - eq) * std::exp(-t / 14400.0) + noise(random);
            s->raw_point_set[index] = k;
            xi += step * (1.0 + jitter(random));
        }
        s->set_point_count[k] = kPointsPerSet;
        s->set_time[k] = t;
        s->active_sets[k] = k;
    }
    s->set_point_count[0] = index;
    s->data_set_count = kSets;
    s->active_sets[0] = kSets;
    find_limit_indices(*s, 0.0, 100.0);
    transfer_data(*s);
    fit_all(*s, 1);
    return s;
}

void BM_Assessment(benchmark::State &state) {
    auto s = make_fitted_state();
    for (auto _ : state)
        benchmark::DoNotOptimize(make_assessment(*s));
    state.counters["points"] = kSets * kPointsPerSet;
    state.counters["forecast_made"] = s->assessment.forecast.made ? 1 : 0;
}

BENCHMARK(BM_Assessment)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
