// SPDX-License-Identifier: MIT
#include "selection.h"

#include <algorithm>
#include <cmath>

#include "ftn_format.h"
#include "log.h"
#include "scanfile.h"

namespace quillane {

void transfer_data(State &s) {
    std::fill(s.active_point_set.begin(), s.active_point_set.end(), 0);
    std::fill(s.active_points.begin(), s.active_points.end(), ActivePoint{0.0, 0.0, 0.0, 0.0});
    s.active_point_count.fill(0);

    Log log(s);
    const int32_t sets = active_set_count(s);
    log.both(ftn::FreeLine() << " Number of Selected Data sets is:" << sets);

    int32_t &total = s.active_point_count[0];
    for (int k = 1; k <= sets; ++k) {
        const int32_t d = s.active_sets[k];
        s.active_start[k] = total + 1;
        s.active_end[k] = total;
        if (d < 1 || d > kMaxDataSets) continue;  // not a data set: contributes nothing
        s.active_time[k] = s.set_time[d];
        // Keep the window inside the set's own points, so stale indices can
        // never reach another set or beyond the store.
        const int32_t first = first_raw_index(s, d);
        const int32_t last = first + s.set_point_count[d] - 1;
        const int32_t lo = std::max(s.lim_lo[d], first);
        const int32_t hi = std::min(s.lim_hi[d], last);
        s.active_point_count[k] = s.lim_hi[d] - s.lim_lo[d] + 1;
        if (lo != s.lim_lo[d] || hi != s.lim_hi[d])
            s.active_point_count[k] = std::max(0, hi - lo + 1);
        for (int32_t p = lo; p <= hi && total < kMaxPoints; ++p) {
            const int32_t m = ++total;
            s.active_point_set[m] = k;
            const RawPoint &rp = s.raw_points[p];
            s.active_points[m] = {rp.value, 1.0, rp.unused, s.xi_mode ? rp.xi : rp.radius};
        }
        s.active_end[k] = total;
        if (s.active_point_count[k] > 0) s.active_point_count[k] = total - s.active_start[k] + 1;
    }

    const char *unit_low = s.xi_mode ? " cm^2 as XI(low) " : " cm as XI(low) ";
    const char *unit_high = s.xi_mode ? " cm^2 as XI(high) " : " cm as XI(high) ";
    const std::string low = ftn::FreeLine() << " Using" << s.xi_low << unit_low;
    const std::string high = ftn::FreeLine() << " Using" << s.xi_high << unit_high;
    log.file(low);
    log.file(high);
    log.box(low);
    log.box(high);
    s.deriv_valid[0] = 0;
}

void put_plot_list(State &s, const int32_t *list) {
    const int32_t count = std::clamp<int32_t>(list[0], 0, kMaxDataSets);
    s.plot_list[0] = count;
    for (int i = 1; i <= count; ++i)
        s.plot_list[i] = list[i];
}

bool find_limit_indices(State &s, double low, double high) {
    Log log(s);  // the search reports nothing, but opens the file like every operation
    auto position = [&](int32_t i) {
        return s.xi_mode ? s.raw_points[i].xi : s.raw_points[i].radius;
    };
    const int sets = std::clamp(s.data_set_count, 0, kMaxDataSets);
    bool ok = true;
    for (int k = 1; k <= sets; ++k) {
        const int32_t first = first_raw_index(s, k);
        const int32_t last = std::min(first + s.set_point_count[k] - 1, kMaxPoints);
        int32_t lo = first;
        int32_t hi = last;
        if (s.xi_mode) {
            while (lo <= last && position(lo) < low)
                ++lo;
            while (hi >= first && position(hi) > high)
                --hi;
        } else {
            while (lo < last && position(lo) < low)
                ++lo;
            while (hi > first && position(hi) > high)
                --hi;
        }
        s.lim_lo[k] = lo;
        s.lim_hi[k] = hi;
        if (hi - lo < s.differ_span) ok = false;
    }
    return ok;
}

bool set_limit_indices(State &s) {
    return find_limit_indices(s, s.xi_low, s.xi_high);
}

void find_smallest_range(State &s) {
    if (s.xi_mode)
        find_limit_indices(s, kDefaultXiLow, kDefaultXiHigh);
    else
        find_limit_indices(s, kDefaultRadiusLow, kDefaultRadiusHigh);
}

void set_position_variable(State &s, double choice) {
    Log log(s);
    const bool radius = choice == 0.0;
    const std::string message = ftn::FreeLine()
                                << (radius ? "Now in Radius mode (using R) for position variable"
                                           : "Now in XI mode (using R^2/2) for position variable");
    const std::string blank = ftn::FreeLine() << " ";
    log.file("");
    log.file(message);
    log.file("");
    log.box(blank);
    log.box(message);
    log.box(blank);
    s.xi_mode = !radius;
}

void set_times(State &s, const double *times) {
    Log log(s);
    // A time that is not a number, or lies beyond what the reader accepts
    // from a file, would make every later time line and verdict unreadable:
    // the whole call is refused and nothing changes.
    for (int k = 1; k <= active_set_count(s); ++k) {
        const double t = times[k - 1];
        if (std::isfinite(t) && std::fabs(t) <= kTimeBound) continue;
        Log::post_error(s, " The new time of active set " + std::to_string(k) + " (" +
                               (std::isnan(t)   ? std::string("NaN")
                                : std::isinf(t) ? std::string(t > 0 ? "Infinity" : "-Infinity")
                                                : std::string(ftn::trim(ftn::general(t)))) +
                               ") is not a time up to 1.0E+30 s: no time was changed");
        return;
    }
    const std::string blank = ftn::FreeLine() << " ";
    const std::string heading = ftn::FreeLine() << " Setting New Times for Active Data Sets ";
    log.file(blank);
    log.file(heading);
    log.box(blank);
    log.box(heading);
    for (int k = 1; k <= active_set_count(s); ++k) {
        log.both(" DS: " + ftn::int_field(k, 2) + " Old Value: " + ftn::general(s.active_time[k]) +
                 " , New Value: " + ftn::general(times[k - 1]));
        const int32_t d = s.active_sets[k];
        if (d >= 1 && d <= kMaxDataSets) s.set_time[d] = times[k - 1];
    }
    log.both(blank);
    for (int k = 1; k <= kMaxDataSets; ++k)
        s.active_time[k] = times[k - 1];
}

void get_times(const State &s, double *times) {
    for (int k = 1; k <= kMaxDataSets; ++k)
        times[k - 1] = s.active_time[k];
}

void renumber_fringes(State &s) {
    Log log(s);
    log.both(ftn::FreeLine() << " Renumbering fringes");
    auto frac = [](double v) { return v - std::floor(v); };
    const int sets = std::clamp(s.data_set_count, 0, kMaxDataSets);
    for (int k = 1; k <= sets; ++k) {
        const int32_t first = first_raw_index(s, k);
        const int32_t last = std::min(first + s.set_point_count[k] - 1, kMaxPoints);
        if (last < first) continue;
        double prev = frac(s.raw_points[first].value);
        s.raw_points[first].value = prev;
        for (int32_t i = first + 1; i <= last; ++i) {
            const double f = frac(s.raw_points[i].value);
            double d = f - prev;
            prev = f;
            if (std::fabs(d) > 0.5) d += d > 0 ? -1.0 : 1.0;
            s.raw_points[i].value = s.raw_points[i - 1].value + d;
        }
    }
}

}  // namespace quillane
