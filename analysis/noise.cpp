// SPDX-License-Identifier: MIT
#include "noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "fit_workers.h"
#include "options.h"

namespace quillane {

NoiseEstimate window_noise(SlopeWork &work, int n, int span, int degree) {
    NoiseEstimate e;
    const int residual_dof = span - degree - 1;
    const int windows = n - span + 1;
    if (span < 1 || degree < 1 || degree > 3 || residual_dof < 1 || windows < 1) return e;

    LocalPolynomial poly;
    double rss = 0.0;
    for (int w = 1; w <= windows; ++w) {
        if (!fit_local_polynomial(work, w, w + span - 1, false, degree, poly)) continue;
        // The window fit leaves its centred columns behind; the residual is
        // what the polynomial does not explain of the centred value.  Columns
        // of higher degree than the fit's are not formed, so they are left out.
        for (int k = w; k < w + span; ++k) {
            double r = work.v[k] - poly.a1 * work.u[k];
            if (degree >= 2) r -= poly.a2 * work.c2[k];
            if (degree == 3) r -= poly.a3 * work.c3[k];
            rss += r * r;
        }
        ++e.windows;
    }
    if (e.windows == 0) return e;
    e.variance = rss / (static_cast<double>(e.windows) * residual_dof);
    const double independent = static_cast<double>(n) * residual_dof / span;
    e.dof = static_cast<int>(std::floor(independent * e.windows / windows));
    if (e.dof < 1) e = NoiseEstimate{};
    return e;
}

std::array<NoiseEstimate, kAssessmentSets + 1> active_set_noise(const State &s) {
    std::array<NoiseEstimate, kAssessmentSets + 1> out{};
    // The same span and degree as the slopes.
    const int span = span_in_force(s);
    const int degree = terms_in_force(s);
    const int sets = std::min(active_set_count(s), kAssessmentSets);
    if (sets < 1) return out;
    int largest = 0;
    for (int k = 1; k <= sets; ++k)
        largest = std::max(largest, active_set_points(s, k));
    // Each set's estimate is independent of the others' and the most time
    // an assessment takes: the sets are shared out over the fit's threads,
    // each with its own work space, and each writes only its own slot.
    WorkerGroup workers(std::clamp(fit_thread_count(), 1, sets));
    std::vector<SlopeWork> work(static_cast<size_t>(workers.workers()));
    for (SlopeWork &w : work)
        w.size_for(largest);
    auto task = [&](int t, int worker) {
        const int k = t + 1;
        SlopeWork &w = work[static_cast<size_t>(worker)];
        const int n = active_set_points(s, k);
        for (int m = 1; m <= n; ++m) {
            const ActivePoint &p = s.active_points[s.active_start[k] - 1 + m];
            w.x[m] = p.position;
            w.y[m] = p.value;
            w.w[m] = 1.0;
        }
        out[static_cast<size_t>(k)] = window_noise(w, n, span, degree);
    };
    workers.run(sets, task);
    return out;
}

NoiseEstimate pool_noise(std::span<const NoiseEstimate> estimates) {
    NoiseEstimate pooled;
    double sum = 0.0;
    for (const NoiseEstimate &e : estimates) {
        if (!e.known()) continue;
        sum += e.variance * e.dof;
        pooled.dof += e.dof;
        pooled.windows += e.windows;
    }
    if (pooled.dof > 0) pooled.variance = sum / pooled.dof;
    return pooled;
}

NoiseEstimate difference_noise(const NoiseEstimate &a, const NoiseEstimate &b) {
    NoiseEstimate d;
    if (!a.known() || !b.known()) return d;
    d.variance = a.variance + b.variance;
    d.windows = a.windows + b.windows;
    const double spread = a.variance * a.variance / a.dof + b.variance * b.variance / b.dof;
    // Two noiseless scans: the sum is exactly known, as if from all points.
    const double dof = spread > 0.0 ? d.variance * d.variance / spread : a.dof + b.dof;
    d.dof = std::max(1, static_cast<int>(std::floor(dof)));
    return d;
}

}  // namespace quillane
