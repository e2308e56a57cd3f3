// SPDX-License-Identifier: MIT
// Labels for a plot's reference lines (noise level, threshold, forecast
// time) and the time stamp of its heading.  The plot file has no names for
// its lines; the program and the runner know them and hand them to the
// figure with the plot.
#pragma once

#include <QPainter>
#include <QString>
#include <string>
#include <vector>

#include "plot_scale.h"

namespace quillane::viewer {

// A reference line of the plot and what it stands for.  `value` is in the
// plot file's units (seconds on a time axis).
struct PlotLineLabel {
    enum class Kind { horizontal, vertical };
    Kind kind = Kind::horizontal;
    double value = 0.0;
    QString text;
};

// The time stamp ("14:02:11 ON 12/09/2026") in the reader's stamp text,
// which may begin with the last characters of a long second heading; empty
// when there is none.
QString timeStampOf(const std::string &stamp);

// Writes each label beside its line: a horizontal line's label above its
// right end, a vertical line's label beside its top.  `x_factor` turns the
// plot file's x units into the axis' units (1/3600 while hours are shown).
void drawLineLabels(QPainter &painter, const PlotScale &scale,
                    const std::vector<PlotLineLabel> &labels, double x_factor, int pixel_size);

}  // namespace quillane::viewer
