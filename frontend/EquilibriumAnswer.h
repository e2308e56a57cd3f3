// SPDX-License-Identifier: MIT
// What the equilibrium plot says in words (laid down in the render library:
// equilibrium_answer.h), with, when the verdict was decided by a drifting
// baseline, a button for the graph of the offset fits.
#pragma once

#include <functional>

#include <QString>

#include "plot_answer.h"
#include "session.h"

namespace quillane::frontend {

// The answer of the equilibrium plot for assessment `a`; `showOffsets`
// draws the offset graph that a drift remark offers.
viewer::PlotAnswer equilibriumAnswer(const session::Assessment &a,
                                     std::function<void()> showOffsets);

// The remark when the verdict was decided by drift between the scans, or
// empty when it was not (or the assessment does not say).
QString driftRemark(const session::Assessment &a);

}  // namespace quillane::frontend
