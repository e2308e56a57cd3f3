// SPDX-License-Identifier: MIT
// Has the cell reached sedimentation equilibrium, and if not, when will it?
//
// The verdict compares every earlier scan with the latest one: a scan is
// indistinguishable from it when their no-offset variance is not
// significantly larger than the noise variance of a difference of the two
// scans (F test).  Equilibrium is reached by the earliest scan from which on
// every scan is indistinguishable from the latest, provided those scans span
// a minimum time: a slow approach can hide between neighbouring scans, but
// not over hours.
//
// The forecast of when it will be is forecast.h's.
//
// No I/O: the callers form the lines.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "assessment_state.h"
#include "forecast.h"

namespace quillane {

// The block needs at least this many scans, the latest included: one pair
// that spans the minimum time is one F test, with little power when the
// scans are hours apart.
inline constexpr int kMinBlockScans = 3;
// Instrument drift between scans (a lamp or detector baseline step, rotor
// stretch) stays within these: a larger offset is taken as a change of the
// profile.  The baseline bound is in the unit of the values (absorbance).
inline constexpr double kMaxDriftBaseline = 0.05;
inline constexpr double kMaxDriftRadialCm = 0.03;
// A step inside the block (block scans before it) is taken as drift only
// when it stands out clearly: its no-offset excess variance at least this
// many times the smallest excess the F test detects.  An approach that is nearly over moves the
// profile by barely detectable amounts from scan to scan, and on an exponential profile that
// movement is itself a y-offset plus a radial shift; a step of the
// instrument is a jump well above that.
inline constexpr double kClearStepFactor = 3.0;

// Lamp jitter.  A real lamp's intensity multiplies each scan's values by a
// factor of its own (SD 2.7-6.1 % at 280 nm, up to 13 %), and the factor
// does not shrink with time; so scans of a settled cell differ from the
// latest without offsets while their shapes agree once a y-offset and a
// scale factor are fitted.  An approach from a uniform loading is itself a
// y-offset and a scale factor of the final profile, so what tells the two
// apart is time: an approach shrinks the factors scan by scan, jitter
// scatters them.  Factors beyond kMaxScale are no jitter (two real scans
// differ by up to twice the 13 % one scan reads off).
inline constexpr double kMaxScale = 0.25;
// Jitter is taken as seen when the factor of one scan to the next turns
// back against the way the factors go by more than this many times its fit
// error (an approach never turns back) and the factors scatter by more than
// their fit error; without it the no-offset verdict stands alone.
inline constexpr double kJitterSeen = 2.0;
// A block judged with a scale factor holds at least this many scans, the
// latest included: the jitter's size and the absence of a trend are read
// off the block itself, which three scans do not tell (on simulated series
// with 2.7-6.1 % of jitter, blocks of 3 and 4 scans 6 h apart called
// equilibrium while the remaining distance was still 3 times the noise).
inline constexpr int kMinScaleBlockScans = 5;

// Earlier scan `cmp` against the later scan `ref` (both indices into the
// earlier scans) without offsets: the excess of their variance over the
// noise, in units of the smallest excess the F test detects.  At most 1:
// they agree; NaN: not tested.
using PairExcess = std::function<double(size_t ref, size_t cmp)>;

// The excess of a comparison with the latest scan in the same units;
// infinity when it cannot be formed.
double detectable_excess(const ScanComparison &c);

// The verdict from the earlier scans' comparisons with the latest scan, in
// time order (oldest first).  Needs at least one earlier scan.
//
// The block runs back from the latest scan.  An earlier scan joins it when
// - it agrees with the latest without offsets;
// - it differs only marginally (excess below kClearStepFactor), as may the
//   scans just before it, and the scan before that run agrees: chance or a
//   step too small to matter, since an approach moves the earlier scans
//   further away, not closer;
// - it agrees without offsets with the head of the drift group being built
//   and is no further from the latest than the head (a plateau);
// - it differs marginally from the head of that group while the two scans
//   before it join the group (chance, as above);
// - or it starts a new drift group: with both offsets fitted its shape
//   agrees with the latest, its offsets stay within the drift bounds, and it
//   differs from the next later scan (a step happens between two scans, an
//   approach spreads over all of them).
// The earliest drift group, when nothing of the block comes before it, must
// be a plateau: at least kMinBlockScans scans over `min_block_s`, agreeing
// with each other (a few scans of an approach still going on look like a
// step once the offsets take the approach up).  A drift group with block
// scans before it must jump clearly (excess at least kClearStepFactor,
// against the latest and against the next later scan).  A group that fails
// moves the block's start after it; its step is kept in Verdict::steps for
// the forecast.  The first scan that does not join breaks the block; the
// verdict says which and why.
Verdict judge_equilibrium(std::span<const ScanComparison> earlier, double latest_time_s,
                          double min_block_s, const PairExcess &excess = {});

// A time as hours in a report field of `width` characters with `decimals`
// decimals; a time too large for the field in exponent form ("2.778e+26",
// right-aligned, wider than the field if need be) instead of stars.
std::string hours_field(double seconds, int width, int decimals = 3);

// A time as hours with three decimals, without padding ("20.000"); from
// 10^9 h on in exponent form ("2.778e+26").
std::string hours_text(double seconds);

}  // namespace quillane
