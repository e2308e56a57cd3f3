// SPDX-License-Identifier: MIT
// The plot viewer's state: the plot as read, its data range and the
// numbering of kept plot files.  One instance per plot window.
#pragma once

#include <QString>

#include "plot_file_reader.h"

namespace quillane::viewer {

struct ViewerState {
    // The plot as read.  Reused from plot to plot: a point record that cannot
    // be read keeps what its slot held before.
    plotfile::PlotData data;

    // The data range shown; the zoom commands change it.
    float XMin = 0.0f;
    float XMax = 0.0f;
    float YMin = 0.0f;
    float YMax = 0.0f;

    bool DataLoaded = false;    // a file with at least one point was read
    bool PlotFileOpen = false;  // the last attempt to open the plot file succeeded

    // Kept plot files are named PlotPrefix + three digits + the extension.
    QString PlotPrefix = QStringLiteral("plot_");
    int PlotNumber = 0;

    int pointCount() const { return data.count; }
};

}  // namespace quillane::viewer
