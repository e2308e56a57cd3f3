// SPDX-License-Identifier: MIT
#include "verdict_text.h"

#include <cstdio>

#include "equilibrium.h"
#include "ftn_format.h"

namespace quillane::verdict_text {

std::string scan_at(int set, double time_s) {
    return "scan " + std::to_string(set) + " (t = " + hours_text(time_s) + " h)";
}

std::string offset_text(double v) {
    return std::string(ftn::trim(ftn::fixed(v, 14, 3)));
}

std::string ratio_against(double ratio, double f) {
    return "ratio " + std::string(ftn::trim(ftn::fixed(ratio, 14, 2))) +
           (ratio > f ? " > " : " <= ") + "F " + std::string(ftn::trim(ftn::fixed(f, 14, 2)));
}

std::string percent(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f %%", 100.0 * fraction);
    return text;
}

}  // namespace quillane::verdict_text
