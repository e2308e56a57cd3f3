// SPDX-License-Identifier: MIT
// Data plots: the active data of one set, or of every set of the plot
// list, against position, and their local slopes against position or value.
#pragma once

#include <ctime>
#include <string>

#include "log.h"
#include "state.h"

namespace quillane {

// GENERIC_PLOT: kind 1 value against position, 2 slope against position,
// 3 slope against value; set >= 0 an active set, < 0 the plot list.  Slope
// plots are refused with a list-box line while the slopes are stale.
void generic_plot(State &s, int32_t kind, int32_t set);

// plt_c_x: value against position of the plot list, without a slope check.
void plot_list_values(State &s);

// Builds the data plot from the plot state and writes the plot file.
void write_data_plot(State &s);

// True when value is one of list[1 .. list[0]].
bool list_contains(const SetTable<int32_t> &list, int32_t value);

// "Data sets: 1, 2,10": the set numbers in 2 columns each, comma separated,
// as many as fit in 75 columns; 80 characters, blank padded.
std::string format_set_list(const SetTable<int32_t> &list);

// Appends the zero line lo..hi at y = 0 while the buffer has room for it.
void append_zero_line(PlotState &plot, double lo, double hi);

// The time-stamp line: to the output file as an empty line and
// " hh:mm:ss.hh On MM/DD/CCYY ", or to the list box without the date's
// trailing blank.
enum class StampTarget { file, list_box };
void log_time_stamp(Log &log, StampTarget target);
std::string time_stamp_text(const std::tm &local, int hundredths, StampTarget target);

}  // namespace quillane
