// SPDX-License-Identifier: MIT
// Does a sedimenting boundary move through the scans?  Tells a velocity run from equilibrium.
//
// In a sedimentation velocity run a boundary leaves the meniscus and moves
// outward through the cell; behind it the solution empties, ahead of it a
// plateau remains.  Such a run never reaches equilibrium, yet once the
// region behind the boundary has emptied its scans agree with each other,
// and while the boundary moves the distances between scans grow with time
// as an approach's would.  The equilibrium verdict and forecast mean nothing
// there, so the assessment first asks whether a boundary moves.
//
// Per scan, the boundary is where a robust (median) profile rises steeply,
// taken only when it is one: the slope falls well below its peak on both
// sides inside the range, the rise stands far above the point noise, and a
// plateau follows.  The steepest few such rises of each scan are
// candidates.  The series is a velocity run when candidates of at least
// kMinBoundaryScans consecutive scans lie on one outward path, ln r linear
// in time as the sedimentation equation has it, each overlapping the one
// before, and that path covers far more than instrument drift moves a scan.
// Equilibrium scans show no such rise inside a column (their profile rises
// ever more steeply towards the base); a meniscus, a shelf or a base seen in
// a full-range scan rises sharply but stays where it is.
//
// The scans are those the assessment judges: the points within the data
// limits.  Limits over the whole scan bring menisci, spikes and the data
// past the base into range; the medians and the path ride over them.  No
// I/O.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "assessment_state.h"
#include "state.h"

namespace quillane {

// A path rests on at least four scans: a line in (t, ln r) through them has
// two residual degrees of freedom to be judged by.
inline constexpr int kMinBoundaryScans = 4;
// A boundary lies on the path when within 0.005 cm of it.  On simulated
// velocity series a scan's boundary lies 0.001 cm (RMS) from the true
// half-height once it has left the meniscus, 0.005 cm at worst while it
// still merges with the meniscus.
inline constexpr double kPathToleranceCm = 0.005;
// The path covers at least 0.05 cm.  Instrument drift moves a whole scan by
// 0.01-0.02 cm (rotor stretch); a static feature (meniscus, shelf, base)
// seen in scans that drifted that far apart lies on a path of at most the
// shift plus twice the tolerance, 0.03 cm, and 0.05 cm would take a shift
// of 0.04 cm, beyond the 0.03 cm the verdict still takes for drift.  On the
// simulator's equilibrium series, read whole (menisci, shelves and bases
// in range) with late shifts of up to 0.02 cm, the longest static path
// covers 0.031 cm.
inline constexpr double kMinPathCm = 0.05;

// The verdict's words for a velocity run, and the forecast's reason.
inline constexpr const char *kVelocityRunText =
    "a sedimentation velocity run: equilibrium is not judged";

struct ProfilePoint {
    double r = 0.0;  // cm
    double value = 0.0;
};

struct ScanProfile {
    double time_s = 0.0;
    std::vector<ProfilePoint> points;  // rising radius
};

// One scan's boundary.
struct ScanBoundary {
    bool found = false;
    double position_cm = 0.0;  // where the median profile crosses half the rise
    double steepest_cm = 0.0;  // where it rises steepest
    double height = 0.0;       // the rise, unit of the values
    double width_cm = 0.0;  // between the points where the slope falls to kSideFraction of its peak
    double noise = 0.0;     // the scan's point noise, unit of the values
};

struct BoundaryMotion {
    bool moving = false;
    std::vector<ScanBoundary> boundaries;  // per scan, in the order given
    // The boundary's path: ln r linear in time through the boundaries of
    // consecutive scans.  Of the paths through kMinBoundaryScans scans or
    // more the one that covers the most distance, else the one through the
    // most scans.
    int boundary_scans = 0;  // scans on it
    // Its positions at its first and its last scan, and their times.
    double first_cm = 0.0, last_cm = 0.0;
    double first_time_s = 0.0, last_time_s = 0.0;
    double worst_residual_cm = 0.0;  // the largest distance of a boundary from the path
};

// The boundary of one scan, if it shows one.
ScanBoundary find_scan_boundary(std::span<const ProfilePoint> points);

// Whether a boundary moves outward through scans given in time order.
BoundaryMotion find_boundary_motion(std::span<const ScanProfile> scans);

// The active sets' points (those within the data limits) as profiles, in
// the order given (the assessment's time order).
std::vector<ScanProfile> active_profiles(const State &s, std::span<const int> sets);

// The verdict on a velocity run: kUnknown, kVelocityRunText and the
// boundary's path, no block and no drift.
Verdict velocity_verdict(const BoundaryMotion &motion);

}  // namespace quillane
