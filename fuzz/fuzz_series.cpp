// SPDX-License-Identifier: MIT
// Fuzzes the split of scans into series (cell, speed, wavelength; time
// order) on header facts drawn from the input -- facts absent, unreadable,
// equal, near each other, far apart, files that cannot be read -- and the
// thinning by every_nth.  Invariants: every readable scan is in exactly one
// series and no unreadable one is; a series said to be in time order is;
// the speeds and wavelengths of one series lie within the tolerances of
// its own; every line and label can be made; every_nth keeps the latest
// scan and every nth before it, in order.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "fuzz_support.h"
#include "series.h"

namespace {

using quillane::fuzz::require;
using quillane::session::ScanFacts;

std::optional<double> fact(FuzzedDataProvider &in, const std::vector<double> &usual) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return std::nullopt;
        case 1:
            return in.ConsumeFloatingPointInRange(1.0, 1e6);  // known facts are > 0
        default:
            return usual[in.ConsumeIntegralInRange<size_t>(0, usual.size() - 1)] *
                   (1.0 + in.ConsumeFloatingPointInRange(-0.01, 0.01));
    }
}

void check_every_nth(const std::vector<int> &scans, int n) {
    const std::vector<int> kept = quillane::session::every_nth(scans, n);
    if (scans.empty()) return;
    require(!kept.empty() && kept.back() == scans.back(), "every_nth lost the latest scan");
    const size_t expected = (scans.size() - 1) / static_cast<size_t>(n) + 1;
    require(kept.size() == expected, "every_nth kept the wrong number of scans");
    for (size_t i = 0; i < kept.size(); ++i)
        require(kept[kept.size() - 1 - i] == scans[scans.size() - 1 - i * static_cast<size_t>(n)],
                "every_nth kept a scan that is not every nth from the latest");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int count = in.ConsumeIntegralInRange(0, 80);
    std::vector<ScanFacts> scans(static_cast<size_t>(count));
    double clock = 0.0;
    for (int i = 0; i < count; ++i) {
        ScanFacts &f = scans[static_cast<size_t>(i)];
        f.file = "scan" + std::to_string(i + 1) + ".RA1";
        f.opened = in.ConsumeIntegralInRange(0, 15) != 0;
        if (!f.opened) {
            f.error = "cannot be read";
            continue;
        }
        f.time_line = in.ConsumeIntegralInRange(0, 7) != 0;
        if (!f.time_line) continue;
        if (in.ConsumeBool()) f.cell = in.ConsumeIntegralInRange(1, 3);
        f.speed_rpm = fact(in, {10000, 14000, 20000, 60000});
        f.wavelength_nm = fact(in, {260, 280, 281, 230});
        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:
                break;  // no time
            case 1:
                f.time_s = clock;  // the same time again
                break;
            default:
                clock += in.ConsumeFloatingPointInRange(-20000.0, 20000.0);
                f.time_s = clock;
        }
        if (in.ConsumeIntegralInRange(0, 7) == 0) f.unreadable.push_back("rotor speed");
    }

    const auto split = quillane::session::split_into_series(scans);
    std::vector<int> seen(static_cast<size_t>(count) + 1, 0);
    for (size_t s = 0; s < split.series.size(); ++s) {
        const auto &series = split.series[s];
        require(!series.scans.empty(), "an empty series");
        double last = -INFINITY;
        for (const int k : series.scans) {
            require(k >= 1 && k <= count, "a series holds a scan that is not in the list");
            ++seen[static_cast<size_t>(k)];
            const ScanFacts &f = scans[static_cast<size_t>(k - 1)];
            if (series.in_time_order && f.time_s) {
                require(*f.time_s >= last, "a series said to be in time order is not");
                last = *f.time_s;
            }
            if (series.speed_rpm && f.speed_rpm)
                require(std::fabs(*f.speed_rpm - *series.speed_rpm) <=
                            quillane::session::kSpeedTolerance * 1.0001 *
                                std::max(std::fabs(*series.speed_rpm), std::fabs(*f.speed_rpm)),
                        "a series holds a scan of another speed");
            if (series.wavelength_nm && f.wavelength_nm)
                require(std::fabs(*f.wavelength_nm - *series.wavelength_nm) <=
                            quillane::session::kWavelengthTolerance + 1e-9,
                        "a series holds a scan of another wavelength");
        }
        (void)quillane::session::series_label(split, static_cast<int>(s) + 1);
        (void)quillane::session::series_line(split, static_cast<int>(s) + 1, scans);
        (void)quillane::session::series_choice_line(split, static_cast<int>(s) + 1);
        check_every_nth(series.scans, in.ConsumeIntegralInRange(1, 12));
    }
    const std::set<int> unreadable(split.unreadable.begin(), split.unreadable.end());
    for (int k = 1; k <= count; ++k) {
        const bool opened = scans[static_cast<size_t>(k - 1)].opened;
        require(opened ? seen[static_cast<size_t>(k)] == 1 : seen[static_cast<size_t>(k)] == 0,
                "a scan is not in exactly one series");
        require(opened != unreadable.contains(k), "the unreadable files are not the ones listed");
    }
    (void)quillane::session::series_summary(split);
    return 0;
}
