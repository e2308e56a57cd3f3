// SPDX-License-Identifier: MIT
// The solution columns of chosen data sets, as limits in the position
// variable in use: the finder (columns.h) run on the raw points of the
// sets, and its menisci and bases inset by a margin.
#pragma once

#include <cstdint>
#include <vector>

#include "columns.h"
#include "state.h"

namespace quillane {

struct ColumnLimits {
    SolutionColumn column;  // cm
    double low = 0.0;       // meniscus + margin, in the position variable in use
    double high = 0.0;      // base - margin, likewise
};

// Limits are rounded inward to this step of the position unit, so that they
// read the same wherever they are shown.
inline constexpr double kColumnLimitStep = 0.001;

// The columns of data sets sets[1..sets[0]] (1..data_set_count, read in
// the raw store), taken together; the limits are inset by margin_cm from
// meniscus and base, and a column that leaves nothing between them is left
// out.  A list or margin that cannot be used is refused: note_error and a
// list-box line, and no columns.
// stretches (out, optional): what the finder looked at and why it took or
// left each stretch (columns.h).
std::vector<ColumnLimits> find_columns(State &s, const int32_t *sets, double margin_cm,
                                       std::vector<ColumnStretch> *stretches = nullptr);

}  // namespace quillane
