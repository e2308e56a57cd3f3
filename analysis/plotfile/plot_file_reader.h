// SPDX-License-Identifier: MIT
// Reading a plot file written by the analysis library.
//
// Shared by the library's tests and the front end's viewer; it depends on
// nothing but the standard library, so the front end can build it without
// linking the library's internals.
//
// Layout of a plot file (lines end in CR LF):
//   1  heading          column 1 blank, text from column 2; "!" in column 81
//                       marks a plot to be deleted after viewing
//   2  second heading   column 1 blank, columns 2-80 text, 81-105 time stamp
//   3  x-axis label
//   4  y-axis label
//   5  count N
//   then N point records: X, Y, a third value (ignored), series code, in
//   free format (blanks, commas or line ends separate them)
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "plot_codes.h"

namespace quillane::plotfile {

// The viewer holds at most this many points; records beyond are ignored.
inline constexpr int32_t kMaxViewerPoints = 204800;

struct PlotPoint {
    float x = 0.0f;
    float y = 0.0f;
    int16_t code = 0;  // >= 1 symbol, else one of the codes of plot_codes.h
};

struct PlotData {
    std::string line1;     // the first line as read (holds the delete marker)
    std::string heading;   // characters 2-78 of line 1, trimmed
    std::string heading2;  // characters 1-79 of line 2, trimmed, + "  ::  " + stamp
    std::string stamp;     // line 2 from character 79 on, trimmed
    std::string x_label;
    std::string y_label;
    int32_t count = 0;              // points read into `points` (0 when the file held none)
    std::vector<PlotPoint> points;  // `count` entries
    // True when line 1 carries the delete marker in column 81.
    bool marked_for_deletion() const;
};

// Called with 10, 20, ... 100 while points are read (not called for fewer
// than 5 points).
using ReadProgress = std::function<void(int percent)>;

enum class ReadStatus {
    ok,       // headings and at least one point
    no_data,  // the count was below 1 (or missing): count becomes 0
};

// Reads a plot file from `in` into `data`.  Point records that cannot be
// read (a truncated file, a field that is not a number) keep the values the
// same slot of `data.points` held before the call, so a viewer that reuses
// its PlotData shows old values there, as it always has.
ReadStatus read_plot_file(std::istream &in, PlotData &data, const ReadProgress &progress = {});

}  // namespace quillane::plotfile
