// SPDX-License-Identifier: MIT
#include "fit_access.h"

namespace quillane {
namespace {

bool in_tables(int k, int i, int j) {
    return k >= 1 && k <= kFitKinds && i >= 1 && i <= kFitSets && j >= 1 && j <= kFitSets;
}

}  // namespace

double result_rms(const State &s, int k, int i, int j) {
    return in_tables(k, i, j) ? s.fit.pair_rms(k, i, j) : 0.0;
}

double result_rss(const State &s, int k, int i, int j) {
    return in_tables(k, i, j) ? s.fit.pair_rss(k, i, j) : 0.0;
}

double result_x_offset(const State &s, int i, int j) {
    return in_tables(1, i, j) ? s.fit.pair_x_offset(i, j) : 0.0;
}

float result_deviation(const State &s, int k, int j, int m) {
    const DeviationTable &d = s.fit.ref_deviations;
    return in_tables(k, 1, j) && m >= 1 && m <= d.points() ? d(k, j, m) : 0.0f;
}

int32_t result_ref_set(const State &s) {
    return s.fit.fit_ref_set;
}

void set_result_ref_set(State &s, int32_t set) {
    s.fit.fit_ref_set = set;
}

std::string stored_slope_label(const State &s, int32_t set) {
    return set >= 1 && set <= kFitSets ? s.fit.slope_labels[static_cast<size_t>(set)]
                                       : std::string();
}

}  // namespace quillane
