// SPDX-License-Identifier: MIT
// Hours as every part of the system writes them: the library's report and
// verdicts, the session's status lines, the runner's lines and the
// program's and the PDF's texts.  Header-only so that the library and the
// layers above it, which do not link each other, share one rule.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>

namespace quillane {

inline constexpr double kSecondsPerHour = 3600.0;

// `seconds` in hours with `decimals` decimals ("12.35" for 44,460 s and 2);
// from 10^9 h on (no real run, but a time a file may hold) in exponent
// form ("1.235e+09") rather than a row of digits; "nan" and "inf" as such.
inline std::string hours_number(double seconds, int decimals) {
    const double hours = seconds / kSecondsPerHour;
    char text[64];
    if (std::isfinite(hours) && std::fabs(hours) >= 1.0e9)
        std::snprintf(text, sizeof text, "%.3e", hours);
    else
        std::snprintf(text, sizeof text, "%.*f", decimals, hours);
    return text;
}

// The same with its unit: "12.35 h".
inline std::string hours_with_unit(double seconds, int decimals) {
    return hours_number(seconds, decimals) + " h";
}

}  // namespace quillane
