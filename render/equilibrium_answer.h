// SPDX-License-Identifier: MIT
// What the equilibrium plot says in words: the verdict whole, with the
// forecast; a remark when the verdict was decided by a drifting baseline;
// labels for the noise level, the threshold and the forecast time drawn on
// the plot.  The program's window and the runner's figures say the same.
#pragma once

#include <QString>
#include <vector>

#include "plot_line_labels.h"
#include "plot_series.h"
#include "session.h"

namespace quillane::viewer {

struct FigureAnswer {
    QString text;  // the answer in full
    QString note;  // remarks below it: what decided the verdict, what the points measure
    std::vector<PlotLineLabel> lines;
};

// The answer of the equilibrium plot for assessment `a`.
FigureAnswer equilibriumFigureAnswer(const session::Assessment &a, const SessionText &text);

// The remark when the verdict was decided by drift between the scans, or
// empty when it was not (or the assessment does not say).
QString driftRemark(const session::Assessment &a, const SessionText &text);

}  // namespace quillane::viewer
