// SPDX-License-Identifier: MIT
// Fuzzes the axis tick rounding, in double precision and through the
// exported single-precision entry, with every bit pattern of the limits:
// finite limits must give finite limits around them, with at least one
// interval, and nothing undefined on the way.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "quillane.h"
#include "tick_rounding.h"

using quillane::fuzz::require;

namespace {

template <typename T>
T any_value(FuzzedDataProvider &in) {
    T v{};
    const auto bytes = in.ConsumeBytes<uint8_t>(sizeof v);
    if (!bytes.empty()) std::memcpy(&v, bytes.data(), bytes.size());
    return v;
}

template <typename T>
void check(T lo, T hi, T out_lo, T out_hi, int32_t n) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) return;
    require(std::isfinite(out_lo) && std::isfinite(out_hi),
            "finite limits gave limits that are not");
    require(n >= 1, "fewer than one interval");
    if (hi > lo) require(out_lo <= lo && out_hi >= hi, "the limits do not enclose the range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const double lo = any_value<double>(in);
    const double hi = any_value<double>(in);
    const quillane::TickRange r = quillane::snap_plot_range(lo, hi);
    check(lo, hi, r.lo, r.hi, r.n_intervals);

    const float flo = any_value<float>(in);
    const float fhi = any_value<float>(in);
    float out_lo = 0.0f, out_hi = 0.0f;
    int32_t n = 0;
    tkrnd2(&flo, &fhi, &out_lo, &out_hi, &n);
    check(flo, fhi, out_lo, out_hi, n);
    return 0;
}
