// SPDX-License-Identifier: MIT
#include "plot_line_labels.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <algorithm>

#include "plot_style.h"

namespace quillane::viewer {

QString timeStampOf(const std::string &stamp) {
    static const QRegularExpression kStamp(
        QStringLiteral("\\d\\d:\\d\\d:\\d\\d ON \\d\\d/\\d\\d/\\d{4}"));
    const QRegularExpressionMatch match = kStamp.match(QString::fromStdString(stamp));
    return match.hasMatch() ? match.captured(0) : QString();
}

void drawLineLabels(QPainter &painter, const PlotScale &scale,
                    const std::vector<PlotLineLabel> &labels, double x_factor, int pixel_size) {
    if (labels.empty()) return;
    painter.save();
    const QFont font = plotFont(pixel_size);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(QColor(60, 60, 60));
    const double gap = std::max(2.0, scale.pixelsX(0.6));
    const QPointF frame_top_left = scale.toDevice(0, 100);
    const QPointF frame_bottom_right = scale.toDevice(100, 0);
    std::vector<QRectF> taken;
    auto free = [&taken](const QRectF &r) {
        return std::none_of(taken.begin(), taken.end(),
                            [&r](const QRectF &t) { return t.intersects(r); });
    };
    for (const PlotLineLabel &label : labels) {
        const double width = metrics.horizontalAdvance(label.text);
        if (label.kind == PlotLineLabel::Kind::horizontal) {
            const float value = static_cast<float>(label.value);
            if (value < scale.YAxisLo() || value > scale.YAxisHi()) continue;
            const double y = scale.toDevice(0, scale.plotY(value)).y();
            // Above the line at its right end; further left when another
            // label is there; below the line when the frame's top is too
            // close or no place above is free.
            const double above = y - gap - metrics.height();
            const double right = frame_bottom_right.x() - gap - width;
            const double step = width + 3 * gap;
            QRectF at(right, above >= frame_top_left.y() ? above : y + gap, width,
                      metrics.height());
            while (!free(at) && at.left() - step >= frame_top_left.x())
                at.translate(-step, 0);
            if (!free(at) && y + gap + metrics.height() <= frame_bottom_right.y())
                at = QRectF(right, y + gap, width, metrics.height());
            taken.push_back(at);
            painter.drawText(QPointF(at.left(), at.top() + metrics.ascent()), label.text);
        } else {
            const float value = static_cast<float>(label.value * x_factor);
            if (value < scale.XAxisLo() || value > scale.XAxisHi()) continue;
            const double x = scale.toDevice(scale.plotX(value), 0).x();
            // Left of the line when it stands near the frame's right side.
            double left = x + gap;
            if (left + width > frame_bottom_right.x()) left = x - gap - width;
            painter.drawText(QPointF(left, frame_top_left.y() + gap + metrics.ascent()),
                             label.text);
        }
    }
    painter.restore();
}

}  // namespace quillane::viewer
