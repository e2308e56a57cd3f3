// SPDX-License-Identifier: MIT
#include "plot_canvas.h"

#include <QMouseEvent>
#include <QPainter>

#include "plot_renderer.h"

namespace quillane::viewer {

namespace {
const QColor kRubberBandColour{255, 0, 0};
}

PlotCanvas::PlotCanvas(QWidget *parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
}

void PlotCanvas::setMouseHandlers(MouseHandler press, MouseHandler move, MouseHandler release) {
    press_ = std::move(press);
    move_ = std::move(move);
    release_ = std::move(release);
}

void PlotCanvas::invalidate() {
    stale_ = true;
    update();
}

void PlotCanvas::setRubberBand(bool shown, QPointF from, QPointF to) {
    band_shown_ = shown;
    band_from_ = from;
    band_to_ = to;
    update();
}

void PlotCanvas::paintEvent(QPaintEvent *) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!frozen_ && (stale_ || picture_.size() != pixels)) {
        picture_ = QPixmap(pixels);
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(kSurfaceColour);
        if (render_) {
            QPainter painter(&picture_);
            render_(painter, QSizeF(size()));
        }
        stale_ = false;
    }
    QPainter painter(this);
    painter.fillRect(rect(), kSurfaceColour);
    painter.drawPixmap(0, 0, picture_);
    if (band_shown_) {
        painter.setPen(QPen(kRubberBandColour, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(band_from_, band_to_).normalized());
    }
}

void PlotCanvas::resizeEvent(QResizeEvent *event) {
    stale_ = true;
    QWidget::resizeEvent(event);
}

void PlotCanvas::mousePressEvent(QMouseEvent *event) {
    if (press_) press_(event);
}

void PlotCanvas::mouseMoveEvent(QMouseEvent *event) {
    if (move_) move_(event);
}

void PlotCanvas::mouseReleaseEvent(QMouseEvent *event) {
    if (release_) release_(event);
}

}  // namespace quillane::viewer
