// SPDX-License-Identifier: MIT
#include "plot_scale.h"

namespace quillane::viewer {

PlotScale::PlotScale(float x_axis_lo, float x_axis_hi, float y_axis_lo, float y_axis_hi,
                     QSizeF device)
    : x_lo_(x_axis_lo),
      x_hi_(x_axis_hi),
      y_lo_(y_axis_lo),
      y_hi_(y_axis_hi),
      x_scale_(100.0f / (x_axis_hi - x_axis_lo)),
      y_scale_(100.0f / (y_axis_hi - y_axis_lo)),
      device_(device) {}

QPointF PlotScale::toDevice(double px, double py) const {
    return {(px - kLeft) / (kRight - kLeft) * device_.width(),
            (kTop - py) / (kTop - kBottom) * device_.height()};
}

QPointF PlotScale::toPlot(QPointF device) const {
    return {kLeft + device.x() / device_.width() * (kRight - kLeft),
            kTop - device.y() / device_.height() * (kTop - kBottom)};
}

double PlotScale::pixelsX(double units) const {
    return units / (kRight - kLeft) * device_.width();
}

double PlotScale::pixelsY(double units) const {
    return units / (kTop - kBottom) * device_.height();
}

}  // namespace quillane::viewer
