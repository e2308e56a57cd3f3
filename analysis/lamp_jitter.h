// SPDX-License-Identifier: MIT
// The verdict where the lamp's jitter is in the scans: judged with a
// y-offset and a scale factor against the latest scan, and told from an
// approach by time (see kMaxScale in equilibrium.h).  Internal to the
// verdict (equilibrium.cpp).  No I/O.
#pragma once

#include <span>
#include <string>

#include "assessment_state.h"

namespace quillane {

// The block judged with a y-offset and a scale factor.  Its status stays
// kUnknown when the factors show no jitter (the verdict without offsets
// then stands alone); else kReached or kApproaching, with the block's first
// scan, its jitter (ScaleJitter) and the jitter seen (lamp_jitter).
Verdict judge_with_scale(std::span<const ScanComparison> earlier, double latest_time_s,
                         double min_block_s);

// The note that names the jitter of a block ("scans 5-11 differ from the
// latest by scale factors of -8.0 % ... +0.2 % (...); their shapes agree").
std::string jitter_note(const ScaleJitter &j);

}  // namespace quillane
