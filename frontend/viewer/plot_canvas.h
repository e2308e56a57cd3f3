// SPDX-License-Identifier: MIT
// The drawing surface of the plot window: shows the rendered plot, keeps it
// as a picture so that the rubber band can be drawn over it without
// drawing the plot again, and hands mouse events on in plot units.
#pragma once

#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <functional>

namespace quillane::viewer {

class PlotCanvas : public QWidget {
  public:
    using Render = std::function<void(QPainter &painter, QSizeF size)>;
    using MouseHandler = std::function<void(QMouseEvent *event)>;

    explicit PlotCanvas(QWidget *parent = nullptr);

    void setRender(Render render) { render_ = std::move(render); }
    void setMouseHandlers(MouseHandler press, MouseHandler move, MouseHandler release);

    // Draws the plot again at the next paint.
    void invalidate();
    // While frozen (a plot file is being read) the last picture is shown.
    void setFrozen(bool frozen) { frozen_ = frozen; }

    // The rubber band between two device points; none when `shown` is false.
    void setRubberBand(bool shown, QPointF from = {}, QPointF to = {});
    bool rubberBandShown() const { return band_shown_; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

  private:
    Render render_;
    MouseHandler press_, move_, release_;
    QPixmap picture_;
    bool stale_ = true;
    bool frozen_ = false;
    bool band_shown_ = false;
    QPointF band_from_, band_to_;
};

}  // namespace quillane::viewer
