// SPDX-License-Identifier: MIT
#include "figure.h"

#include <QFontMetricsF>
#include <algorithm>

#include "plot_heading.h"
#include "plot_key.h"
#include "plot_time_axis.h"

namespace quillane::viewer {

namespace {

// The key's text is at least this many pixels high, however small the plot.
constexpr int kSmallestKeyText = 9;
// The key strip takes at most this share of the plot's width; longer names
// are cut at its edge.
constexpr double kKeyShare = 1.0 / 3.0;
// The key starts this share of the plot's height below the top.
constexpr double kKeyTop = 0.08;
// Steps of plotSizeWithin; each leaves at most a third of the last one's
// difference.
constexpr int kFitSteps = 8;
// At most this many pixels are taken off the plot after them.
constexpr int kFitPixels = 64;

QFont keyFont(QSizeF plot) {
    return plotFont(std::max(kSmallestKeyText, PlotRenderer::tickPixelSize(plot)));
}

bool hasKey(const Figure &figure) {
    return figure.key && !figure.names.empty() && figure.state.DataLoaded;
}

}  // namespace

QString answeredSecondHeading(const std::string &stamp) {
    const QString time = timeStampOf(stamp);
    return time.isEmpty() ? QString() : QStringLiteral("Assessed at ") + time;
}

double figureKeyWidth(const Figure &figure, QSizeF plot) {
    if (!hasKey(figure)) return 0.0;
    return std::min(namedKeySize(keyFont(plot), figure.names).width(), plot.width() * kKeyShare);
}

QSizeF figureSize(const Figure &figure, QSizeF plot) {
    return {plot.width() + figureKeyWidth(figure, plot), plot.height()};
}

QSizeF plotSizeWithin(const Figure &figure, QSizeF total) {
    // The key's width follows the plot's (its text size, its share): a few
    // steps bring the two together, then the plot gives up whole pixels
    // until its figure is no wider than `total`.
    QSizeF plot = total;
    for (int step = 0; step < kFitSteps; ++step)
        plot.setWidth(total.width() - figureKeyWidth(figure, plot));
    for (int step = 0; step < kFitPixels && figureSize(figure, plot).width() > total.width();
         ++step)
        plot.setWidth(plot.width() - 1.0);
    return plot;
}

void paintFigure(QPainter &painter, const Figure &figure, QSizeF plot) {
    const ViewerState &state = figure.state;
    PlotRenderer renderer(state, figure.axes, figure.style, figure.limits);
    renderer.setStretches(figure.stretches);
    const bool answered = !figure.answer.isEmpty();
    if (figure.report || answered) {
        QString heading = QString::fromStdString(state.data.heading);
        if (figure.report) heading = headingWithoutPath(heading, *figure.report);
        renderer.setHeadings(heading, answered ? answeredSecondHeading(state.data.stamp)
                                               : QString::fromStdString(state.data.heading2));
    }
    renderer.paint(painter, plot);
    if (!state.DataLoaded) return;
    drawLineLabels(painter, renderer.scale(plot), figure.lines,
                   figure.hours ? 1.0 / kSecondsPerHour : 1.0, PlotRenderer::tickPixelSize(plot));

    const double key_width = figureKeyWidth(figure, plot);
    if (key_width <= 0.0) return;
    const QRectF strip(plot.width(), 0, key_width, plot.height());
    painter.save();
    painter.fillRect(strip, Qt::white);
    painter.setClipRect(strip);
    const QFont font = keyFont(plot);
    const double top = plot.height() * kKeyTop;
    paintNamedKey(painter, QPointF(strip.left(), top), font, figure.style, figure.names);
    // The answer in words beneath the key, wrapped to the strip.
    const QString words =
        figure.note.isEmpty() ? figure.answer : figure.answer + QStringLiteral("\n") + figure.note;
    if (!words.isEmpty()) {
        const double below = top + namedKeySize(font, figure.names).height();
        const double margin = QFontMetricsF(font).height() * 0.8;
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(strip.left() + margin, below, strip.width() - 2 * margin,
                                plot.height() - below - margin),
                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, words);
    }
    painter.restore();
}

}  // namespace quillane::viewer
