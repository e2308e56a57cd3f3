// SPDX-License-Identifier: MIT
#include "plot_stretches.h"

#include <QFontMetricsF>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "plot_style.h"

namespace quillane::viewer {

namespace {

// Light enough that the scans drawn over them stay as clear as on white.
const QColor kTakenFill{206, 236, 212};
const QColor kTakenText{0, 100, 40};
const QColor kRefusedFill{241, 241, 241};
const QColor kRefusedHatch{204, 204, 204};
const QColor kRefusedText{112, 112, 112};
// The band whose limits are in force is outlined.
const QColor kInForceEdge{0, 120, 50};
// Hatch lines stand this many plot units apart, so that paper shows the
// pattern as the screen does (a pattern brush would follow device pixels).
constexpr double kHatchStep = 1.6;
// The labels start this many plot units below the top of the plot area.
constexpr double kLabelTop = 1.0;

void hatch(QPainter &painter, const QRectF &rect, double step) {
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(QPen(kRefusedHatch, 1.0));
    // Lines rising to the right, from the lower left corner's diagonal on.
    for (double x = rect.left() - rect.height(); x < rect.right(); x += step)
        painter.drawLine(QPointF(x, rect.bottom()), QPointF(x + rect.height(), rect.top()));
    painter.restore();
}

}  // namespace

void drawStretchBands(QPainter &painter, const PlotScale &scale,
                      const std::vector<StretchBand> &bands, int pixel_size) {
    if (bands.empty()) return;
    const double lo = scale.XAxisLo(), hi = scale.XAxisHi();
    const QFont font = plotFont(pixel_size);
    const QFontMetricsF metrics(font);
    const double top = scale.toDevice(0, 100).y();
    const double bottom = scale.toDevice(0, 0).y();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(font);
    for (const StretchBand &band : bands) {
        const double from = std::max(band.from, lo), to = std::min(band.to, hi);
        if (!(from < to)) continue;
        const double left = scale.toDevice(scale.plotX(static_cast<float>(from)), 0).x();
        const double right = scale.toDevice(scale.plotX(static_cast<float>(to)), 0).x();
        const QRectF rect(QPointF(left, top), QPointF(right, bottom));
        painter.fillRect(rect, band.taken ? kTakenFill : kRefusedFill);
        if (!band.taken) hatch(painter, rect, std::max(3.0, scale.pixelsX(kHatchStep)));
        if (band.inForce) {
            painter.setPen(QPen(kInForceEdge, 2.0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect);
        }

        // A column's number, as every list of columns gives it; the limits
        // beneath it where the band has room.
        painter.setPen(band.taken ? kTakenText : kRefusedText);
        const double centre = (left + right) / 2.0;
        double y = top + scale.pixelsY(kLabelTop) + metrics.ascent();
        if (band.number > 0) {
            const QString number = QString::number(band.number);
            painter.drawText(QPointF(centre - metrics.horizontalAdvance(number) / 2.0, y), number);
        }
        const double width = metrics.horizontalAdvance(band.limits);
        if (width < right - left - 2.0) {
            y += metrics.height();
            painter.drawText(QPointF(centre - width / 2.0, y), band.limits);
        }
    }
    painter.restore();
}

std::optional<size_t> bandAt(const std::vector<StretchBand> &bands, double x) {
    for (size_t i = 0; i < bands.size(); ++i)
        if (bands[i].from <= x && x <= bands[i].to) return i;
    return std::nullopt;
}

std::optional<BandEdge> bandEdgeAt(const std::vector<StretchBand> &bands, double x, double reach) {
    std::optional<BandEdge> nearest;
    double best = reach;
    for (size_t i = 0; i < bands.size(); ++i) {
        for (const bool upper : {false, true}) {
            const double d = std::fabs((upper ? bands[i].to : bands[i].from) - x);
            if (d <= best) {
                best = d;
                nearest = BandEdge{i, upper};
            }
        }
    }
    return nearest;
}

}  // namespace quillane::viewer
