// SPDX-License-Identifier: MIT
// The time axis of the result graphs in seconds or in hours.  Plot files and
// the report keep seconds; hours are only a way of looking at the plot.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "hours_format.h"
#include "viewer_state.h"

namespace quillane::viewer {

using quillane::kSecondsPerHour;
inline const QString kHoursLabel = QStringLiteral("Time (hours)");

// Whether the plot's x axis is the time of the scans (its label says so).
bool isTimeAxis(const plotfile::PlotData &data);

// Shows the time axis of the plot just read into `state` in hours, its
// range the whole plot's; false, and nothing changed, when its x axis is
// not time.  For figures drawn once; the window keeps a TimeAxisView.
bool showTimeInHours(ViewerState &state);

// The x values and x label of a plot as read, so that a plot shown in
// hours can go back to seconds exactly.
class TimeAxisView {
  public:
    // Notes the plot just read into `state` (in seconds).
    void noteLoaded(const ViewerState &state);
    // Shows the noted plot in hours (`hours` true, when its x axis is time)
    // or in seconds: x values, x label and the shown x range change.
    void show(ViewerState &state, bool hours);
    // Puts the seconds back before a new file is read into `state`, whose
    // records may keep what they held before.
    void restoreSeconds(ViewerState &state);

  private:
    std::vector<float> seconds_;
    std::string label_;
    bool time_axis_ = false;
    bool in_hours_ = false;
};

}  // namespace quillane::viewer
