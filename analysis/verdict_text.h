// SPDX-License-Identifier: MIT
// How the verdict's notes write scans, offsets, ratios and factors, for
// the verdict (equilibrium.cpp) and its judgement of lamp jitter
// (lamp_jitter.cpp).  Internal to the library.
#pragma once

#include <string>

namespace quillane::verdict_text {

// "scan 4 (t = 9.000 h)".
std::string scan_at(int set, double time_s);
// A signed offset with three decimals ("-0.012").
std::string offset_text(double v);
// "ratio 1.30 > F 1.16".
std::string ratio_against(double ratio, double f);
// A factor as a signed percentage ("-8.0 %").
std::string percent(double fraction);

}  // namespace quillane::verdict_text
