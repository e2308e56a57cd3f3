// SPDX-License-Identifier: MIT
// Fuzzes the scan file reader through the C interface: one input gives up
// to three scan files and the choices of a run; the files are read as data
// sets, then come the limits, the active store, a fit and the data plots.
//
// Beyond what the sanitizers find, it checks what the reader promises:
// every set in rising order of position, positions inside the accepted
// bounds, values and times finite and inside their plausibility bounds,
// and plot files whose numbers are all finite.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "quillane.h"
#include "scanfile.h"
#include "state.h"

namespace {

using quillane::fuzz::MemoryFile;
using quillane::fuzz::require;

constexpr int kMaxFiles = 3;

void check_store(const quillane::State &s) {
    int32_t first = 1;
    for (int k = 1; k <= s.data_set_count; ++k) {
        const int32_t last = first + s.set_point_count[k] - 1;
        for (int32_t p = first; p <= last; ++p) {
            const quillane::RawPoint &rp = s.raw_points[p];
            require(std::isfinite(rp.value) && std::fabs(rp.value) <= quillane::kValueBound,
                    "a value beyond its bound was read");
            require(rp.xi > 16.0 && rp.xi < 27.76 && rp.radius > 5.6 && rp.radius < 7.46,
                    "a position outside the accepted bounds was read");
            require(p == first || s.raw_points[p - 1].xi <= rp.xi,
                    "a set is not in rising order of position");
        }
        require(std::isfinite(s.set_time[k]) && std::fabs(s.set_time[k]) <= quillane::kTimeBound,
                "a time beyond its bound was read");
        first = last + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MemoryFile report("report");
    static const std::vector<std::unique_ptr<MemoryFile>> scans = [] {
        std::vector<std::unique_ptr<MemoryFile>> v;
        for (int k = 0; k < kMaxFiles; ++k)
            v.push_back(std::make_unique<MemoryFile>("scan"));
        return v;
    }();
    static const std::string plot = quillane::fuzz::scratch_folder() + "/plot.dat";

    FuzzedDataProvider in(data, size);
    const bool echo = in.ConsumeBool();
    const bool radius_mode = in.ConsumeBool();
    const int files = in.ConsumeIntegralInRange(1, kMaxFiles);
    const int32_t span = in.ConsumeIntegralInRange(1, 60);
    const int32_t terms = in.ConsumeIntegralInRange(1, 3);
    const double low = in.ConsumeFloatingPointInRange(5.0, 28.0);
    const double high = in.ConsumeFloatingPointInRange(5.0, 28.0);
    for (int k = 0; k < files; ++k)
        scans[k]->set(k + 1 < files ? in.ConsumeRandomLengthString(4096)
                                    : in.ConsumeRemainingBytesAsString());

    report.clear();
    init_lbsink(&quillane::fuzz::checking_list_box());
    const int32_t handle = 1, visible = 25;
    init_lbhandle(&handle, &visible);
    init_namwr(report.path().data(), static_cast<int32_t>(report.path().size()));
    setplotfile(plot.data(), static_cast<int32_t>(plot.size()));
    const int32_t echo_flag = echo ? -1 : 0;
    initcommons(&echo_flag);
    for (int32_t n = 1; n <= files; ++n)
        getdatar(scans[n - 1]->path().data(), static_cast<int32_t>(scans[n - 1]->path().size()),
                 &n);
    check_store(quillane::global_state());

    if (radius_mode) {
        const double radius = 0.0;
        set_x_var(&radius);
    }
    find_smallest_range();
    TRANSFER_DATA();
    setxirange(&low, &high);
    int32_t ok = 0;
    set_lim_indices_vb(&ok);
    TRANSFER_DATA();
    set_differ_parms(&span, &terms);
    const int32_t ref = files;
    fit_allB(&ref);

    int32_t list[quillane::kMaxDataSets + 1] = {files, 1, 2, 3};
    put_plotlist(list);
    for (int32_t kind = 1; kind <= 3; ++kind) {
        const int32_t all = -1;
        GENERIC_PLOT(&kind, &all);
        quillane::fuzz::take_plot_file(plot);
    }
    return 0;
}
