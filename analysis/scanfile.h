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
#pragma once

#include <string>

#include "state.h"

namespace quillane {

inline constexpr int kScanLineLength = 133;  // the rest of a longer line is ignored

// Reads `name` as data set n (1..50) behind sets 1..n-1 and logs the summary.
void read_scan_file(State &s, std::string name, int n);

// The file name as stored: trailing NULs and blanks removed, cut at 127.
std::string clean_file_name(std::string name);

}  // namespace quillane
