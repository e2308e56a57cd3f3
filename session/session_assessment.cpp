// SPDX-License-Identifier: MIT
// The session's side of the equilibrium assessment: its settings, the
// assessment itself read back whole (verdict, basis, drift, forecast,
// noise), and its plot.
#include <cmath>
#include <string>

#include "session.h"
#include "session_internal.h"

namespace quillane::session {

using internal::file_exists;
using internal::whole_text;

AssessmentSettings Session::assessment_settings() const {
    AssessmentSettings s;
    int32_t exact = 0;
    lib_.quillane_get_equilibrium_settings(&s.block_s, &s.tolerance, &exact, &s.confidence);
    s.exact_f = exact != 0;
    return s;
}

Outcome Session::set_assessment_settings(const AssessmentSettings &settings) {
    if (!(settings.block_s >= 0.0) || !std::isfinite(settings.block_s))
        return refused("The minimum time of the matching scans must be 0 or more.");
    if (!(settings.tolerance >= 0.0) || !std::isfinite(settings.tolerance))
        return refused("The tolerance must be 0 or more.");
    Outcome o;
    const AssessmentSettings now = assessment_settings();
    // Each setting is checked right after it is sent: the library keeps the
    // error of its latest call only.
    if (now.block_s != settings.block_s) {
        lib_.quillane_set_equilibrium_time(&settings.block_s);
        check(o);
    }
    if (now.tolerance != settings.tolerance) {
        lib_.quillane_set_equilibrium_tolerance(&settings.tolerance);
        check(o);
    }
    if (now.exact_f != settings.exact_f) {
        const int32_t exact = settings.exact_f ? 1 : 0;
        lib_.quillane_set_exact_f(&exact);
        check(o);
    }
    return o;
}

Outcome Session::assess(bool write_report, Assessment *assessment) {
    if (!fitted()) return refused(kNoFit);
    if (!fit_current()) return refused(kStaleFit);
    Outcome o;
    const int32_t write = write_report ? 1 : 0;
    lib_.quillane_assess(&write);
    check(o);
    if (!assessment) return o;
    Assessment &a = *assessment;
    a = {};
    for (int32_t k = 0; k <= active_count(); ++k) {
        Noise n;
        int32_t dof = 0;
        lib_.quillane_noise(&k, &n.sigma, &dof);
        n.dof = dof;
        if (k == 0)
            a.pooled = n;
        else
            a.noise.push_back(n);
    }
    int32_t status = 0, scan = 0;
    a.verdict.text = whole_text([&](char *buffer, int32_t room, int32_t *length) {
        lib_.quillane_verdict(&status, &scan, &a.verdict.time_s, &a.verdict.block_s, buffer, room,
                              length);
    });
    a.verdict.status = static_cast<VerdictStatus>(status);
    a.verdict.scan = scan;
    int32_t made = 0, pairs = 0;
    double interval[2] = {0.0, 0.0};
    Forecast &f = a.forecast;
    f.reason = whole_text([&](char *buffer, int32_t room, int32_t *length) {
        lib_.quillane_forecast(&made, &pairs, &f.tau_s, &f.tau_error_s, &f.amplitude, &f.threshold,
                               &f.equilibrium_time_s, interval, buffer, room, length);
    });
    f.made = made == QUILLANE_FORECAST_MADE;
    f.pairs = pairs;
    f.interval_low_s = interval[0];
    f.interval_high_s = interval[1];
    int32_t one_sided = 0;
    double low = 0.0, high = 0.0;
    lib_.quillane_forecast_bounds(&one_sided, &low, &high, &f.floor_s, &f.jitter);
    f.one_sided = one_sided == 1;
    if (f.one_sided || !f.made) {
        f.interval_low_s = low;
        f.interval_high_s = high;
    }

    Verdict &v = a.verdict;
    int32_t decided = 0, block = 0, too_few = 0, breaking = 0, broken = 0, reason = 0;
    const std::string all = whole_text([&](char *buffer, int32_t room, int32_t *length) {
        lib_.quillane_verdict_basis(&decided, &block, &too_few, &breaking, &broken, &reason,
                                    &v.no_offset_rms, buffer, room, length);
    });
    v.decided_by = static_cast<Comparison>(decided);
    v.block_scans = block;
    v.too_few = too_few == 1;
    v.breaking_scan = breaking;
    v.broken_by = static_cast<Comparison>(broken);
    v.break_reason = static_cast<BreakReason>(reason);
    for (size_t at = 0; at < all.size();) {
        const size_t end = std::min(all.find('\n', at), all.size());
        v.notes.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    int32_t groups = 0;
    for (int32_t g = 1; g == 1 || g <= groups; ++g) {
        Drift d;
        int32_t first = 0, last = 0;
        lib_.quillane_drift(&g, &groups, &first, &last, &d.baseline, &d.radial_cm);
        if (g > groups) break;
        d.first_scan = first;
        d.last_scan = last;
        v.drift.push_back(d);
    }
    return o;
}

Outcome Session::equilibrium_plot() {
    if (!fitted()) return refused(kNoFit);
    if (!fit_current()) return refused(kStaleFit);
    Outcome o;
    const bool there = file_exists(plot_file_);
    lib_.quillane_plot_equilibrium();
    o.plot_written = plot_made(o, there);
    if (o.plot_written) limits_mode_ = false;
    return o;
}

}  // namespace quillane::session
