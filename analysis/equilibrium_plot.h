// SPDX-License-Identifier: MIT
// The equilibrium graph: the RMS distance of every scan from the latest one
// against time, with the forecast's fitted curve, the noise level of a
// difference of two scans, the threshold the forecast aims at, and the
// forecast time marked -- one picture of how far the cell still has to go.
#pragma once

#include "state.h"

namespace quillane {

// Fills the plot state from the last assessment (s.assessment) and writes
// the plot file.  Returns false, with the reason as the last error and on
// the list box, when there is no assessment to draw.
bool plot_equilibrium(State &s);

}  // namespace quillane
