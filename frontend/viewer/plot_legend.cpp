// SPDX-License-Identifier: MIT
#include "plot_legend.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "plot_renderer.h"

namespace quillane::viewer {

namespace {

constexpr double kLeft = 100.0, kRight = 140.0, kTop = 110.0, kBottom = 0.0;
constexpr double kRowStep = 6.0;
constexpr double kColumnStep = 9.0;
const QSize kNumberedSize(240, 420);

}  // namespace

QPointF legendEntryPosition(int code, bool cycle_colors_first) {
    const int index = code - 1;
    if (cycle_colors_first) {
        const int column = index / 15;
        const int k = index % 15 + 1;
        return {104.0 + kColumnStep * column, 104.0 - kRowStep * k};
    }
    const int column = index % 4;
    const int row = index / 4;
    return {104.0 + kColumnStep * column, 98.0 - kRowStep * row};
}

PlotLegend::PlotLegend(const PlotStyle &style, const SeriesNames &names,
                       std::function<void()> on_unload, QWidget *parent)
    : QWidget(parent, Qt::Tool), style_(style), names_(names), on_unload_(std::move(on_unload)) {
    setObjectName(QStringLiteral("PlotLegend"));
    setWindowTitle(QStringLiteral("Legend"));
    resize(names_.empty() ? kNumberedSize : namedSize());
}

QPointF PlotLegend::toDevice(QPointF legend) const {
    return {(legend.x() - kLeft) / (kRight - kLeft) * width(),
            (kTop - legend.y()) / (kTop - kBottom) * height()};
}

QStringList PlotLegend::entryTexts() const {
    QStringList texts;
    if (names_.empty()) {
        for (int code = 1; code <= kLegendCodes; ++code)
            texts << QString::number(code);
    } else {
        for (const auto &[code, name] : names_.names)
            texts << name;
    }
    return texts;
}

void PlotLegend::seriesChanged() {
    resize(names_.empty() ? kNumberedSize : namedSize());
    update();
}

QSize PlotLegend::namedSize() const {
    const QSizeF size = namedKeySize(font(), names_);
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

void PlotLegend::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    // The key is drawn like the plot, on white, in the plot's own colours.
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (names_.empty())
        paintNumbered(painter);
    else
        paintNamed(painter);
}

void PlotLegend::paintNumbered(QPainter &painter) {
    const double units_x = width() / (kRight - kLeft);
    const double units_y = height() / (kTop - kBottom);
    QFont font = plotFont(std::max(6, static_cast<int>(kRowStep * units_y * 0.55)));
    painter.setFont(font);
    const QFontMetricsF metrics(font);

    const double s = kLegendSymbolSize;
    for (int code = 1; code <= kLegendCodes; ++code) {
        const SymbolLook look = symbolFor(code, style_.CycleColorsFirst);
        const QColor colour = colourOf(style_.palette, look.colour_index);
        painter.setPen(QPen(colour, 1.0));
        painter.setBrush(style_.FilledSymbols ? QBrush(colour) : QBrush(Qt::NoBrush));
        const QPointF at = legendEntryPosition(code, style_.CycleColorsFirst);
        drawSymbolShape(painter, look.shape, toDevice(at), s, units_x, -units_y);
        painter.setPen(Qt::black);
        const QPointF text_at = toDevice({at.x() + s + 2.0, at.y()});
        painter.drawText(QPointF(text_at.x(), text_at.y() + metrics.ascent() / 2 - 1),
                         QString::number(code));
    }
}

void PlotLegend::paintNamed(QPainter &painter) {
    paintNamedKey(painter, QPointF(0, 0), font(), style_, names_);
}

void PlotLegend::closeEvent(QCloseEvent *event) {
    if (on_unload_) on_unload_();
    QWidget::closeEvent(event);
}

}  // namespace quillane::viewer
