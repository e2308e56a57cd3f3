// SPDX-License-Identifier: MIT
// The scan file reader: one radial scan of an ultracentrifuge run per file.
//
//   line 1            description, not interpreted
//   lines 2 and 3     the first two lines of two or more characters after
//                     line 1; one of them beginning with R or P followed by
//                     at least four numbers gives the scan time (the fourth)
//   following lines   position, value, optional third number (a negative
//                     third number rejects the point); position in cm
//                     (5.7 .. 7.45) or in cm^2 (xi, 16.245 .. 27.75125)
//   anywhere          empty and one-character lines are skipped
//
// What the reader does not take is said, not dropped in silence: a set
// whose positions do not rise is put in rising order, and values and times
// beyond the plausibility bounds below, or beyond the range of a double,
// are rejected with the reason; each gives one line in the report and the
// list box.
#pragma once

#include <string>
#include <string_view>

#include "state.h"

namespace quillane {

inline constexpr int kScanLineLength = 133;  // the rest of a longer line is ignored

// Plausibility bounds: no scan holds a signal or a time of larger
// magnitude, and within them every later number stays finite.
//
// Values: the fit squares deviations in single precision (overflow above
// 1.8e19), and the variance graphs hold sums of up to 102,400 such squares
// in single precision (3.4e38).  Slopes carry a deviation beyond the
// difference of two values: a set that jumps between the two bounds from
// one point to the next, 0.001 cm apart, with a cubic over 4 points, first
// overflows a variance graph near 2e14.  The bound leaves two decades of
// room below that.
//
// Times: graphs against time hold them in single precision; nothing squares
// them.
inline constexpr double kValueBound = 1.0e12;
inline constexpr double kTimeBound = 1.0e30;

// Reads `name` as data set n (1..50) behind sets 1..n-1 and logs the summary.
void read_scan_file(State &s, std::string name, int n);

// The facts of a scan file's time line, by the reader's rules, without
// reading its points or storing anything.  A file that cannot be opened
// gives no facts and `error` says why; one without a time line gives no
// facts and no error.
ScanHeader read_scan_header(const std::string &name, std::string &error);

// The file name as stored: cut at its first NUL, trailing blanks removed;
// never shortened otherwise.
std::string clean_file_name(std::string name);

// Whether a line begins with two numbers as the free-format reader reads
// them: what makes a line of a scan a data line.
bool is_data_line(std::string_view line);

}  // namespace quillane
