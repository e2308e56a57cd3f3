// SPDX-License-Identifier: MIT
#include "plot_renderer.h"

#include <QFontMetricsF>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <optional>

#include "plot_heading.h"
#include "plot_symbols.h"

namespace quillane::viewer {

namespace {

// Window sizes are measured in twips (1/1440 inch) at 96 pixels per inch.
constexpr double kTwipsPerPixel = 15.0;
constexpr double kTextFactor = 0.0014;
constexpr double kTickFactor = 0.0012;
constexpr double kYLabelFactor = 0.0024;
constexpr double kPixelsPerPoint = 96.0 / 72.0;

// Line codes of the plot file.

// Half width of a large symbol in plot units.
constexpr double kSymbolScale = 0.65;

// Text heights are also held to what the fixed layout has room for (the
// heading lines stand 8 units apart, the hint shares the 10 units between
// the frame and the second heading), so wide windows do not overlap lines.
constexpr double kTextRoomUnits = 5.0;
constexpr double kTickRoomUnits = 4.2;
constexpr double kYLabelToText = 1.3;
// A heading too long for its line is drawn smaller down to this share of
// the text size; beyond that it is wrapped or ends at a whole word.
constexpr double kSmallestHeading = 0.7;

double heightOfUnits(QSizeF size, double units) {
    return units / 145.0 * size.height();
}

double measureTwips(QSizeF size) {
    return std::max(size.width(), size.height()) * kTwipsPerPixel;
}

int pointsToPixels(int points) {
    return static_cast<int>(std::lround(points * kPixelsPerPoint));
}

// Writes `text` with the top of its line at device y `top`.
void textTop(QPainter &painter, double left, double top, const QString &text) {
    const QFontMetricsF metrics(painter.font());
    painter.drawText(QPointF(left, top + metrics.ascent()), text);
}

// Writes `text` with the bottom of its line at device y `bottom`.
void textBottom(QPainter &painter, double left, double bottom, const QString &text) {
    const QFontMetricsF metrics(painter.font());
    painter.drawText(QPointF(left, bottom - metrics.descent()), text);
}

double textWidth(const QFont &font, const QString &text) {
    return QFontMetricsF(font).horizontalAdvance(text);
}

}  // namespace

QPolygonF polygonSymbol(double x, double y, double size, int kind) {
    if (kind == 1) {
        return QPolygonF({QPointF(x - size, y - 0.65 * size), QPointF(x + size, y - 0.65 * size),
                          QPointF(x, y + 1.3 * size)});
    }
    return QPolygonF({QPointF(x - size, y), QPointF(x, y + 1.45 * size), QPointF(x + size, y),
                      QPointF(x, y - 1.45 * size)});
}

PlotRenderer::PlotRenderer(const ViewerState &state, const PlotAxes &axes, const PlotStyle &style,
                           LimitLines limits)
    : state_(state), axes_(axes), style_(style), limits_(limits) {}

int PlotRenderer::textPixelSize(QSizeF size) {
    const int wanted =
        pointsToPixels(static_cast<int>(std::lround(measureTwips(size) * kTextFactor)));
    return std::max(1, std::min(wanted, static_cast<int>(heightOfUnits(size, kTextRoomUnits))));
}

int PlotRenderer::tickPixelSize(QSizeF size) {
    const int wanted =
        pointsToPixels(static_cast<int>(std::lround(measureTwips(size) * kTickFactor)));
    return std::max(1, std::min(wanted, static_cast<int>(heightOfUnits(size, kTickRoomUnits))));
}

int PlotRenderer::yLabelPixelSize(QSizeF size) {
    // Held in the proportion to the text that a 4:3 window gives.
    const int wanted = static_cast<int>(std::lround(measureTwips(size) * kYLabelFactor));
    return std::min(wanted, static_cast<int>(std::lround(textPixelSize(size) * kYLabelToText)));
}

PlotScale PlotRenderer::scale(QSizeF size) const {
    return PlotScale(axes_.x.lo, axes_.x.hi, axes_.y.lo, axes_.y.hi, size);
}

void PlotRenderer::paint(QPainter &painter, QSizeF size) const {
    if (size.width() < 1.0 || size.height() < 1.0) return;
    painter.save();
    painter.fillRect(QRectF(QPointF(0, 0), size), kSurfaceColour);
    if (state_.DataLoaded) {
        const PlotScale plot_scale = scale(size);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        drawFrameAndTicks(painter, plot_scale);
        drawPoints(painter, plot_scale);
        if (limits_.shown) drawLimitLines(painter, plot_scale);
        drawHeadings(painter, plot_scale);
        if (limits_.shown) drawLimitTexts(painter, plot_scale, plotFont(tickPixelSize(size)));
        drawTickLabels(painter, plot_scale);
        drawYLabel(painter, plot_scale);
    }
    painter.restore();
}

void PlotRenderer::drawFrameAndTicks(QPainter &painter, const PlotScale &scale) const {
    const QRectF area(scale.toDevice(0, 100), scale.toDevice(100, 0));
    painter.fillRect(area, Qt::white);
    // Behind the frame, its ticks and the scans.
    drawStretchBands(painter, scale, stretches_, tickPixelSize(scale.deviceSize()));
    painter.setPen(QPen(Qt::black, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    // The end ticks coincide with the frame corners and get no mark.
    const int x_ticks = axes_.x.ticks;
    for (int i = 1; i <= x_ticks - 2; ++i) {
        const double px = i * 100.0 / (x_ticks - 1);
        painter.drawLine(scale.toDevice(px, 0), scale.toDevice(px, 2));
    }
    const int y_ticks = axes_.y.ticks;
    for (int i = 1; i <= y_ticks - 2; ++i) {
        const double py = i * 100.0 / (y_ticks - 1);
        painter.drawLine(scale.toDevice(0, py), scale.toDevice(2, py));
    }
}

void PlotRenderer::drawSymbol(QPainter &painter, const PlotScale &scale, float px, float py,
                              int code) const {
    const SymbolLook look = symbolFor(code, style_.CycleColorsFirst);
    const QColor colour = colourOf(style_.palette, look.colour_index);
    painter.setPen(QPen(colour, 1.0));
    painter.setBrush(style_.FilledSymbols ? QBrush(colour) : QBrush(Qt::NoBrush));
    drawSymbolShape(painter, look.shape, scale.toDevice(px, py), kSymbolScale * style_.SymbolSize,
                    scale.pixelsX(1.0), -scale.pixelsY(1.0));
}

void drawSymbolShape(QPainter &painter, SymbolShape shape, QPointF centre, double s, double ux,
                     double uy) {
    switch (shape) {
        case SymbolShape::circle:
            // The radius is measured along x, so circles stay round.
            painter.drawEllipse(centre, s * ux, s * ux);
            break;
        case SymbolShape::box:
            painter.drawRect(QRectF(centre + QPointF(-s * ux, 4.0 / 3.0 * s * uy),
                                    centre + QPointF(s * ux, -4.0 / 3.0 * s * uy)));
            break;
        case SymbolShape::triangle:
        case SymbolShape::diamond: {
            QPolygonF polygon = polygonSymbol(0.0, 0.0, s, shape == SymbolShape::triangle ? 1 : 2);
            for (QPointF &corner : polygon)
                corner = centre + QPointF(corner.x() * ux, corner.y() * uy);
            painter.drawPolygon(polygon);
            break;
        }
    }
}

void PlotRenderer::drawPoints(QPainter &painter, const PlotScale &scale) const {
    const float x_lo = scale.XAxisLo(), x_hi = scale.XAxisHi();
    const float y_lo = scale.YAxisLo(), y_hi = scale.YAxisHi();
    // A line point's y is held to the frame; its x decides whether it counts.
    auto heldY = [&](float y, float py) {
        if (y < y_lo) return 0.0f;
        if (y > y_hi) return 100.0f;
        return py;
    };
    const QPen line_pen(Qt::black, 1.0);
    bool start_pending = false;
    QPointF pen_at;
    auto startLine = [&](float x, float px, float py_held) {
        start_pending = true;
        if (x_lo <= x && x <= x_hi) {
            pen_at = scale.toDevice(px, py_held);
            start_pending = false;
        }
    };

    // On pixels, the symbols are stamped from masks (plot_symbols.h).
    std::optional<SymbolLayer> layer;
    if (SymbolLayer::suits(painter)) {
        const double s = kSymbolScale * style_.SymbolSize;
        const double m = painter.deviceTransform().m11();
        const double ux = scale.pixelsX(1.0) * m;
        const double uy = -scale.pixelsY(1.0) * m;
        auto draw = [s, ux, uy](QPainter &p, SymbolShape shape, QPointF centre) {
            drawSymbolShape(p, shape, centre, s, ux, uy);
        };
        layer.emplace(painter, scale.deviceSize(), draw, 1.0 * m, style_.FilledSymbols,
                      1.5 * s * std::max(ux, -uy));
    }

    const auto &points = state_.data.points;
    const size_t count =
        std::min(points.size(), static_cast<size_t>(std::max(state_.data.count, 0)));
    for (size_t i = 0; i < count; ++i) {
        const auto &point = points[i];
        const int code = point.code;
        const float px = scale.plotX(point.x);
        const float py = scale.plotY(point.y);
        if (code >= 1) {
            // Strictly inside: a point on an axis limit is not drawn.
            if (x_lo < point.x && point.x < x_hi && y_lo < point.y && point.y < y_hi) {
                if (layer) {
                    const SymbolLook look = symbolFor(code, style_.CycleColorsFirst);
                    layer->add(scale.toDevice(px, py), look.shape,
                               colourOf(style_.palette, look.colour_index));
                } else {
                    painter.setRenderHint(QPainter::Antialiasing, true);
                    drawSymbol(painter, scale, px, py, code);
                }
            }
        } else if (code == plotfile::kCodeLineStart) {
            if (!style_.OmitLines) startLine(point.x, px, heldY(point.y, py));
        } else if (code == plotfile::kCodeLineContinue) {
            if (style_.OmitLines) continue;
            if (start_pending) {
                startLine(point.x, px, heldY(point.y, py));
            } else if (!(point.x > x_hi)) {
                const QPointF to = scale.toDevice(px, heldY(point.y, py));
                // The symbols before the line lie under it.
                if (layer) layer->flush();
                // Thin lines stay crisp, as on the screen of old.
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.setPen(line_pen);
                painter.drawLine(pen_at, to);
                pen_at = to;
            }
        }
    }
}

void PlotRenderer::drawLimitLines(QPainter &painter, const PlotScale &scale) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kLimitColour, 1.0));
    for (const double value : {limits_.low, limits_.high}) {
        if (value < scale.XAxisLo() || value > scale.XAxisHi()) continue;
        const float lx = scale.plotX(static_cast<float>(value));
        painter.drawLine(scale.toDevice(lx, 2.5), scale.toDevice(lx, 97.5));
    }
}

