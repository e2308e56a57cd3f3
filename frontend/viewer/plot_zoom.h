// SPDX-License-Identifier: MIT
// The mouse on a plot: the rubber-band zoom and, while the plot is used to
// set the data range, the clicks that set the lower and upper limit.
#pragma once

#include <QPointF>
#include <Qt>
#include <optional>

#include "plot_axes.h"
#include "plot_scale.h"
#include "viewer_host.h"
#include "viewer_state.h"

namespace quillane::viewer {

enum class ZoomOutcome {
    none,          // a box without width or height: nothing happens
    no_data,       // no point inside the box
    single_point,  // one point inside the box
    zoomed,        // the data range becomes the box
};

struct ZoomResult {
    ZoomOutcome outcome = ZoomOutcome::none;
    // The box in data units, ordered and kept inside the axes.
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
};

// Decides the zoom into the box between `down` and `current` (plot units),
// with the axes of the last paint.  A box edge outside the axes is moved one
// hundredth of the axis span inside them; points on the box edges count.
ZoomResult ZoomToBox(QPointF down, QPointF current, const PlotScale &scale,
                     const ViewerState &state);

// Applies a zoom: the data range becomes the box.  Returns the message to
// show when there is nothing to zoom into.
std::optional<Notice> applyZoom(const ZoomResult &zoom, ViewerState &state);

// The mouse gestures of the plot window.  Shift, Ctrl and Alt are tested as
// exact states: a combination does nothing.  In limits mode the lower limit
// is Ctrl+left or Shift+left, the upper one Ctrl+right, Alt+left or
// Shift+right; a plain left drag zooms.  A Ctrl+left press starts a range:
// dragged, it marks both limits; released where it began, it stays the
// lower-limit click.
enum class MouseGesture { none, drag, lower_limit, upper_limit, range };

// The gesture that a press of `button` starts: the plain left drag, or the
// Ctrl+left range.
MouseGesture pressGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
// The gesture that a release of `button` completes; limits only in limits mode.
MouseGesture releaseGesture(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            bool limits_mode);

// Applies the data limits low..high (data units): a refusal's message is
// shown and nothing changes; too few points for the differentiation span
// bring the span warning, the limits kept.  Returns true when they changed.
bool applyLimitPair(ViewerHost &host, double low, double high, const MessageHook &message);

// Sets the lower or upper data limit to `value` (data units): the host
// applies the new pair, and the span warning is shown when a set has too
// few points.  A limit on the wrong side of the other one is refused: the
// error message is shown and nothing changes.  Returns true when the limits
// changed.
bool applyLimitClick(ViewerHost &host, MouseGesture gesture, float value,
                     const MessageHook &message);

}  // namespace quillane::viewer
