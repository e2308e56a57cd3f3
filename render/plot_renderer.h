// SPDX-License-Identifier: MIT
// Draws a loaded plot onto any painter: the window, a printer page, an
// image for the clipboard or a file, an SVG or PDF document.
#pragma once

#include <QFont>
#include <QPainter>
#include <QSizeF>
#include <optional>
#include <utility>
#include <vector>

#include "plot_axes.h"
#include "plot_scale.h"
#include "plot_stretches.h"
#include "plot_style.h"
#include "viewer_state.h"

namespace quillane::viewer {

// The data limits shown as blue lines while the plot is used to set them.
struct LimitLines {
    bool shown = false;  // the limits mode
    double low = 0.0;
    double high = 0.0;
    bool hint = true;  // with the window's mouse hint (not on paper)
};

// The background around the white plot area.
inline const QColor kSurfaceColour{240, 240, 240};
// The data limits in limits mode.
inline const QColor kLimitColour{0, 0, 128};

inline const QString kLimitsHint =
    QStringLiteral("use <Ctrl>LMB and <Ctrl>RMB (or <Alt>LMB) to set data range");

class PlotRenderer {
  public:
    PlotRenderer(const ViewerState &state, const PlotAxes &axes, const PlotStyle &style,
                 LimitLines limits = {});

    // The two headings drawn instead of the plot file's (a figure names the
    // report without its folders, or keeps only the time stamp where the
    // answer is told in words).
    void setHeadings(QString heading, QString heading2);
    // The column finder's stretches, shaded behind the scans.
    void setStretches(std::vector<StretchBand> bands) { stretches_ = std::move(bands); }

    // Paints the whole surface of `size` (device units of `painter`).  With
    // no data loaded only the empty surface is drawn.
    void paint(QPainter &painter, QSizeF size) const;

    // The mappings used for `size`; the mouse works with the same ones.
    PlotScale scale(QSizeF size) const;

    // Font sizes in device units for a surface of `size`: text, tick labels
    // and the rotated y label.
    static int textPixelSize(QSizeF size);
    static int tickPixelSize(QSizeF size);
    static int yLabelPixelSize(QSizeF size);

  private:
    void drawFrameAndTicks(QPainter &painter, const PlotScale &scale) const;
    void drawPoints(QPainter &painter, const PlotScale &scale) const;
    void drawSymbol(QPainter &painter, const PlotScale &scale, float px, float py, int code) const;
    void drawLimitLines(QPainter &painter, const PlotScale &scale) const;
    void drawHeadings(QPainter &painter, const PlotScale &scale) const;
    void drawLimitTexts(QPainter &painter, const PlotScale &scale, const QFont &font) const;
    void drawTickLabels(QPainter &painter, const PlotScale &scale) const;
    void drawYLabel(QPainter &painter, const PlotScale &scale) const;

    const ViewerState &state_;
    const PlotAxes &axes_;
    const PlotStyle &style_;
    LimitLines limits_;
    std::optional<std::pair<QString, QString>> headings_;
    std::vector<StretchBand> stretches_;
};

// The corners of the triangle (kind 1) or diamond (kind 2) symbol of half
// width `size` centred on (x, y), in plot units.
QPolygonF polygonSymbol(double x, double y, double size, int kind);

// Draws symbol `shape` of half width `s` (in plot or legend units) centred
// on the device point `centre`, with `ux` and `uy` device pixels per unit
// along x and y (uy < 0 where the units' y grows upward).  The plot, its
// printed and saved copies and the legend all draw their symbols here.
void drawSymbolShape(QPainter &painter, SymbolShape shape, QPointF centre, double s, double ux,
                     double uy);

}  // namespace quillane::viewer