void PlotRenderer::setHeadings(QString heading, QString heading2) {
    headings_.emplace(std::move(heading), std::move(heading2));
}

void PlotRenderer::drawHeadings(QPainter &painter, const PlotScale &scale) const {
    const QSizeF size = scale.deviceSize();
    const auto &data = state_.data;
    const QString heading = headings_ ? headings_->first : QString::fromStdString(data.heading);
    const QString heading2 = headings_ ? headings_->second : QString::fromStdString(data.heading2);
    const double room = scale.pixelsX(110);
    auto wider = [&](const QFont &font) {
        const QFontMetricsF metrics(font);
        return std::max(metrics.horizontalAdvance(heading), metrics.horizontalAdvance(heading2));
    };

    // Shrunk a point at a time until the longer heading fits, or as far as
    // it stays readable.
    double pixels = textPixelSize(size);
    const double smallest = std::max(2.0, pixels * kSmallestHeading);
    QFont font = plotFont(static_cast<int>(pixels));
    while (pixels - kPixelsPerPoint >= smallest && wider(font) > room) {
        pixels -= kPixelsPerPoint;
        font = plotFont(static_cast<int>(std::lround(pixels)));
    }
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QStringList lines = fitHeadingLines(heading, heading2, QFontMetricsF(font), room);

    const QString x_label = QString::fromStdString(data.x_label) + axes_.x_suffix;
    const double centre = scale.toDevice(50, 0).x();
    textBottom(painter, centre - textWidth(font, x_label) / 2, scale.toDevice(0, -12.5).y(),
               x_label);
    textTop(painter, centre - textWidth(font, lines[0]) / 2, scale.toDevice(0, 118).y(), lines[0]);
    textTop(painter, centre - textWidth(font, lines[1]) / 2, scale.toDevice(0, 110).y(), lines[1]);
}

