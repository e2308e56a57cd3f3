// SPDX-License-Identifier: MIT
// Critical value of the variance ratio: the upper quantile F(n, m, 1 - P) of
// the F distribution, from closed-form approximations (no tables, no
// incomplete beta function).
#pragma once

#include <string>

#include "state.h"

namespace quillane {

// Normal deviate exceeded with probability 1 - P, by a rational
// approximation (absolute error below 4.5e-4; 1.64521 for P = 0.95).
double normal_quantile(double P);

// Approximate normal deviate of the variance ratio F with n and m degrees
// of freedom, from the cube-root transformation of F.
double paulson_z(double F, double n, double m);

// Checks the arguments of an F quantile: 0.5 < P < 1, then n >= 1, then
// m >= 1.  On the first that fails the result is false and `message` (when
// given) receives the line that says so; otherwise it is cleared.
bool fstat_arguments_ok(int n, int m, double P, std::string *message = nullptr);

// F(n, m, 1 - P) for n, m >= 1 and 0.5 < P < 1.  Both degrees of freedom of
// 5 or more use a direct formula; otherwise the cube-root approximation is
// solved for F by doubling and bisection.  On bad arguments, or when no
// value up to kFstatSearchLimit solves it, the result is 0.0 and `message`
// (when given) receives the line that explains why.
double fstat(int n, int m, double P, std::string *message = nullptr);

// The same, with the explanation posted to the list box.
double FSTAT(State &s, int n, int m, double P);

// The search gives up above this ratio.  For few degrees of freedom and P
// near 1 the approximation never reaches the normal deviate at all.
inline constexpr double kFstatSearchLimit = 1.0e10;

}  // namespace quillane
