// SPDX-License-Identifier: MIT
#include "equilibrium_plot.h"

#include <algorithm>
#include <cmath>

#include "equilibrium.h"
#include "ftn_format.h"
#include "log.h"
#include "plot_file.h"

namespace quillane {

namespace {

// Points along the fitted curve: enough for a smooth line at any window size.
constexpr int kCurvePoints = 120;

void line(PlotState &p, double x1, double y1, double x2, double y2) {
    p.plot_points.push_back({static_cast<float>(x1), static_cast<float>(y1), 0.0f, kCodeLineStart});
    p.plot_points.push_back(
        {static_cast<float>(x2), static_cast<float>(y2), 0.0f, kCodeLineContinue});
}

// The forecast's model of the distance of a scan at time t from the latest
// scan (time tl): B (e^((tl - t)/tau) - 1), with the noise of a difference
// added in quadrature.
double model_distance(const Forecast &f, double t, double tl, double noise_variance) {
    const double b = f.remaining;
    const double excess = b * std::expm1((tl - t) / f.tau_s);
    return std::sqrt(excess * excess + noise_variance);
}

}  // namespace

bool plot_equilibrium(State &s) {
    const AssessmentResults &a = s.assessment;
    if (!a.made) {
        // An assessment that was asked for and could not be made says why.
        const std::string why = ftn::FreeLine()
                                << " No equilibrium assessment to draw: " +
                                       (a.failure.empty() ? std::string("assess the fit first")
                                                          : a.failure);
        Log::post_error(s, why);
        return false;
    }
    Log log(s);
    PlotState &p = s.plot;
    p.plot_points.clear();

    double t_lo = a.latest_time_s, t_hi = a.latest_time_s, y_hi = 0.0;
    for (const ScanComparison &c : a.comparisons) {
        p.plot_points.push_back({static_cast<float>(c.time_s), static_cast<float>(c.rms), 0.0f, 1});
        t_lo = std::min(t_lo, c.time_s);
        y_hi = std::max(y_hi, c.rms);
    }
    // The noise of a difference of two typical scans.
    const double noise_variance = a.pooled.known() ? 2.0 * a.pooled.variance : 0.0;
    const Forecast &f = a.forecast;
    if (f.made && std::isfinite(f.equilibrium_time_s)) t_hi = std::max(t_hi, f.equilibrium_time_s);
    if (f.made && f.tau_s > 0.0) {
        for (int i = 0; i <= kCurvePoints; ++i) {
            const double t = t_lo + (a.latest_time_s - t_lo) * i / kCurvePoints;
            const float y =
                static_cast<float>(model_distance(f, t, a.latest_time_s, noise_variance));
            p.plot_points.push_back(
                {static_cast<float>(t), y, 0.0f, i == 0 ? kCodeLineStart : kCodeLineContinue});
        }
    }
    if (noise_variance > 0.0)
        line(p, t_lo, std::sqrt(noise_variance), t_hi, std::sqrt(noise_variance));
    if (f.made && f.threshold > 0.0) line(p, t_lo, f.threshold, t_hi, f.threshold);
    if (f.made && std::isfinite(f.equilibrium_time_s))
        line(p, f.equilibrium_time_s, 0.0, f.equilibrium_time_s, y_hi);

    p.plot_heading = ftn::pad_right(outfile_heading(s, " Equilibrium:"), kPlotTextLength);
    std::string second = a.verdict.text;
    // Numbers through the library's own layouts: a host program's locale
    // must not put a decimal comma into the plot file.
    if (f.made)
        second +=
            "; forecast " + std::string(ftn::trim(hours_field(f.equilibrium_time_s, 24, 2))) + " h";
    p.plot_heading2 = ftn::pad_right(second.substr(0, kPlotTextLength), kPlotTextLength);
    p.plot_xlabel = ftn::pad_right("            Time", kPlotTextLength);
    p.plot_ylabel = ftn::pad_right("RMS Devs from the latest scan", kPlotTextLength);
    log.both(ftn::FreeLine() << " Graphing the approach to equilibrium: RMS devs from scan"
                             << a.latest << " as f(time)");
    write_plot_file(s);
    return true;
}

}  // namespace quillane
