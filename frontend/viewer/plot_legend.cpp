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

// Row height and symbol half width of the named key, from the text height.
constexpr double kNamedRow = 1.5;
constexpr double kNamedSymbol = 0.4;
constexpr double kNamedMargin = 0.8;

// One column of the named key: the symbol, a gap and the widest name.
double namedColumnWidth(const QFontMetricsF &metrics, const SeriesNames &names) {
    double widest = 0;
    for (const auto &[code, name] : names.names)
        widest = std::max(widest, metrics.horizontalAdvance(name));
    return 2.5 * metrics.height() + widest;
}

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

QSizeF namedKeySize(const QFont &font, const SeriesNames &names) {
    const QFontMetricsF metrics(font);
    const int n = static_cast<int>(names.names.size());
    const int rows = std::min(n, kLegendRowsPerColumn);
    const int columns = (n + kLegendRowsPerColumn - 1) / kLegendRowsPerColumn;
    const double line = metrics.height();
    const double column = namedColumnWidth(metrics, names);
    QFont bold = font;
    bold.setBold(true);
    const double title = QFontMetricsF(bold).horizontalAdvance(names.title);
    const double margin = kNamedMargin * line;
    return {std::max(columns * column, title) + 2 * margin,
            (rows + 1) * kNamedRow * line + 2 * margin};
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

void paintNamedKey(QPainter &painter, QPointF top_left, const QFont &font, const PlotStyle &style,
                   const SeriesNames &names) {
    painter.save();
    painter.translate(top_left);
    const QFontMetricsF metrics(font);
    const double line = metrics.height();
    const double row = kNamedRow * line;
    const double margin = kNamedMargin * line;
    const double s = kNamedSymbol * line;
    const double column = namedColumnWidth(metrics, names);

    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(margin, margin + QFontMetricsF(bold).ascent()), names.title);
    painter.setFont(font);

    int index = 0;
    for (const auto &[code, name] : names.names) {
        const int c = index / kLegendRowsPerColumn;
        const int r = index % kLegendRowsPerColumn;
        ++index;
        const double left = margin + c * column;
        const double middle = margin + (r + 1) * row + row / 2;
        const SymbolLook look = symbolFor(code, style.CycleColorsFirst);
        const QColor colour = colourOf(style.palette, look.colour_index);
        painter.setPen(QPen(colour, 1.0));
        painter.setBrush(style.FilledSymbols ? QBrush(colour) : QBrush(Qt::NoBrush));
        drawSymbolShape(painter, look.shape, QPointF(left + line / 2, middle), s, 1.0, -1.0);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(left + 1.5 * line, middle + metrics.ascent() / 2 - 1), name);
    }
    painter.restore();
}

void PlotLegend::closeEvent(QCloseEvent *event) {
    if (on_unload_) on_unload_();
    QWidget::closeEvent(event);
}

}  // namespace quillane::viewer
