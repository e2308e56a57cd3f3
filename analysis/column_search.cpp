// SPDX-License-Identifier: MIT
#include "column_search.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "log.h"

namespace quillane {
namespace {

void refuse(State &s, const std::string &why) {
    const std::string line = " Solution columns not searched: " + why;
    Log::post_error(s, line);
}

// Rounded to the limit step, inward: up for a lower limit, down for an
// upper one.  The guard keeps a value that is a whole step but for its last
// bit where it is.
double rounded_inward(double v, bool up) {
    constexpr double kGuard = 1e-9;
    const double steps = v / kColumnLimitStep;
    return (up ? std::ceil(steps - kGuard) : std::floor(steps + kGuard)) * kColumnLimitStep;
}

}  // namespace

std::vector<ColumnLimits> find_columns(State &s, const int32_t *sets, double margin_cm,
                                       std::vector<ColumnStretch> *stretches) {
    if (stretches) stretches->clear();
    if (!(margin_cm >= 0.0) || !std::isfinite(margin_cm)) {
        refuse(s, "the margin must be 0 cm or more");
        return {};
    }
    const int32_t count = sets ? sets[0] : 0;
    if (count < 1 || count > kMaxDataSets) {
        refuse(s, "no data sets given (1 to 50 are taken)");
        return {};
    }
    std::vector<std::vector<RadialPoint>> scans;
    for (int32_t i = 1; i <= count; ++i) {
        const int32_t d = sets[i];
        if (d < 1 || d > s.data_set_count) {
            refuse(s, "data set " + std::to_string(d) + " has not been read");
            return {};
        }
        std::vector<RadialPoint> &scan = scans.emplace_back();
        const int32_t first = first_raw_index(s, d);
        for (int32_t p = first; p < first + s.set_point_count[d] && p <= kMaxPoints; ++p)
            scan.push_back({s.raw_points[p].radius, s.raw_points[p].value, s.raw_points[p].sd});
    }

    // Interference scans (fringes) when any set's time line says so: their
    // noise does not grow with the level as an absorbance's does.
    ScanKind kind = ScanKind::absorbance;
    for (int32_t i = 1; i <= count; ++i)
        if (s.set_header[sets[i]].letter == 'P') kind = ScanKind::interference;
    std::vector<ColumnLimits> found;
    for (const SolutionColumn &c : find_solution_columns(scans, stretches, kind)) {
        const double low_cm = std::max(c.meniscus + margin_cm, c.clear_from);
        const double high_cm = c.base - margin_cm;
        if (!(low_cm < high_cm)) continue;
        ColumnLimits limits{c, s.xi_mode ? low_cm * low_cm / 2.0 : low_cm,
                            s.xi_mode ? high_cm * high_cm / 2.0 : high_cm};
        limits.low = rounded_inward(limits.low, true);
        limits.high = rounded_inward(limits.high, false);
        if (limits.low < limits.high) found.push_back(limits);
    }
    return found;
}

}  // namespace quillane
