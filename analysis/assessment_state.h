// SPDX-License-Identifier: MIT
// What the equilibrium assessment keeps between calls: its settings and the
// results of the last assessment (noise per set, each scan against the
// latest one, the verdict and the forecast), for the report and for callers
// that write them elsewhere.
//
// Times are in seconds, noise and distances in the unit of the scans' values
// (absorbance or fringes).  Active sets are numbered from 1 as in the report.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "quillane.h"

namespace quillane {

inline constexpr int kAssessmentSets =
    QUILLANE_MAX_DATA_SETS;  // the active-set capacity of the state

// Four hours: long enough that a slow approach shows up as a drift between
// the first and the last scan of the block.
inline constexpr double kDefaultEquilibriumBlockSeconds = 4.0 * 3600.0;

// The residual variance of local polynomial fits over one scan.  dof is the
// scan's residual degrees of freedom; 0 means the noise is not known.
struct NoiseEstimate {
    double variance = 0.0;
    int dof = 0;
    int windows = 0;  // window fits that went into it
    bool known() const { return dof > 0; }
    double sd() const { return std::sqrt(variance); }
};

// One earlier scan against the latest one: its no-offset variance (RMS^2)
// against the noise variance of a difference of the two scans.
struct ScanComparison {
    int set = 0;  // active set
    double time_s = 0.0;
    bool tested = false;    // false: no test could be made (pair not compared or noise unknown)
    double rms = 0.0;       // no-offset RMS deviation, the latest scan as reference
    double variance = 0.0;  // rms^2
    double noise_variance = 0.0;  // sum of the two scans' noise variances
    int dof_deviations = 0;       // of variance: reference points - 1
    int dof_noise = 0;            // of noise_variance (Satterthwaite)
    double f_critical = 0.0;
    bool same = false;  // variance / noise_variance <= f_critical
    double ratio() const { return noise_variance > 0.0 ? variance / noise_variance : 0.0; }

    // The same pair with the offsets fitted (both offsets; the y-offset only
    // when the position fit could not be solved): does the shape agree?
    bool shape_tested = false;
    int shape_kind = 0;  // fit kind behind it: 3, or 2
    double shape_rms = 0.0;
    double shape_variance = 0.0;  // shape_rms^2
    int dof_shape = 0;            // reference points - 3 (or - 2)
    double shape_f_critical = 0.0;
    bool shape_same = false;
    double baseline = 0.0;         // the fitted y-offset, unit of the values
    double radial_cm = 0.0;        // the fitted position offset as a radius, cm (0 for kind 2)
    double radial_error_cm = 0.0;  // its standard error, cm
    // How far a radial offset of 1 cm moves the latest scan's profile (the
    // RMS of its slopes against the radius), unit of the values per cm.
    double radial_spread = 0.0;
    double shape_ratio() const {
        return noise_variance > 0.0 ? shape_variance / noise_variance : 0.0;
    }

    // The same pair with a y-offset and a scale factor fitted: the lamp's
    // intensity multiplies a scan's values by a factor that changes from
    // scan to scan.  The compared scan's values at the latest scan's points,
    // m, against the latest's, y: m = (1 + scale) y + scale_offset.  Only
    // the verdict uses it.
    bool scale_tested = false;
    double scale = 0.0;        // a fraction: -0.08 reads 8 % below the latest
    double scale_error = 0.0;  // its standard error
    double scale_offset = 0.0;
    double scale_offset_error = 0.0;  // its standard error
    // The SD of the latest scan's values about their mean: a factor g moves
    // the profile by |g| times it once the y-offset is fitted.
    double scale_spread = 0.0;
    // ... and their mean.  An approach keeps the mass of the column: its
    // y-offset and scale factor move the profile's mean by little, so an
    // offset c goes with a factor of about -c / scale_mean.
    double scale_mean = 0.0;
    double scale_variance = 0.0;  // residual variance, reference points - 3 degrees of freedom
    int dof_scale = 0;
    double scale_f_critical = 0.0;
    bool scale_same = false;
    double scale_ratio() const {
        return noise_variance > 0.0 ? scale_variance / noise_variance : 0.0;
    }
};

// The values are the C interface's (quillane_verdict_status), which fixes them.
enum class VerdictStatus : int32_t {
    kUnknown = QUILLANE_VERDICT_NONE,
    kApproaching = QUILLANE_VERDICT_APPROACHING,
    kReached = QUILLANE_VERDICT_REACHED,
};

// The comparison a verdict or a break was judged on.  kScale: a y-offset
// and a scale factor (ScanComparison::scale), for lamp jitter.
enum class Comparison {
    kNone = QUILLANE_COMPARISON_NONE,
    kNoOffsets = QUILLANE_COMPARISON_NO_OFFSETS,
    kBothOffsets = QUILLANE_COMPARISON_BOTH_OFFSETS,
    kScale = QUILLANE_COMPARISON_SCALE_FACTOR,
};

// Why the latest scan that differs from the latest one was not taken into
// the block.
enum class BreakReason {
    kNone = QUILLANE_BREAK_NONE,
    // differs without offsets and with both offsets fitted
    kShapeDiffers = QUILLANE_BREAK_SHAPE_DIFFERS,
    // the shape agrees, but the offsets exceed what drift does
    kOffsetsTooLarge = QUILLANE_BREAK_OFFSETS_TOO_LARGE,
    // the shape agrees, but no instrument step stands out
    kNoStep = QUILLANE_BREAK_NO_CLEAR_STEP,
    // a step seen in this scan only, with no scan before it agreeing
    kLoneStep = QUILLANE_BREAK_LONE_STEP,
    // the pair could not be compared or the noise is not known
    kNotTested = QUILLANE_BREAK_NOT_COMPARED,
    // too few scans before the step agree with each other
    kShortPlateau = QUILLANE_BREAK_NO_PLATEAU,
    // its offsets continue the shrink of the scans before it: an approach
    kStillShrinking = QUILLANE_BREAK_STILL_SHRINKING,
};

// Scans of the block that differ from the latest one by the lamp's jitter:
// with a y-offset and a scale factor fitted their shapes agree, and the
// factors scatter without a trend in time (an approach shrinks them).
struct ScaleJitter {
    int first_scan = 0, last_scan = 0;   // active sets, the block's earlier scans
    double lowest = 0.0, highest = 0.0;  // their factors against the latest (fractions)
    double sd = 0.0;  // the jitter's SD per scan, from successive factors (fraction)
    // The latest scan is itself the outlier: every other scan of the block
    // differs from it by a factor of one sign, beyond the jitter.
    bool latest_outlier = false;
    double latest_offset = 0.0;  // the block's mean factor against the latest
};

// Scans of the block that differ from the latest one by an instrument step:
// they agree with each other without offsets, and with the latest once its
// offsets are fitted.
struct DriftGroup {
    int first_scan = 0, last_scan = 0;  // active sets, first in time to last
    int scans = 0;
    double first_time_s = 0.0, last_time_s = 0.0;
    double baseline = 0.0;         // mean y-offset against the latest scan, unit of the values
    double radial_cm = 0.0;        // mean position offset against the latest scan, cm
    double excess_variance = 0.0;  // mean no-offset variance the offsets take up
};

struct Verdict {
    VerdictStatus status = VerdictStatus::kUnknown;
    int scan = 0;            // first scan of the indistinguishable block (active set), 0 if none
    double time_s = 0.0;     // its time
    double block_s = 0.0;    // time from it to the latest scan
    int differing_scan = 0;  // the latest scan that still differs from the latest one, 0 if none
    double differing_time_s = 0.0;
    std::string text;  // the verdict in words, without a leading blank

