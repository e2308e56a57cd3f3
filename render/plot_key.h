// SPDX-License-Identifier: MIT
// The key of a plot's named series: a heading ("Data sets") over one row
// per series, its symbol in the plot's colours and its name ("3:
// 00003.RA1"), in columns of at most kKeyRowsPerColumn rows.  The legend
// window and every figure of a plot draw it here.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QSizeF>

#include "plot_series.h"
#include "plot_style.h"

namespace quillane::viewer {

// Named series stand in columns of at most this many rows.
inline constexpr int kKeyRowsPerColumn = 25;

// The key's size in `font`, and drawing it with its top left corner at
// `top_left`.
QSizeF namedKeySize(const QFont &font, const SeriesNames &names);
void paintNamedKey(QPainter &painter, QPointF top_left, const QFont &font, const PlotStyle &style,
                   const SeriesNames &names);

}  // namespace quillane::viewer
