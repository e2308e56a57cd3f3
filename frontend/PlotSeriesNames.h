// SPDX-License-Identifier: MIT
// The names the legend gives the series of a plot the program shows: the
// active sets of a data plot or a deviations graph, the fit kinds of the
// RMS and variance graphs, the positions of the deviations-against-time
// graph, the offsets of the position-offsets graph.
#pragma once

#include "Hooks.h"
#include "plot_series.h"

namespace quillane::frontend {

viewer::SeriesNames seriesNamesFor(const PlotContent &content, const session::Session &session);

}  // namespace quillane::frontend