    Comparison decided_by = Comparison::kNone;  // both offsets when a drift group is in the block
    int block_scans = 0;                        // scans in the block, the latest included
    bool too_few = false;  // every scan agrees, but there are fewer than the block needs
    Comparison broken_by = Comparison::kNone;  // the comparison the differing scan failed
    BreakReason break_reason = BreakReason::kNone;
    double no_offset_rms = 0.0;     // of the block's first scan against the latest
    std::vector<DriftGroup> drift;  // latest first
    // Every clear instrument step the walk back found, latest first: the
    // drift groups above and those refused as too short a plateau.  The
    // forecast counts a step in the error of every scan before it.
    std::vector<DriftGroup> steps;
    // Lamp jitter the block holds (decided_by kScale); first_scan 0: none.
    ScaleJitter jitter;
    // The lamp jitter seen in the scans, whatever the verdict: the SD of a
    // scan's factor (a fraction), 0 when none is seen.  The forecast counts
    // it in every distance's error.
    double lamp_jitter = 0.0;
    std::vector<std::string> notes;  // the break and the drift in words
    // A boundary moves through the scans (a sedimentation velocity run):
    // equilibrium is not judged, status is kUnknown (boundary_motion.h).
    bool velocity_run = false;
};

struct Forecast {
    bool made = false;
    std::string reason;  // why there is none, or what it rests on
    int pairs = 0;       // distances fitted
    double tau_s = 0.0, tau_error_s = 0.0;
    double amplitude = 0.0, amplitude_error = 0.0;  // remaining distance at t = 0
    double remaining = 0.0;                         // remaining distance at the latest scan
    double threshold = 0.0;  // distance below which equilibrium counts as reached
    bool threshold_is_noise = true;
    double equilibrium_time_s = 0.0;
    double equilibrium_error_s = 0.0;
    double interval_lo_s = 0.0, interval_hi_s = 0.0;
    double residual_sd = 0.0;  // of the distances about the fitted curve
    double confidence = 0.0;   // of the interval, as a fraction
    // The data bound t_eq from below only: interval_hi_s is then 0 and the
    // forecast reads "not before interval_lo_s".
    bool one_sided = false;
    // The time of the latest scan still further from the latest one than the
    // threshold: no end below it.
    double floor_s = 0.0;
    double jitter = 0.0;  // RMS of the drift taken into the error model, unit of the values
};

struct AssessmentSettings {
    double min_block_s = kDefaultEquilibriumBlockSeconds;
    double tolerance = 0.0;  // 0: equilibrium when the remaining distance falls below the noise
};

struct AssessmentResults {
    bool made = false;        // an assessment has been made since initcommons
    std::string failure;      // why the last one could not be made; empty when it was
    int sets = 0;             // active sets at the time
    int span = 0, terms = 0;  // of the local fits behind the noise
    std::array<NoiseEstimate, kAssessmentSets + 1> noise{};  // [1..sets]
    NoiseEstimate pooled;                                    // over all active sets
    int latest = 0;                                          // active set of the latest scan
    double latest_time_s = 0.0;
    std::vector<ScanComparison> comparisons;  // the other scans, in time order
    Verdict verdict;
    Forecast forecast;
};

}  // namespace quillane
