// SPDX-License-Identifier: MIT
// Results of the matching fit and of the local slopes, kept between calls
// for the report, the result graphs and the data plots.
//
// Indexing is 1-based like the report: fit kinds 1..3 (1 = no offsets,
// 2 = y-offset, 3 = y- and position offset), active sets 1..50 and the
// reference set's points 1..N.  Every accessor checks its indices and throws
// std::out_of_range, so a wrong index is reported instead of read past a
// table.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "quillane.h"

namespace quillane {

inline constexpr int kFitKinds = 3;
inline constexpr int kFitSets = QUILLANE_MAX_DATA_SETS;  // the active-set capacity of the state

namespace detail {
[[noreturn]] void fit_index_error(const char *table, int a, int b, int c);
}

// A value per fit kind and ordered pair of active sets: (kind, i, j), where
// i is the reference set and j the compared set.
class PairTable {
  public:
    PairTable() : values_(kSize, 0.0) {}
    double &operator()(int k, int i, int j) { return values_[index(k, i, j)]; }
    double operator()(int k, int i, int j) const { return values_[index(k, i, j)]; }

  private:
    static constexpr size_t kSize = (kFitKinds + 1) * (kFitSets + 1) * (kFitSets + 1);
    static size_t index(int k, int i, int j) {
        if (k < 1 || k > kFitKinds || i < 1 || i > kFitSets || j < 1 || j > kFitSets)
            detail::fit_index_error("pair table", k, i, j);
        return (static_cast<size_t>(k) * (kFitSets + 1) + static_cast<size_t>(i)) * (kFitSets + 1) +
               static_cast<size_t>(j);
    }
    std::vector<double> values_;
};

// A value per ordered pair of active sets: (i, j).
template <typename T>
class PairGrid {
  public:
    PairGrid() : values_(kSize, T{}) {}
    T &operator()(int i, int j) { return values_[index(i, j)]; }
    T operator()(int i, int j) const { return values_[index(i, j)]; }

  private:
    static constexpr size_t kSize = (kFitSets + 1) * (kFitSets + 1);
    static size_t index(int i, int j) {
        if (i < 1 || i > kFitSets || j < 1 || j > kFitSets)
            detail::fit_index_error("pair matrix", 0, i, j);
        return static_cast<size_t>(i) * (kFitSets + 1) + static_cast<size_t>(j);
    }
    std::vector<T> values_;
};
using PairMatrix = PairGrid<double>;

// Deviation of compared set j at the m-th point of the reference set, per
// fit kind, held in single precision: (kind, j, m) with m = 1..points().
// The table is as long as the longest reference set of any fit so far (it
// only grows); readers check points() before they walk a set.
class DeviationTable {
  public:
    int points() const { return points_; }
    // Changes the number of points per row.  Values whose m stays inside
    // keep their place; new entries are 0.
    void resize(int points);
    float &operator()(int f, int j, int m) { return values_[index(f, j, m)]; }
    float operator()(int f, int j, int m) const { return values_[index(f, j, m)]; }
    // The row of (f, j): element m - 1 holds point m.
    std::span<float> row(int f, int j) { return {values_.data() + base(f, j), row_size()}; }
    std::span<const float> row(int f, int j) const {
        return {values_.data() + base(f, j), row_size()};
    }

  private:
    size_t row_size() const { return static_cast<size_t>(points_); }
    size_t base(int f, int j) const {
        if (f < 1 || f > kFitKinds || j < 1 || j > kFitSets)
            detail::fit_index_error("deviation table", f, j, 0);
        return (static_cast<size_t>(f - 1) * kFitSets + static_cast<size_t>(j - 1)) * row_size();
    }
    size_t index(int f, int j, int m) const {
        if (m < 1 || m > points_) detail::fit_index_error("deviation table", f, j, m);
        return base(f, j) + static_cast<size_t>(m - 1);
    }
    int points_ = 0;
    std::vector<float> values_;
};

// Coefficients of the last local polynomial: the derivative at x is
// a1 + 2 a2 (x - xbar) + 3 a3 (x - xbar)^2.  They persist from window to
// window, because a window whose normal equations are singular is evaluated
// with the coefficients left over from the window before.
struct LocalPolynomial {
    double a1 = 0.0;
    double a2 = 0.0;
    double a3 = 0.0;
    double xbar = 0.0;
};

struct FitResults {
    int fit_ref_set = 0;       // active set whose per-point deviations are kept
    PairTable pair_rss;        // sums of squared deviations; 0 on the diagonal
    PairTable pair_rms;        // RMS deviations; 0 on the diagonal
    PairTable pair_y_offset;   // kinds 2 and 3; kind 1 stays 0
    PairMatrix pair_x_offset;  // kind 3, in the unit of the position variable
    // 1 where the pair's position fit was solved (kind 3 holds its values),
    // 0 where its determinant vanished or the pair was not compared.
    PairGrid<unsigned char> pair_position_fitted;
    DeviationTable ref_deviations;
    std::array<double, kFitKinds + 1> fit_avg_var{};  // [1..3]
    std::array<double, kFitKinds + 1> fit_avg_rms{};  // [1..3]
    int averaged_pairs = 0;             // ordered pairs behind the averages of the last fit
    bool determinant_vanished = false;  // of the last pair's two-parameter fit

    // "Data set: s Span: L Poly: T" of the last differentiation of active set
    // s, 80 characters, blank padded; [0] unused.
    std::array<std::string, kFitSets + 1> slope_labels{};
    LocalPolynomial window;  // the last window fit
};

}  // namespace quillane