void PlotRenderer::drawLimitTexts(QPainter &painter, const PlotScale &scale,
                                  const QFont &font) const {
    painter.setFont(font);
    painter.setPen(Qt::black);
    const double centre = scale.toDevice(50, 0).x();
    if (limits_.hint)
        textBottom(painter, centre - textWidth(font, kLimitsHint) / 2, scale.toDevice(0, 100).y(),
                   kLimitsHint);

    const double gap = std::max(2.0, scale.pixelsX(0.5));
    const double left = scale.toDevice(0, 0).x();
    const double right = scale.toDevice(100, 0).x();
    const double top = scale.toDevice(0, 97.5).y();
    const double bottom = scale.toDevice(0, 2.5).y();

    const double low = limits_.low;
    if (low < scale.XAxisLo()) {
        textTop(painter, left, top, QStringLiteral("<<min"));
    } else if (low > scale.XAxisHi()) {
        textTop(painter, right - textWidth(font, QStringLiteral("min>>")), top,
                QStringLiteral("min>>"));
    } else {
        const double lx = scale.toDevice(scale.plotX(static_cast<float>(low)), 0).x();
        textTop(painter, lx + gap, top, QStringLiteral("min"));
    }

    const double high = limits_.high;
    if (high < scale.XAxisLo()) {
        textBottom(painter, left, bottom, QStringLiteral("<<max"));
    } else if (high > scale.XAxisHi()) {
        textBottom(painter, right - textWidth(font, QStringLiteral("max>>")), bottom,
                   QStringLiteral("max>>"));
    } else {
        const double lx = scale.toDevice(scale.plotX(static_cast<float>(high)), 0).x();
        textBottom(painter, lx - gap - textWidth(font, QStringLiteral("max")), bottom,
                   QStringLiteral("max"));
    }
}

