// SPDX-License-Identifier: MIT
// Helpers of the fit tests: an active store built from given points, and a
// comparison that reports the error it found.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "state.h"

namespace quillane::testing {

// One data set: positions in the current position variable and values.
struct SetPoints {
    std::vector<double> x;
    std::vector<double> y;
};

// Puts the sets into the raw store as data sets 1..n (radius and xi both
// filled, the position variable's own value taken as given), makes all of
// them active in order and builds the active store over their full range.
void load_active_sets(State &s, const std::vector<SetPoints> &sets);

// n positions from x0 with steps that vary by up to +-40 %, so that no two
// steps are equal.
std::vector<double> uneven_grid(double x0, double step, int n, unsigned seed = 1);

// Values of f at the positions.
std::vector<double> values_at(const std::vector<double> &x, const std::function<double(double)> &f);

// Reproducible pseudo-random numbers in [-1, 1).
std::vector<double> noise(int n, unsigned seed);

// |actual - expected| <= tolerance, printing both values and the error.
::testing::AssertionResult close_to(double actual, double expected, double tolerance);

// Slope stored for active point m (1-based) of active set k, checking that
// both fields that hold it agree.
double stored_slope(const State &s, int k, int m);

// The lines that contain `text`.
std::vector<std::string> lines_with(const std::vector<std::string> &lines, const std::string &text);

// Sets QUILLANE_THREADS (the fit's number of threads) for its lifetime and
// restores what was there before.
class ScopedThreads {
  public:
    explicit ScopedThreads(const std::string &value);
    ~ScopedThreads();
    ScopedThreads(const ScopedThreads &) = delete;
    ScopedThreads &operator=(const ScopedThreads &) = delete;

  private:
    bool had_ = false;
    std::string before_;
};

}  // namespace quillane::testing
