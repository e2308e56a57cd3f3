// SPDX-License-Identifier: MIT
#include "range_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "column_profile.h"
#include "columns.h"
#include "state.h"

namespace quillane {
namespace {

// Raw indices of active set k's points inside the limits (as the active
// store was built from them); first > last when it has none.
struct RawRange {
    int32_t data_set = 0, first = 1, last = 0;
};

RawRange raw_range(const State &s, int k) {
    RawRange r;
    const int32_t d = s.active_sets[k];
    if (d < 1 || d > s.data_set_count) return r;
    r.data_set = d;
    const int32_t first = first_raw_index(s, d);
    const int32_t last = std::min(first + s.set_point_count[d] - 1, kMaxPoints);
    r.first = std::max(s.lim_lo[d], first);
    r.last = std::min(s.lim_hi[d], last);
    return r;
}

// FNV-1a over the bytes of a value.
void mix(uint64_t &h, const void *data, size_t size) {
    const auto *b = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; ++i) {
        h ^= b[i];
        h *= 0x100000001b3ULL;
    }
}

std::string cm(double r) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", r);
    return text;
}

}  // namespace

std::string range_problem(State &s, const NoiseEstimate &pooled) {
    const int sets = active_set_count(s);
    double from = 0.0, to = 0.0;
    bool any = false;
    std::vector<double> sds;
    bool every_sd = true;
    bool interference = false;
    std::vector<uint64_t> key;
    std::vector<std::vector<RadialPoint>> scans;
    for (int k = 1; k <= sets; ++k) {
        const RawRange r = raw_range(s, k);
        if (r.data_set == 0) continue;
        if (s.set_header[r.data_set].letter == 'P') interference = true;
        uint64_t h = 0xcbf29ce484222325ULL;
        mix(h, &r, sizeof r);
        std::vector<RadialPoint> &scan = scans.emplace_back();
        const int32_t first = first_raw_index(s, r.data_set);
        for (int32_t p = first; p < first + s.set_point_count[r.data_set] && p <= kMaxPoints; ++p) {
            const RawPoint &rp = s.raw_points[p];
            scan.push_back({rp.radius, rp.value, rp.sd});
            mix(h, &rp.radius, sizeof rp.radius);
            mix(h, &rp.value, sizeof rp.value);
            mix(h, &rp.sd, sizeof rp.sd);
        }
        key.push_back(h);
        if (r.first > r.last) continue;
        const double lo = s.raw_points[r.first].radius, hi = s.raw_points[r.last].radius;
        from = any ? std::min(from, lo) : lo;
        to = any ? std::max(to, hi) : hi;
        any = true;
        for (int32_t p = r.first; p <= r.last; ++p) {
            if (s.raw_points[p].sd >= 0.0)
                sds.push_back(s.raw_points[p].sd);
            else
                every_sd = false;
        }
    }
    if (!any) return {};
    const std::string range = "the range " + cm(from) + " .. " + cm(to) + " cm ";

    // The noise against the replicate SD, where every point has one.
    if (every_sd && !sds.empty() && pooled.known()) {
        const double sd = column_detail::quantile(sds, 0.5);
        if (sd > 0.0 && pooled.sd() > kMostNoiseOverSd * sd) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "is no solution column: its noise (%.3g) is %.0f times the files' "
                          "replicate SD (%.3g)",
                          pooled.sd(), pooled.sd() / sd, sd);
            return range + text;
        }
    }

    // Spikes and edges, as the column finder sees them; the answer is kept
    // for the same scans and limits.
    if (key != s.range_check.key) {
        s.range_check.key = key;
        s.range_check.problem = range_problem(
            scans, from, to, interference ? ScanKind::interference : ScanKind::absorbance);
    }
    if (s.range_check.problem.empty()) return {};
    return range + s.range_check.problem;
}

}  // namespace quillane
