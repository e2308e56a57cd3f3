// SPDX-License-Identifier: MIT
// The matching fit: every active set is matched onto the positions of every
// other one, and the differences are fitted with no offset (kind 1), a
// constant y-offset (kind 2) and a y-offset plus a position offset (kind 3).
// A shift of a curve by dX changes its values by dX times the local slope,
// so kind 3 is a linear fit of the differences against the slope.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "fit_match_points.h"
#include "fit_workers.h"
#include "log.h"
#include "state.h"

namespace quillane {

// The fewest points of a reference set for which the RMS deviation of every
// fit kind is defined (kind 3 divides by N - 3).
inline constexpr int kMinReferencePoints = 4;

// Work buffers of one worker of a fit, sized once for the largest active
// set so that the pair loop allocates nothing.  A pair's report lines are
// formed here and handed to the log afterwards, in pair order.
struct FitWork {
    std::vector<double> matched_values;  // [0] unused, 1..N
    std::string line;                    // a report line being formed
    std::string file_lines;              // report lines, each ended by CR LF
    std::string box_lines;               // list-box lines, each ended by LF

    // The F line depends only on the reference set's size, so it is formed
    // once per size and confidence level.
    int f_points = -1;
    double f_confidence = 0.0;
    std::string f_message;  // what the F test reported, posted again for every pair
    std::string f_line;

    explicit FitWork(int largest_set = 0);
};

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

// Every ordered pair of active sets i != j of one fit, matched by a group
// of workers.  Making it allocates every buffer the pairs need; match_all()
// allocates nothing.  The tables, the report and the list-box lines are the
// same for any number of workers.
class PairRun {
  public:
    // For the active sets of `s`, whose slopes are current; the diagonal
    // and the deviation table's length are left to the caller.
    PairRun(State &s, WorkerGroup &workers);
    PairRun(const PairRun &) = delete;
    PairRun &operator=(const PairRun &) = delete;

    // Matches every pair and stores its results; the report lines wait.
    void match_all();
    // Hands the pairs' report lines to the output file and their list-box
    // lines to the list box, in pair order (i, then j), and keeps the
    // determinant flag of the last pair compared.
    void hand_over(Log &log);

  private:
    // Where one pair's lines are: in the buffers of the worker that ran it.
    struct Pair {
        int i = 0, j = 0;
        int worker = 0;
        size_t file_begin = 0, file_end = 0;
        size_t box_begin = 0, box_end = 0;
        bool compared = false;
        bool determinant_vanished = false;
    };

    State &s_;
    WorkerGroup &workers_;
    int sets_ = 0;
    MatchIndex index_;
    std::vector<FitWork> work_;  // one per worker
    std::vector<Pair> pairs_;    // in report order
};

// Averages of the sums and RMS deviations over the pairs compared, to the
// output file and the list box.
void report_fit_averages(State &s, Log &log);

// The whole fit: slopes when they are stale, every ordered pair of active
// sets, the averages.  ref is the active set whose deviations are kept.
void fit_all(State &s, int ref);

}  // namespace quillane