void PlotRenderer::drawTickLabels(QPainter &painter, const PlotScale &scale) const {
    const QFont font = plotFont(tickPixelSize(scale.deviceSize()));
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(Qt::black);

    const AxisLayout &x = axes_.x;
    for (int i = 0; i < x.ticks; ++i) {
        const QString label = tickLabel(x.tickValue(i), x.power);
        const double at = scale.toDevice(i * 100.0 / (x.ticks - 1), 0).x();
        textTop(painter, at - metrics.horizontalAdvance(label) / 2, scale.toDevice(0, -1).y(),
                label);
    }
    const AxisLayout &y = axes_.y;
    const double blank = metrics.horizontalAdvance(QLatin1Char(' '));
    const double right = scale.toDevice(0, 0).x() - blank;
    for (int i = 0; i < y.ticks; ++i) {
        const QString label = tickLabel(y.tickValue(i), y.power);
        const double at = scale.toDevice(0, i * 100.0 / (y.ticks - 1)).y();
        textTop(painter, right - metrics.horizontalAdvance(label), at - metrics.height() * 2 / 3,
                label);
    }
}

void PlotRenderer::drawYLabel(QPainter &painter, const PlotScale &scale) const {
    const QString label = QString::fromStdString(state_.data.y_label) + axes_.y_suffix;
    int pixels = yLabelPixelSize(scale.deviceSize());
    QFont font = plotFont(pixels, true);
    while (pixels > 1 && textWidth(font, label) > scale.pixelsY(100)) {
        font = plotFont(--pixels, true);
    }
    const double length = textWidth(font, label);
    const QPointF centre = scale.toDevice(-18, 50);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    // Written upward: the top of the text faces x = -18.
    painter.translate(centre.x(), centre.y() + length / 2);
    painter.rotate(-90.0);
    painter.drawText(QPointF(0, QFontMetricsF(font).ascent()), label);
    painter.restore();
}

}  // namespace quillane::viewer
