// What the plots and graphs read of the matching fit's results, in one
// place, so the graphs do not depend on how the fit lays out its tables.
#pragma once

#include <string>

#include "state.h"

namespace quillane {

// The slope label of active set `set` ("Data set: s Span: L Poly: T"), or
// "" for a set that was never differentiated or is out of range.
std::string slope_label(const State &s, int32_t set);

}  // namespace quillane
