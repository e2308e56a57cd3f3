// Finding the solution columns of a scan series.
//
// A cell may hold one solution column (a single-channel centerpiece) or
// several side by side along the radius (three in a six-channel
// equilibrium centerpiece).  A column is where the signal is a smooth,
// positive profile, bounded at its low-radius end by the meniscus (a sharp
// spike or step) and at its high-radius end by the base (a steep rise into
// a region of light blocked or saturated).  Outside the columns the signal
// is noise, garbage or negative: window regions, air, the reference
// solvent between the two menisci of a channel.
//
// The scans of a series are looked at together: at each radius the median,
// over every point of every scan near it, of how far a point lies from the
// straight line through its two neighbours says whether the signal is
// smooth there.  One scan's spikes or dust do not move a median; a
// meniscus, a base or a window region lies at the same radius in every
// scan and does.
#pragma once

#include <vector>

namespace quillane {

// One point of a scan: radius in cm and its signal.
struct RadialPoint {
    double radius = 0.0;
    double value = 0.0;
};

struct SolutionColumn {
    // cm.  The meniscus is the centre of the spike that ends the column at
    // its low end, or, without a spike, where the smooth profile begins; the
    // base is where the steep rise begins.
    double meniscus = 0.0;
    double base = 0.0;
    // False where the column runs into the end of the data instead: the
    // bound is then where the data begin or end.
    bool meniscus_seen = false;
    bool base_seen = false;
};

// The most columns reported.
inline constexpr int kMaxColumns = 10;

// Shortest column taken (cm, meniscus to base).
inline constexpr double kMinColumnLength = 0.05;

// The columns of the scans, in rising radius, at most kMaxColumns.  Each
// scan's points must be in rising radius.  None when no scan has three
// points or the signal shows no noise at all to judge smoothness by.
std::vector<SolutionColumn> find_solution_columns(
    const std::vector<std::vector<RadialPoint>> &scans);

}  // namespace quillane
