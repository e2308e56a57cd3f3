#include "plot_legend.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QPainter>

#include "plot_renderer.h"

namespace quillane::viewer {

namespace {

constexpr double kLeft = 100.0, kRight = 140.0, kTop = 110.0, kBottom = 0.0;
constexpr double kRowStep = 6.0;
constexpr double kColumnStep = 9.0;

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

PlotLegend::PlotLegend(const PlotStyle &style, std::function<void()> on_unload, QWidget *parent)
    : QWidget(parent, Qt::Tool), style_(style), on_unload_(std::move(on_unload)) {
    setObjectName(QStringLiteral("PlotLegend"));
    setWindowTitle(QStringLiteral("Legend"));
    resize(240, 420);
}

QPointF PlotLegend::toDevice(QPointF legend) const {
    return {(legend.x() - kLeft) / (kRight - kLeft) * width(),
            (kTop - legend.y()) / (kTop - kBottom) * height()};
}

void PlotLegend::DrawLegendPolygon(QPainter &painter, double x, double y, double size,
                                   int kind) const {
    QPolygonF polygon = polygonSymbol(x, y, size, kind);
    for (QPointF &corner : polygon)
        corner = toDevice(corner);
    painter.drawPolygon(polygon);
}

void PlotLegend::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
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
        switch (look.shape) {
            case SymbolShape::circle:
                painter.drawEllipse(toDevice(at), s * units_x, s * units_x);
                break;
            case SymbolShape::box:
                painter.drawRect(QRectF(toDevice({at.x() - s, at.y() + 4.0 / 3.0 * s}),
                                        toDevice({at.x() + s, at.y() - 4.0 / 3.0 * s})));
                break;
            case SymbolShape::triangle:
                DrawLegendPolygon(painter, at.x(), at.y(), s, 1);
                break;
            case SymbolShape::diamond:
                DrawLegendPolygon(painter, at.x(), at.y(), s, 2);
                break;
        }
        painter.setPen(Qt::black);
        const QPointF text_at = toDevice({at.x() + s + 2.0, at.y()});
        painter.drawText(QPointF(text_at.x(), text_at.y() + metrics.ascent() / 2 - 1),
                         QString::number(code));
    }
}

void PlotLegend::closeEvent(QCloseEvent *event) {
    if (on_unload_) on_unload_();
    QWidget::closeEvent(event);
}

}  // namespace quillane::viewer
