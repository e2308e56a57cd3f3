// SPDX-License-Identifier: MIT
#include "fit_readout.h"

#include <algorithm>

#include "fit_fquantile.h"
#include "fit_match.h"

namespace quillane {

bool fit_is_current(const State &s) {
    const int sets = active_set_count(s);
    return sets >= 2 && s.deriv_valid[0] == sets && s.fit.averaged_pairs > 0;
}

PairReadout read_pair(const State &s, int ref, int cmp) {
    PairReadout p;
    const int sets = active_set_count(s);
    if (ref < 1 || ref > sets || cmp < 1 || cmp > sets || ref == cmp) return p;
    if (!fit_is_current(s) || !pair_comparable(s, ref, cmp)) return p;
    const FitResults &r = s.fit;
    p.points = active_set_points(s, ref);
    const bool solved = r.pair_position_fitted(ref, cmp) != 0;
    p.status = solved ? PairStatus::kCompared : PairStatus::kNoPositionFit;
    const int kinds = solved ? kFitKinds : 2;
    for (int k = 1; k <= kinds; ++k) {
        p.variance[k] = r.pair_rss(k, ref, cmp);
        p.rms[k] = r.pair_rms(k, ref, cmp);
        p.y_offset[k] = k > 1 ? r.pair_y_offset(k, ref, cmp) : 0.0;
    }
    if (solved) p.x_offset = r.pair_x_offset(ref, cmp);
    p.f_critical = critical_f(s, p.points - 1, p.points - 1, s.confidence_level / 100.0);
    return p;
}

SetReadout read_active_set(const State &s, int k) {
    SetReadout out;
    if (k < 1 || k > active_set_count(s)) return out;
    out.data_set = s.active_sets[k];
    out.time_s = s.active_time[k];
    out.points = active_set_points(s, k);
    return out;
}

}  // namespace quillane
