// SPDX-License-Identifier: MIT
// Finding the solution columns of a scan series.
//
// A cell may hold one solution column (a two-channel centerpiece) or
// several side by side along the radius (three in a six-channel
// equilibrium centerpiece).  Along the radius a channel shows air, the
// reference meniscus (a spike below zero), the reference solvent, the
// sample meniscus (a positive spike), the solution column (a smooth
// profile above zero) and the base (a spike, a steep fall, or a dip, spike
// and shelf).  Between channels lie window regions: rough stretches, and
// smooth positive shelves that are no solution.
//
// The rule, with the constants in columns.cpp:
//  1. The scans are pooled in bins along the radius (column_profile.h);
//     medians over every scan make a meniscus, a base or a window region,
//     which lie at the same radius in every scan, stand out, and leave one
//     scan's dust unseen.
//  2. Spikes: bins whose points stand, in their own scans, far above (or
//     below) the signal on both sides of them (so scans taken at different
//     times do not mix), with the rough flanks beside them; the dip some
//     instruments show right after a sample meniscus joins its spike.
//     Edges of noise: where the point-to-point roughness (and the replicate
//     SD where the files give one) on one side of a radius is 1.8 times
//     that on the other, over runs of several points on each side, beyond
//     what the change of level explains (an absorbance's noise grows with
//     it).  Between spikes and edges lie stretches; neighbouring stretches
//     whose whole-stretch roughness (or, where they meet, SD) differ by
//     less than 2 times (or by less than 3.5 standard errors) are one
//     stretch, as are stretches too short to judge, quieter lulls and short
//     rough or scratched bits inside one profile.  So a column twice as
//     noisy as another is still one column, and a window region 3-4 times
//     rougher than the column beside it is not part of it.
//  3. A column is a stretch right after a sample meniscus: a positive
//     spike with a reference meniscus (a spike below zero) at most 0.08 cm
//     before it, or with air just before it (a stretch near zero, or the
//     scan's first smooth stretch).  It runs to the next edge or spike (the
//     base), or to the end of the data.  It must be 0.05 cm long or more,
//     noisy (a stretch of one value is a detector's limit), not rougher
//     than the stretch beside it, with a replicate SD (where given) that
//     drops at one of its ends or is near the quietest stretch's, and
//     clearly above zero (towards its base, for a depleted column).  A
//     stretch with no meniscus before it (a shelf between channels, the
//     data's first stretch) is never offered.
//  0. Scans of one series may lie a little apart along the radius (rotor
//     stretch, a drift of the radial calibration: every feature of a scan
//     moves by the same 0.01-0.02 cm).  They are pooled where most scans
//     lie (column_align.h); the bounds found move in by the largest shifts,
//     so that limits inside them clear the meniscus and the base of every
//     scan.
#pragma once

#include <string>
#include <vector>

namespace quillane {

// One point of a scan: radius in cm, its signal and, where the file gives
// one, its replicate standard deviation (negative: none).
struct RadialPoint {
    double radius = 0.0;
    double value = 0.0;
    double sd = -1.0;
};

struct SolutionColumn {
    // cm.  The meniscus is the centre of the spike that ends the column at
    // its low end, or, without a spike, where the smooth profile begins; the
    // base is where the steep rise begins.  Where scans lie apart along the
    // radius, both are moved in to clear the meniscus and base of every scan.
    double meniscus = 0.0;
    double base = 0.0;
    // False where the column runs into the end of the data instead: the
    // bound is then where the data begin or end.
    bool meniscus_seen = false;
    bool base_seen = false;
    // cm: where the meniscus's own features end (its spike, and the dip
    // some instruments show right after it); limits start no earlier.
    double clear_from = 0.0;
};

// What the scans are: absorbance (the noise of a point grows with its
// absorbance as 10^(A/2), so a column grows rougher towards a steep base)
// or interference (fringes, whose noise does not follow the level).
enum class ScanKind { absorbance, interference };

// The most columns reported.
inline constexpr int kMaxColumns = 10;

// Shortest column taken (cm, meniscus to base).
inline constexpr double kMinColumnLength = 0.05;

// A stretch the finder looked at, for saying why it was or was not taken.
struct ColumnStretch {
    double from = 0.0;  // cm
    double to = 0.0;
    double level = 0.0;      // median signal
    double deviation = 0.0;  // point noise (standard deviation) inside it
    double sd = -1.0;        // median replicate SD; negative where the files give none
    bool column = false;
    // Why it is no column; for a column the rules that made it one (which
    // meniscus rule, a dip or a depleted column), and how its bounds were
    // moved for scans that lie apart along the radius.
    std::string reason;
};

// The columns of the scans, in rising radius, at most kMaxColumns.  Each
// scan's points must be in rising radius.  None when no scan has three
// points or the signal shows no noise at all to judge smoothness by.
// stretches (out, optional): every stretch of 0.02 cm or more between
// edges, in rising radius, with the verdict.
std::vector<SolutionColumn> find_solution_columns(
    const std::vector<std::vector<RadialPoint>> &scans,
    std::vector<ColumnStretch> *stretches = nullptr, ScanKind kind = ScanKind::absorbance);

// Why the range from_cm .. to_cm of these scans cannot carry an
// equilibrium verdict, as the end of a sentence about the range ("holds a
// spike at 5.950 cm (...)"): it holds a spike (a meniscus, a base, a
// window's edge) or an edge of noise (a window region next to a column, a
// base); empty when it holds neither.  Judged as find_solution_columns judges,
// on the scans pooled where most of them lie; a range reaching into a
// spike's flank by a few thousandths of a cm (kRangeTolerance) counts as
// clear of it.
inline constexpr double kRangeTolerance = 0.005;
std::string range_problem(const std::vector<std::vector<RadialPoint>> &scans, double from_cm,
                          double to_cm, ScanKind kind = ScanKind::absorbance);

}  // namespace quillane
