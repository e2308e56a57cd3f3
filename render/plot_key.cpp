// SPDX-License-Identifier: MIT
#include "plot_key.h"

#include <QFontMetricsF>
#include <algorithm>

#include "plot_renderer.h"

namespace quillane::viewer {

namespace {

// Row height, symbol half width and margin of the key, from the text height.
constexpr double kRow = 1.5;
constexpr double kSymbol = 0.4;
constexpr double kMargin = 0.8;

// One column of the key: the symbol, a gap and the widest name.
double columnWidth(const QFontMetricsF &metrics, const SeriesNames &names) {
    double widest = 0;
    for (const auto &[code, name] : names.names)
        widest = std::max(widest, metrics.horizontalAdvance(name));
    return 2.5 * metrics.height() + widest;
}

}  // namespace

QSizeF namedKeySize(const QFont &font, const SeriesNames &names) {
    const QFontMetricsF metrics(font);
    const int n = static_cast<int>(names.names.size());
    const int rows = std::min(n, kKeyRowsPerColumn);
    const int columns = (n + kKeyRowsPerColumn - 1) / kKeyRowsPerColumn;
    const double line = metrics.height();
    const double column = columnWidth(metrics, names);
    QFont bold = font;
    bold.setBold(true);
    const double title = QFontMetricsF(bold).horizontalAdvance(names.title);
    const double margin = kMargin * line;
    return {std::max(columns * column, title) + 2 * margin, (rows + 1) * kRow * line + 2 * margin};
}

void paintNamedKey(QPainter &painter, QPointF top_left, const QFont &font, const PlotStyle &style,
                   const SeriesNames &names) {
    painter.save();
    painter.translate(top_left);
    const QFontMetricsF metrics(font);
    const double line = metrics.height();
    const double row = kRow * line;
    const double margin = kMargin * line;
    const double s = kSymbol * line;
    const double column = columnWidth(metrics, names);

    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(margin, margin + QFontMetricsF(bold).ascent()), names.title);
    painter.setFont(font);

    int index = 0;
    for (const auto &[code, name] : names.names) {
        const int c = index / kKeyRowsPerColumn;
        const int r = index % kKeyRowsPerColumn;
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

}  // namespace quillane::viewer
