// SPDX-License-Identifier: MIT
#include "plot_zoom.h"

#include <optional>
#include <utility>

namespace quillane::viewer {

namespace {

constexpr Qt::KeyboardModifiers kTestedKeys =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

Qt::KeyboardModifiers keysOf(Qt::KeyboardModifiers modifiers) {
    return modifiers & kTestedKeys;
}

}  // namespace

ZoomResult ZoomToBox(QPointF down, QPointF current, const PlotScale &scale,
                     const ViewerState &state) {
    ZoomResult zoom;
    float x1 = scale.dataX(static_cast<float>(down.x()));
    float y1 = scale.dataY(static_cast<float>(down.y()));
    float x2 = scale.dataX(static_cast<float>(current.x()));
    float y2 = scale.dataY(static_cast<float>(current.y()));
    if (x1 == x2 || y1 == y2) return zoom;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);

    const float x_span = scale.XAxisHi() - scale.XAxisLo();
    const float y_span = scale.YAxisHi() - scale.YAxisLo();
    if (x1 < scale.XAxisLo()) x1 = scale.XAxisLo() + 0.01f * x_span;
    if (x2 > scale.XAxisHi()) x2 = scale.XAxisHi() - 0.01f * x_span;
    if (y1 < scale.YAxisLo()) y1 = scale.YAxisLo() + 0.01f * y_span;
    if (y2 > scale.YAxisHi()) y2 = scale.YAxisHi() - 0.01f * y_span;
    zoom.x1 = x1;
    zoom.x2 = x2;
    zoom.y1 = y1;
    zoom.y2 = y2;

    int inside = 0;
    const auto &points = state.data.points;
    const size_t count =
        std::min(points.size(), static_cast<size_t>(std::max(state.data.count, 0)));
    for (size_t i = 0; i < count && inside < 2; ++i) {
        const auto &p = points[i];
        if (x1 <= p.x && p.x <= x2 && y1 <= p.y && p.y <= y2) ++inside;
    }
    zoom.outcome = inside == 0   ? ZoomOutcome::no_data
                   : inside == 1 ? ZoomOutcome::single_point
                                 : ZoomOutcome::zoomed;
    return zoom;
}

std::optional<Notice> applyZoom(const ZoomResult &zoom, ViewerState &state) {
    const QString title = QStringLiteral("Error in Zooming");
    switch (zoom.outcome) {
        case ZoomOutcome::none:
            return std::nullopt;
        case ZoomOutcome::no_data:
            return Notice{QStringLiteral("There Were No Data Within the Zoom-In Box!"), title};
        case ZoomOutcome::single_point:
            return Notice{QStringLiteral("You CANNOT Zoom Around a Single Point!"), title};
        case ZoomOutcome::zoomed:
            // The box itself, not the data in it: the paint rounds it.
            state.XMin = zoom.x1;
            state.XMax = zoom.x2;
            state.YMin = zoom.y1;
            state.YMax = zoom.y2;
            return std::nullopt;
    }
    return std::nullopt;
}

MouseGesture pressGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    if (button != Qt::LeftButton) return MouseGesture::none;
    if (keysOf(modifiers) == Qt::NoModifier) return MouseGesture::drag;
    if (keysOf(modifiers) == Qt::ControlModifier) return MouseGesture::range;
    return MouseGesture::none;
}

MouseGesture releaseGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            bool limits_mode) {
    const Qt::KeyboardModifiers keys = keysOf(modifiers);
    if (button == Qt::LeftButton && keys == Qt::NoModifier) return MouseGesture::drag;
    if (!limits_mode) return MouseGesture::none;
    // Shift alone does the work of Ctrl as well, for desktops that take
    // Alt+click for moving windows: Shift+left lower, Shift+right upper.
    if (button == Qt::LeftButton && (keys == Qt::ControlModifier || keys == Qt::ShiftModifier))
        return MouseGesture::lower_limit;
    if ((button == Qt::LeftButton && keys == Qt::AltModifier) ||
        (button == Qt::RightButton && (keys == Qt::ControlModifier || keys == Qt::ShiftModifier))) {
        return MouseGesture::upper_limit;
    }
    return MouseGesture::none;
}

bool applyLimitClick(ViewerHost &host, MouseGesture gesture, float value,
                     const MessageHook &message) {
    double low = host.xLow();
    double high = host.xHigh();
    if (gesture == MouseGesture::lower_limit)
        low = value;
    else if (gesture == MouseGesture::upper_limit)
        high = value;
    else
        return false;
    return applyLimitPair(host, low, high, message);
}

bool applyLimitPair(ViewerHost &host, double low, double high, const MessageHook &message) {
    const LimitChange change = host.applyLimits(low, high);
    if (!change.applied) {
        if (message) {
            message(change.refusal.isEmpty()
                        ? QStringLiteral("Error Setting Data Limits! This would remove all data.")
                        : change.refusal,
                    QStringLiteral("Invalid Operation"));
        }
        return false;
    }
    // Too few points for the differentiation span: warn, but keep the limits.
    if (!change.spanOk) host.showSpanWarning();
    return true;
}

}  // namespace quillane::viewer
