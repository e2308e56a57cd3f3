// SPDX-License-Identifier: MIT
// The two coordinate mappings of a plot: data units to plot units (the
// square plot area is 0..100 on both axes) and plot units to device pixels
// (the drawing surface spans x -25..110 from left to right and y 120..-25
// from top to bottom, y growing upward).
#pragma once

#include <QPointF>
#include <QSizeF>

namespace quillane::viewer {

class PlotScale {
  public:
    static constexpr double kLeft = -25.0;
    static constexpr double kRight = 110.0;
    static constexpr double kTop = 120.0;
    static constexpr double kBottom = -25.0;

    PlotScale() = default;
    PlotScale(float x_axis_lo, float x_axis_hi, float y_axis_lo, float y_axis_hi, QSizeF device);

    float XAxisLo() const { return x_lo_; }
    float XAxisHi() const { return x_hi_; }
    float YAxisLo() const { return y_lo_; }
    float YAxisHi() const { return y_hi_; }
    // Plot units per data unit.
    float XScale() const { return x_scale_; }
    float YScale() const { return y_scale_; }
    QSizeF deviceSize() const { return device_; }

    // Data units to plot units, in single precision as the axis state is.
    float plotX(float x) const { return (x - x_lo_) * x_scale_; }
    float plotY(float y) const { return (y - y_lo_) * y_scale_; }
    // Plot units to data units.
    float dataX(float px) const { return px / x_scale_ + x_lo_; }
    float dataY(float py) const { return py / y_scale_ + y_lo_; }

    // Plot units to device pixels and back.
    QPointF toDevice(double px, double py) const;
    QPointF toDevice(QPointF plot) const { return toDevice(plot.x(), plot.y()); }
    QPointF toPlot(QPointF device) const;
    // Lengths in plot units as device pixels, along each axis.
    double pixelsX(double units) const;
    double pixelsY(double units) const;

  private:
    float x_lo_ = 0.0f, x_hi_ = 1.0f, y_lo_ = 0.0f, y_hi_ = 1.0f;
    float x_scale_ = 100.0f, y_scale_ = 100.0f;
    QSizeF device_{1.0, 1.0};
};

}  // namespace quillane::viewer
