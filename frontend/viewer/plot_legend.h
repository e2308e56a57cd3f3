// SPDX-License-Identifier: MIT
// The legend window: the key to the symbols of the plot window.  When the
// program has named the series of the plot on show, the legend lists those
// series, each with its symbol and name ("3: 00003.RA1", "Y Offsets");
// otherwise it shows the symbol, colour and number of every series code
// from 1 to 50 (the named key is the figures' own, plot_key.h).  Either
// way it follows the window's current style.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "plot_key.h"
#include "plot_series.h"
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
    // `style` and `names` are the plot window's and outlive the legend;
    // `on_unload` runs when the user closes the legend.
    PlotLegend(const PlotStyle &style, const SeriesNames &names, std::function<void()> on_unload,
               QWidget *parent = nullptr);

    // Legend units to device pixels for the current size.
    QPointF toDevice(QPointF legend) const;

    // The plot on show has changed: sizes the window to its entries and
    // draws it again.
    void seriesChanged();

    // The texts beside the symbols, in order: the names of the series when
    // the program named them, else the codes 1 to 50.
    QStringList entryTexts() const;
    // The heading above named series (empty with the numbered key).
    QString heading() const { return names_.title; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void paintNumbered(QPainter &painter);
    void paintNamed(QPainter &painter);
    QSize namedSize() const;

    const PlotStyle &style_;
    const SeriesNames &names_;
    std::function<void()> on_unload_;
};

}  // namespace quillane::viewer
