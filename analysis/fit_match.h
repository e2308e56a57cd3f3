// The matching fit: every active set is matched onto the positions of every
// other one, and the differences are fitted with no offset (kind 1), a
// constant y-offset (kind 2) and a y-offset plus a position offset (kind 3).
// A shift of a curve by dX changes its values by dX times the local slope,
// so kind 3 is a linear fit of the differences against the slope.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "log.h"
#include "state.h"

namespace quillane {

// The fewest points of a reference set for which the RMS deviation of every
// fit kind is defined (kind 3 divides by N - 3).
inline constexpr int kMinReferencePoints = 4;

// Positions closer than this count as equal when the compared set's pointer
// is moved along; it is the single-precision value of 1e-5.
inline const double kMatchTolerance = static_cast<float>(1.0e-5);

// Work buffers of one fit, sized once for the largest active set so that the
// pair loop allocates nothing.
struct FitWork {
    std::vector<double> matched_values;  // [0] unused, 1..N
    std::string line;                    // a report line being formed

    // The F line depends only on the reference set's size, so it is formed
    // once per size and confidence level.
    int f_points = -1;
    double f_confidence = 0.0;
    std::string f_message;  // what the F test reported, posted again for every pair
    std::string f_line;

    explicit FitWork(int largest_set = 0);
};

// Values of the compared set at the reference set's positions: from the
// first compared point at or above each position (a pointer that only moves
// forward), extrapolated along its slope.  Positions outside the compared
// set are extrapolated from its first or last point.  `out` holds one value
// per reference point.  No I/O.
void match_values(std::span<const ActivePoint> ref, std::span<const ActivePoint> cmp,
                  std::span<double> out);

// The sums of one pair: a is the reference set's slope at a point, d the
// matched value less the reference value.
struct PairSums {
    int count = 0;
    double sum_slope = 0.0;      // sum a
    double sum_slope_sq = 0.0;   // sum a^2
    double sum_dev = 0.0;        // sum d
    double sum_dev_sq = 0.0;     // sum d^2
    double sum_slope_dev = 0.0;  // sum a d
};
PairSums offset_sums(std::span<const ActivePoint> ref, std::span<const double> matched);

// match_values and offset_sums in one walk, with the same results to the
// last bit; the sums then overlap the matching's unpredictable branches.
PairSums match_and_sum(std::span<const ActivePoint> ref, std::span<const ActivePoint> cmp,
                       std::span<double> out);

// The three fits of one pair from its sums.  Index 1..3 is the fit kind.
struct PairFit {
    double rss[4] = {};
    double rms[4] = {};
    double y_offset[4] = {};
    double x_offset = 0.0;
    bool determinant_vanished = false;  // kind 3 not solved: its entries are not set
};
PairFit fit_pair(const PairSums &sums);

// Radius at the middle of active set j's range: sqrt(X1 + X2) in xi mode
// (r = sqrt(2 xi) at the mean xi), (X1 + X2) / 2 in radius mode; 0 for a
// set without points.
double mid_radius(const State &s, int j);

// True when reference set i and compared set j can be compared: i has at
// least kMinReferencePoints points and j at least one.
bool pair_comparable(const State &s, int i, int j);

// Matches compared set j onto reference set i, stores the pair's results and
// writes its report lines.  Returns false when the pair could not be
// compared (its entries are then 0 and a line says why).
bool match_pair(State &s, FitWork &work, Log &log, int i, int j);

// Averages of the sums and RMS deviations over the pairs compared, to the
// output file and the list box.
void report_fit_averages(State &s, Log &log);

// The whole fit: slopes when they are stale, every ordered pair of active
// sets, the averages.  ref is the active set whose deviations are kept.
void fit_all(State &s, int ref);

}  // namespace quillane
