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

// Mixes a value's bits into h, a word at a time (FNV-1a over 64-bit words,
// the multiplier of splitmix64 spreading each word first).
template <typename T>
void mix(uint64_t &h, const T &value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t at = 0; at < sizeof(T); at += sizeof(uint64_t)) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + at, std::min(sizeof(uint64_t), sizeof(T) - at));
        h = (h ^ (word * 0xbf58476d1ce4e5b9ULL)) * 0x100000001b3ULL;
    }
}

// The range, its replicate SD and what the column finder sees in it, for
// the sets of `key`.
void look_at_range(const State &s, int sets, std::vector<uint64_t> key, RangeCheck &c) {
    c = RangeCheck{};
    c.key = std::move(key);
    bool any = false, every_sd = true, interference = false;
    std::vector<double> sds;
    std::vector<std::vector<RadialPoint>> scans;
    for (int k = 1; k <= sets; ++k) {
        const RawRange r = raw_range(s, k);
        if (r.data_set == 0) continue;
        if (s.set_header[r.data_set].letter == 'P') interference = true;
        std::vector<RadialPoint> &scan = scans.emplace_back();
        const int32_t first = first_raw_index(s, r.data_set);
        for (int32_t p = first; p < first + s.set_point_count[r.data_set] && p <= kMaxPoints; ++p) {
            const RawPoint &rp = s.raw_points[p];
            scan.push_back({rp.radius, rp.value, rp.sd});
        }
        if (r.first > r.last) continue;
        const double lo = s.raw_points[r.first].radius, hi = s.raw_points[r.last].radius;
        c.from_cm = any ? std::min(c.from_cm, lo) : lo;
        c.to_cm = any ? std::max(c.to_cm, hi) : hi;
        any = true;
        for (int32_t p = r.first; p <= r.last; ++p) {
            if (s.raw_points[p].sd >= 0.0)
                sds.push_back(s.raw_points[p].sd);
            else
                every_sd = false;
        }
    }
    if (!any) return;
    if (every_sd && !sds.empty()) c.sd = column_detail::quantile(std::move(sds), 0.5);
    c.problem = range_problem(scans, c.from_cm, c.to_cm,
                              interference ? ScanKind::interference : ScanKind::absorbance);
}

std::string cm(double r) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", r);
    return text;
}

}  // namespace

std::string range_problem(State &s, const NoiseEstimate &pooled) {
    const int sets = active_set_count(s);
    // What the answer rests on: every active set's points and limits.
    std::vector<uint64_t> key;
    for (int k = 1; k <= sets; ++k) {
        const RawRange r = raw_range(s, k);
        if (r.data_set == 0) continue;
        uint64_t h = 0xcbf29ce484222325ULL;
        mix(h, r.data_set);
        mix(h, r.first);
        mix(h, r.last);
        mix(h, s.set_header[r.data_set].letter);
        const int32_t first = first_raw_index(s, r.data_set);
        for (int32_t p = first; p < first + s.set_point_count[r.data_set] && p <= kMaxPoints; ++p) {
            mix(h, s.raw_points[p].radius);
            mix(h, s.raw_points[p].value);
            mix(h, s.raw_points[p].sd);
        }
        key.push_back(h);
    }
    RangeCheck &c = s.range_check;
    if (key != c.key) look_at_range(s, sets, key, c);
    if (!(c.to_cm > c.from_cm)) return {};
    const std::string range = "the range " + cm(c.from_cm) + " .. " + cm(c.to_cm) + " cm ";

    // The noise against the replicate SD, where every point has one.
    if (c.sd > 0.0 && pooled.known() && pooled.sd() > kMostNoiseOverSd * c.sd) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "is no solution column: its noise (%.3g) is %.0f times the files' "
                      "replicate SD (%.3g)",
                      pooled.sd(), pooled.sd() / c.sd, c.sd);
        return range + text;
    }
    if (c.problem.empty()) return {};
    return range + c.problem;
}

}  // namespace quillane
