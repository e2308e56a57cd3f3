// SPDX-License-Identifier: MIT
// The critical variance ratio by either method: the closed-form
// approximation of fit_fstat.h (the default, which the report has always
// used) or the exact upper quantile of the F distribution, so that the
// approximation's error can be seen (+2.5 % at 4 and 4 degrees of freedom,
// +1.6 % at 5 and 5, under 0.5 % from 10 and 10 on, and far too high with
// fewer than 4).
#pragma once

#include <string>

#include "state.h"

namespace quillane {

// The exact F(n, m, 1 - P): the value a ratio of two variances with n and m
// degrees of freedom exceeds with probability 1 - P.  Same arguments, limits
// and messages as fstat; 0.0 after an error.
double fstat_exact(int n, int m, double P, std::string *message = nullptr);

// F(n, m, 1 - P) by the method the state is set to (exact_f).
double critical_f(const State &s, int n, int m, double P, std::string *message = nullptr);

// Two-sided quantile of Student's t with dof degrees of freedom: the value
// |t| exceeds with probability 1 - confidence.  0.0 for dof < 1 or a
// confidence outside (0, 1).
double student_t_two_sided(int dof, double confidence);

}  // namespace quillane
