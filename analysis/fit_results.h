// Results of the matching fit, kept for the result graphs.
#pragma once

namespace quillane {

struct FitResults {
    int ref_set = 0;  // active set whose per-point deviations are kept
};

}  // namespace quillane
