// SPDX-License-Identifier: MIT
#include "plot_time_axis.h"

#include <algorithm>

#include "plot_file_control.h"

namespace quillane::viewer {

bool isTimeAxis(const plotfile::PlotData &data) {
    return QString::fromStdString(data.x_label).trimmed() == QLatin1String("Time");
}

bool showTimeInHours(ViewerState &state) {
    if (!state.DataLoaded || !isTimeAxis(state.data)) return false;
    TimeAxisView view;
    view.noteLoaded(state);
    view.show(state, true);
    FindPlotRange(state);
    return true;
}

void TimeAxisView::noteLoaded(const ViewerState &state) {
    const auto &points = state.data.points;
    seconds_.resize(points.size());
    std::transform(points.begin(), points.end(), seconds_.begin(),
                   [](const plotfile::PlotPoint &p) { return p.x; });
    label_ = state.data.x_label;
    time_axis_ = state.DataLoaded && isTimeAxis(state.data);
    in_hours_ = false;
}

void TimeAxisView::show(ViewerState &state, bool hours) {
    hours = hours && time_axis_;
    if (hours == in_hours_ || seconds_.size() != state.data.points.size()) return;
    const double scale = hours ? 1.0 / kSecondsPerHour : 1.0;
    for (size_t i = 0; i < seconds_.size(); ++i)
        state.data.points[i].x = static_cast<float>(seconds_[i] * scale);
    // A zoom stays on the same stretch of time.
    const double factor = hours ? 1.0 / kSecondsPerHour : kSecondsPerHour;
    state.XMin = static_cast<float>(state.XMin * factor);
    state.XMax = static_cast<float>(state.XMax * factor);
    state.data.x_label = hours ? kHoursLabel.toStdString() : label_;
    in_hours_ = hours;
}

void TimeAxisView::restoreSeconds(ViewerState &state) {
    show(state, false);
}

}  // namespace quillane::viewer
