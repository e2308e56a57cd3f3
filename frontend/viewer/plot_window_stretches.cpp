// SPDX-License-Identifier: MIT
// The plot window's mouse on the column finder's stretches: a click takes a
// stretch's limits, an edge dragged moves that limit, a Ctrl+drag marks
// both limits, and the tip names the column or why the finder refused it.
#include <QCursor>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "plot_window.h"

namespace quillane::viewer {

namespace {
// How far (device pixels) the pointer may move for a press and release to
// be a click, and how near an edge it grabs the edge.
constexpr double kClickPixels = 3.0;
constexpr double kEdgePixels = 4.0;
}  // namespace

bool Plotit::insidePlotArea(QPointF plot) const {
    return plot.x() >= 0.0 && plot.x() <= 100.0 && plot.y() >= 0.0 && plot.y() <= 100.0;
}

bool Plotit::isClick(QPointF from, QPointF to) const {
    const PlotScale scale = currentScale();
    return (scale.toDevice(to) - scale.toDevice(from)).manhattanLength() <= kClickPixels;
}

bool Plotit::startStretchDrag(MouseGesture gesture, QPointF plot) {
    if (!insidePlotArea(plot)) return false;
    const std::vector<StretchBand> bands = host_.stretchBands();
    if (gesture == MouseGesture::drag) {
        const PlotScale scale = currentScale();
        const double reach = kEdgePixels / scale.pixelsX(1.0) / scale.XScale();
        const std::optional<BandEdge> edge =
            bandEdgeAt(bands, scale.dataX(static_cast<float>(plot.x())), reach);
        if (!edge) return false;
        edge_ = *edge;
        limit_drag_ = LimitDrag::edge;
    } else if (gesture == MouseGesture::range) {
        // Where limits can be marked: the limits plot, or the scans with
        // their stretches.
        if (!host_.limitsMode() && bands.empty()) return false;
        limit_drag_ = LimitDrag::range;
    } else {
        return false;
    }
    down_ = current_ = plot;
    return true;
}

void Plotit::moveStretchDrag() {
    // The limits the release would set, as a box over the plot's height.
    double from = down_.x();
    if (limit_drag_ == LimitDrag::edge) {
        const std::vector<StretchBand> bands = host_.stretchBands();
        if (edge_.band < bands.size()) {
            const StretchBand &band = bands[edge_.band];
            from = currentScale().plotX(static_cast<float>(edge_.upper ? band.low : band.high));
        }
    }
    const PlotScale scale = currentScale();
    const double to = std::clamp(current_.x(), 0.0, 100.0);
    canvas_->setRubberBand(true, scale.toDevice(from, 100.0), scale.toDevice(to, 0.0));
}

bool Plotit::endStretchDrag() {
    const LimitDrag drag = limit_drag_;
    limit_drag_ = LimitDrag::none;
    canvas_->setRubberBand(false);
    if (isClick(down_, current_)) {
        // An edge grabbed and let go takes the stretch it bounds; a Ctrl
        // click is the lower limit's.
        return drag == LimitDrag::edge && takeStretchAt(down_);
    }
    const PlotScale scale = currentScale();
    const double at = scale.dataX(static_cast<float>(std::clamp(current_.x(), 0.0, 100.0)));
    double low = 0.0, high = 0.0;
    if (drag == LimitDrag::edge) {
        const std::vector<StretchBand> bands = host_.stretchBands();
        if (edge_.band >= bands.size()) return true;
        low = edge_.upper ? bands[edge_.band].low : at;
        high = edge_.upper ? at : bands[edge_.band].high;
    } else {
        const double began = scale.dataX(static_cast<float>(std::clamp(down_.x(), 0.0, 100.0)));
        low = std::min(began, at);
        high = std::max(began, at);
    }
    if (applyLimitPair(host_, low, high, message_)) redraw();
    return true;
}

bool Plotit::takeStretchAt(QPointF plot) {
    if (!insidePlotArea(plot)) return false;
    const std::vector<StretchBand> bands = host_.stretchBands();
    const std::optional<size_t> i =
        bandAt(bands, currentScale().dataX(static_cast<float>(plot.x())));
    if (!i) return false;
    if (applyLimitPair(host_, bands[*i].low, bands[*i].high, message_)) redraw();
    return true;
}

void Plotit::hoverStretches(QPointF plot) {
    const std::vector<StretchBand> bands = host_.stretchBands();
    QString tip = surface_tip_;
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (!bands.empty() && insidePlotArea(plot)) {
        const PlotScale scale = currentScale();
        const double x = scale.dataX(static_cast<float>(plot.x()));
        const double reach = kEdgePixels / scale.pixelsX(1.0) / scale.XScale();
        if (bandEdgeAt(bands, x, reach)) shape = Qt::SizeHorCursor;
        if (const std::optional<size_t> i = bandAt(bands, x)) tip = bands[*i].tip;
    }
    if (canvas_->cursor().shape() != shape) canvas_->setCursor(shape);
    if (canvas_->toolTip() == tip) return;
    canvas_->setToolTip(tip);
    // A tip on show follows the pointer into the next stretch.
    if (QToolTip::isVisible()) QToolTip::showText(QCursor::pos(), tip, canvas_);
}

}  // namespace quillane::viewer
