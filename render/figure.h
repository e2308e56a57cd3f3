// SPDX-License-Identifier: MIT
// A plot as a figure: the plot with its headings, axes and labelled
// reference lines, and beside it the key of its named series with the
// answer the plot gives in words beneath.  The plot window (its surface,
// the clipboard, the printer, its image files), the runner's images and
// the run report all draw their figures here.
#pragma once

#include <QPainter>
#include <QSizeF>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "plot_axes.h"
#include "plot_line_labels.h"
#include "plot_renderer.h"
#include "plot_series.h"
#include "plot_style.h"
#include "viewer_state.h"

namespace quillane::viewer {

struct Figure {
    const ViewerState &state;
    const PlotAxes &axes;
    const PlotStyle &style;
    LimitLines limits{};
    SeriesNames names{};  // the key; none: no key strip
    QString answer{};     // the answer in words, under the key
    QString note{};       // a remark below the answer
    std::vector<PlotLineLabel> lines{};
    // The column finder's stretches, on a plot of the scans against position.
    std::vector<StretchBand> stretches{};
    // The time axis is shown in hours (the lines' times are in seconds).
    bool hours = false;
    // When set, the heading names this report by its file name only
    // (headingWithoutPath); empty names none in particular.
    std::optional<QString> report{};
    // False: the plot alone, as the window's surface shows it beside its
    // legend window.
    bool key = true;
};

// The second heading of a plot whose answer is told in words: only the
// time stamp of the plot file ("Assessed at 14:02:11 ON 12/09/2026"), as
// the verdict the library wrote there is cut to the file's 79 characters.
QString answeredSecondHeading(const std::string &stamp);

// The width of the key strip for a plot of `plot` size (0 without a key).
double figureKeyWidth(const Figure &figure, QSizeF plot);

// The whole figure's size for a plot of `plot` size: the key strip at the
// right.
QSizeF figureSize(const Figure &figure, QSizeF plot);

// The plot size whose figure fits into `total`.
QSizeF plotSizeWithin(const Figure &figure, QSizeF total);

// Paints the figure with its plot of `plot` size at the painter's origin.
void paintFigure(QPainter &painter, const Figure &figure, QSizeF plot);

}  // namespace quillane::viewer
