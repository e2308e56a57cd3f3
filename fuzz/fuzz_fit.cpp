// SPDX-License-Identifier: MIT
// Fuzzes the matching fit with sets as the reader leaves them (positions
// rising inside the accepted bounds, values and times inside their
// plausibility bounds) and any span, degree, reference set, limits,
// position variable, active-set table and graph choices; then every result
// graph and data plot.  Plot files must hold finite numbers only.
//
// Sets are built from few bytes: a scale exponent per set, then two bytes
// per point for the position step and the value.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "data_plots.h"
#include "fit_match.h"
#include "fuzz_support.h"
#include "options.h"
#include "result_graphs.h"
#include "scanfile.h"
#include "selection.h"
#include "state.h"

namespace {

using quillane::State;
using quillane::fuzz::MemoryFile;

constexpr int kMaxSets = 8;
constexpr int kMaxSetPoints = 400;
constexpr double kXiLow = 16.25;
constexpr double kXiHigh = 27.75;

// Data set k from the input, appended to the raw store at `index`.
void read_set(FuzzedDataProvider &in, State &s, int k, int32_t &index) {
    const int points = in.ConsumeIntegralInRange(0, kMaxSetPoints);
    const double scale = std::pow(10.0, in.ConsumeIntegralInRange(-6, 12));
    const double step = std::pow(10.0, -in.ConsumeIntegralInRange(1, 15));
    double xi = in.ConsumeFloatingPointInRange(kXiLow, kXiHigh);
    int count = 0;
    for (int m = 0; m < points && in.remaining_bytes() > 0; ++m) {
        xi += step * in.ConsumeIntegral<uint8_t>();
        if (xi >= kXiHigh) break;
        const double v = scale * in.ConsumeIntegral<int8_t>();
        const double value = std::fmax(-quillane::kValueBound, std::fmin(quillane::kValueBound, v));
        quillane::RawPoint &p = s.raw_points[++index];
        p = {value, std::sqrt(2.0 * xi), 0.0, xi};
        s.raw_point_set[index] = k;
        ++count;
    }
    s.set_point_count[k] = count;
    s.set_time[k] = in.ConsumeFloatingPointInRange(-quillane::kTimeBound, quillane::kTimeBound);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MemoryFile report("report");
    static std::unique_ptr<State> state = std::make_unique<State>();
    static const std::string plot = quillane::fuzz::scratch_folder() + "/plot.dat";
    State &s = *state;
    FuzzedDataProvider in(data, size);

    report.clear();
    s.out_file_name = report.path();
    s.plot_file_name = plot;
    quillane::init_commons(s, false);
    s.set_point_count.fill(0);
    const int sets = in.ConsumeIntegralInRange(0, kMaxSets);
    int32_t index = 0;
    for (int k = 1; k <= sets; ++k)
        read_set(in, s, k, index);
    s.set_point_count[0] = index;
    s.data_set_count = sets;

    // Active sets: all in order, or a table from the input (any entries).
    int32_t table[quillane::kMaxDataSets] = {};
    int32_t active = sets;
    for (int k = 0; k < quillane::kMaxDataSets; ++k)
        table[k] = k + 1;
    if (in.ConsumeBool()) {
        active = in.ConsumeIntegralInRange(0, kMaxSets);
        for (int k = 0; k < active; ++k)
            table[k] = in.ConsumeIntegralInRange(-1, kMaxSets + 1);
    }
    quillane::set_redirection(s, table, active);

    if (in.ConsumeBool()) quillane::set_position_variable(s, 0.0);
    quillane::set_differ_parms(s, in.ConsumeIntegralInRange(1, 80),
                               in.ConsumeIntegralInRange(1, 3));
    const double low = in.ConsumeFloatingPointInRange(5.0, 28.0);
    const double high = in.ConsumeFloatingPointInRange(5.0, 28.0);
    s.xi_low = low;
    s.xi_high = high;
    quillane::find_limit_indices(s, low, high);
    quillane::transfer_data(s);
    const int32_t ref = in.ConsumeIntegralInRange(-1, kMaxSets + 1);
    quillane::fit_all(s, ref);

    int32_t list[quillane::kMaxDataSets + 1] = {};
    list[0] = in.ConsumeIntegralInRange(0, kMaxSets);
    for (int k = 1; k <= list[0]; ++k)
        list[k] = in.ConsumeIntegralInRange(-1, kMaxSets + 1);
    quillane::put_plot_list(s, list);
    const int32_t choices[3] = {in.ConsumeBool(), in.ConsumeBool(), in.ConsumeBool()};
    quillane::set_result_choice(s, choices, in.ConsumeBool());
    double xs[10] = {};
    const int32_t n_xs = in.ConsumeIntegralInRange(0, 10);
    for (int k = 0; k < n_xs; ++k)
        xs[k] = in.ConsumeFloatingPointInRange(5.0, 28.0);
    quillane::set_positions_to_plot(s, xs, n_xs);

    for (int32_t kind = 1; kind <= 5; ++kind) {
        quillane::plot_result_graphs(s, kind, ref);
        quillane::fuzz::take_plot_file(plot);
    }
    for (int32_t kind = 1; kind <= 3; ++kind) {
        quillane::generic_plot(s, kind, in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange(-1, 9));
        quillane::fuzz::take_plot_file(plot);
    }
    return 0;
}
