// SPDX-License-Identifier: MIT
// State of the data plots and result graphs, kept between calls: what was
// asked for last, the texts of the plot file's first four lines and the
// point buffer that the plot file writer empties into the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plot_codes.h"

namespace quillane {

// Records a data plot can hold: one per active point.
inline constexpr int kPlotBufferCapacity = 102400;
// Heading and label texts reach the plot file with at most this many characters.
inline constexpr int kPlotTextLength = 80;

// Series codes with a meaning for the viewer besides "symbol of series n",
// as the bytes the point buffer keeps.
inline constexpr uint8_t kCodeLineStart = plotfile::code_byte(plotfile::kCodeLineStart);
inline constexpr uint8_t kCodeLineContinue = plotfile::code_byte(plotfile::kCodeLineContinue);
inline constexpr uint8_t kCodeHidden = plotfile::code_byte(plotfile::kCodeHidden);

// One record of the plot buffer.  The code is kept as the byte the viewer
// knows and written as a signed 8-bit number.
struct PlotRecord {
    float x = 0.0f;
    float y = 0.0f;
    float third = 0.0f;  // 0 in every plot written; the viewer ignores it
    uint8_t code = 0;
};

// Which quantities a data plot puts on its axes.
enum class PlotAxes { none, value_position, slope_position, slope_value };

struct PlotState {
    // ---- data plots ----
    int32_t plot_set = 0;   // active set, or < 0 for every set of the plot list
    int32_t plot_kind = 0;  // 1, 2 or 3 as last asked for
    PlotAxes axes = PlotAxes::none;

    // ---- the plot file's texts (80 characters, blank padded) ----
    std::string plot_heading;
    std::string plot_heading2;
    std::string plot_xlabel;
    std::string plot_ylabel;

    // The point buffer, refilled from its start by every plot; its size is
    // the record count (plot_point_count).  Data plots keep within kPlotBufferCapacity; result
    // graphs are sized to their data.
    std::vector<PlotRecord> plot_points;

    // ---- result graphs ----
    std::string result_x_label;  // 90 characters at most
    std::string result_y_label;
    std::vector<float> graph_x;               // [p], p = 0 .. points - 1
    std::vector<std::vector<float>> graph_y;  // [series][p]
    int32_t graph_series_count = 0;
};

}  // namespace quillane
