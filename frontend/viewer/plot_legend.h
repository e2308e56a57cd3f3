// The legend window: the symbol, colour and number of every series code
// from 1 to 50, in the plot window's current style.
#pragma once

#include <QPointF>
#include <QWidget>
#include <functional>

#include "plot_style.h"

namespace quillane::viewer {

inline constexpr int kLegendCodes = 50;

// Where the entry of `code` stands, in legend units (x 100..140, y 0..110,
// y up).  Colours first: one column per shape, codes 1-15 at x = 104 and so
// on, 6 units apart from y = 98 down.  Symbols first: one column per shape
// and one row per colour, four codes a row.
QPointF legendEntryPosition(int code, bool cycle_colors_first);

// The size of a legend symbol (half width, legend units).
inline constexpr double kLegendSymbolSize = 2 * 0.65;

class PlotLegend : public QWidget {
  public:
    // `style` is the plot window's and outlives the legend; `on_unload` runs
    // when the user closes the legend.
    PlotLegend(const PlotStyle &style, std::function<void()> on_unload, QWidget *parent = nullptr);

    // Legend units to device pixels for the current size.
    QPointF toDevice(QPointF legend) const;

  protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void DrawLegendPolygon(QPainter &painter, double x, double y, double size, int kind) const;

    const PlotStyle &style_;
    std::function<void()> on_unload_;
};

}  // namespace quillane::viewer
