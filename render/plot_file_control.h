// SPDX-License-Identifier: MIT
// Reading a plot file into the viewer and disposing of it afterwards:
// opening with retries, the data range, the numbering of kept plot files,
// and the deletion or renaming of the file once it has been shown.
#pragma once

#include <QString>
#include <functional>

#include "viewer_state.h"

namespace quillane::viewer {

// Waits `ms` milliseconds between attempts to open the plot file.
using Sleeper = std::function<void(int ms)>;

inline constexpr int kOpenAttempts = 4;
inline constexpr int kOpenRetryMs = 500;

enum class LoadOutcome {
    loaded,      // headings and at least one point
    no_data,     // the file gave a count below 1
    not_opened,  // the file could not be opened after every attempt
};

// Opens `file_name` (kOpenAttempts attempts, `sleep`(kOpenRetryMs) between
// them), reads it into `state`, caps it at the viewer's capacity and sets the
// data range.  `progress` gets 10, 20, ... 100 while points are read.  The
// file is closed before returning; nothing is shown to the user.
LoadOutcome loadPlotFile(ViewerState &state, const QString &file_name, const Sleeper &sleep,
                         const plotfile::ReadProgress &progress = {});

// The window caption for a plot read from `plot_file_name`.
QString plotCaption(const QString &program_title, const QString &plot_file_name);

// Sets XMin..YMax to the range of the points held (the first point alone when
// there are none; all zero when no point was ever read).
void FindPlotRange(ViewerState &state);

// Sets PlotPrefix and PlotNumber from the numbered plot files in the current
// folder, so that kept plots continue the series already there.
void InitPlotNumbering(ViewerState &state, const QString &name);

struct DisposeResult {
    QString out_file_label;      // what OutFileLbl shows
    bool save_plot_now = false;  // SavePlotNow visible and enabled
    bool failed = false;         // a copy, delete or rename did not work
    QString kept_as;             // the numbered name given to a kept plot
};

// After a plot was shown: a plot marked for deletion is copied to
// `temp_plot_file_name` and deleted; any other is renamed to the next free
// numbered name in the current folder.  A plot whose file could not be read
// is kept, since its marker is unknown.  Failures are reported in the result,
// never thrown, and never cost the user a plot file that was to be kept.
DisposeResult DisposePlotFile(ViewerState &state, const QString &plot_file_name,
                              const QString &temp_plot_file_name);

// The numbered name for `number` (three digits, more when needed).
QString numberedPlotName(const QString &prefix, int number, const QString &extension);

}  // namespace quillane::viewer
