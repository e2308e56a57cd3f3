// SPDX-License-Identifier: MIT
// The plot file writer.  Every graph reaches the front end's viewer as one
// small text file (CR LF line ends):
//
//   1  " " + heading; with the delete marker the heading fills columns 2-80
//      and column 81 holds "!"
//   2  " " + second heading in columns 2-80, the time stamp in 81-105
//   3  " " + x-axis label   (an empty label is written as 80 blanks)
//   4  " " + y-axis label
//   5  " " + record count in 15 columns
//   6… "  " X " " Y " " third " " code: three 14-column numbers and the
//      series code as a signed byte in 5 columns
//
// A plot file is only ever created as a new file: an existing one is left
// alone, so a plot the viewer has not yet taken is never overwritten.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "plot_state.h"
#include "state.h"

namespace quillane {

// Length of a heading or label without trailing blanks (plot_text_length).
int plot_text_length(std::string_view text);

// A value as written in a point record: 6 significant digits (the form is
// chosen after rounding to them), 14 columns.  0.05 -> "  5.000000E-02".
std::string plot_number(float v);

// The 25-character stamp of line 2: "hh:mm:ss ON MM/DD/CCYY   ".
std::string plot_time_stamp(const std::tm &local);

// Lines 1 to 5 and one point record, without their line ends.
std::string plot_heading_line(std::string_view heading, bool delete_marker);
std::string plot_second_heading_line(std::string_view heading2, std::string_view stamp);
std::string plot_label_line(std::string_view label);
std::string plot_count_line(size_t count);
std::string plot_record_line(const PlotRecord &r);

// The whole file's text from the plot state's headings, labels and points.
std::string format_plot_file(const PlotState &plot, bool delete_marker, std::string_view stamp);

enum class PlotWriteOutcome {
    written,
    disabled,  // write_plot_files is false
    exists,    // a file of that name is there; left as it was
    failed,    // could not be created or written
};

// Leaves out the records whose X, Y or third value is not a finite number
// (the viewer would read them as zeros); a line that loses a record starts
// again at its next one.  Returns how many records were left out.
size_t drop_non_finite_records(std::vector<PlotRecord> &points);

// Writes plot_file_name from s.plot unless plot files are switched off.  A
// file that exists or cannot be written is reported on the list box and
// kept as the last error, never overwritten; a file whose writing or
// closing failed is removed, so no partial plot is ever shown.  Records
// that are not finite are left out, with a list-box line saying how many.
PlotWriteOutcome write_plot_file(State &s);

// The local time now.
std::tm local_time_now(int *hundredths = nullptr);

}  // namespace quillane
