// SPDX-License-Identifier: MIT
#include "equilibrium.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "ftn_format.h"
#include "hours_format.h"
#include "lamp_jitter.h"
#include "verdict_text.h"

namespace quillane {

std::string hours_field(double seconds, int width, int decimals) {
    const double hours = seconds / kSecondsPerHour;
    std::string text = ftn::fixed(hours, width, decimals);
    if (text.find('*') == std::string::npos) return text;
    char exponent[32];
    const auto end = std::to_chars(exponent, exponent + sizeof exponent, hours,
                                   std::chars_format::scientific, 3);
    text.assign(exponent, end.ptr);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

std::string hours_text(double seconds) {
    return hours_number(seconds, 3);
}

namespace {

using verdict_text::offset_text;
using verdict_text::percent;
using verdict_text::ratio_against;
using verdict_text::scan_at;

std::string offsets_text(const ScanComparison &c) {
    return "baseline " + offset_text(c.baseline) + ", radial " + offset_text(c.radial_cm) + " cm";
}

// Why scan c, which differs from the latest without offsets, cannot start a
// drift group; kNone when it can.  `jump` is its excess against the next
// later scan.
BreakReason step_refused(const ScanComparison &c, double jump) {
    if (!c.tested) return BreakReason::kNotTested;
    if (!c.shape_tested || !c.shape_same) return BreakReason::kShapeDiffers;
    if (std::fabs(c.baseline) > kMaxDriftBaseline || std::fabs(c.radial_cm) > kMaxDriftRadialCm)
        return BreakReason::kOffsetsTooLarge;
    // No jump between it and the next later scan: a gradual change.
    if (!(jump > 1.0)) return BreakReason::kNoStep;
    return BreakReason::kNone;
}

// A drift group inside the block (earlier scans of the block before it) is a
// step only when it stands out clearly, against the latest scan and against
// the next later scan: an approach that is nearly over moves the profile by
// barely detectable amounts, and on an exponential profile that movement is
// itself a y-offset plus a radial shift.
bool clear_step(const ScanComparison &head, double jump) {
    return detectable_excess(head) >= kClearStepFactor && jump >= kClearStepFactor;
}

std::string break_note(const ScanComparison &c, BreakReason why) {
    std::string note = scan_at(c.set, c.time_s) + " broke the block: ";
    if (why == BreakReason::kNotTested)
        return note + "it could not be compared with the latest scan";
    note += "it differs from the latest without offsets (" +
            ratio_against(c.ratio(), c.f_critical) + ")";
    switch (why) {
        case BreakReason::kShapeDiffers:
            if (!c.shape_tested) return note + ", and the offset fit could not be tested";
            return note + " and with both offsets fitted (" +
                   ratio_against(c.shape_ratio(), c.shape_f_critical) + "): its shape differs";
        case BreakReason::kOffsetsTooLarge:
            return note + "; with both offsets its shape agrees, but the offsets (" +
                   offsets_text(c) + ") exceed what instrument drift does (" +
                   offset_text(kMaxDriftBaseline) + ", " + offset_text(kMaxDriftRadialCm) + " cm)";
        case BreakReason::kNoStep:
            return note + "; with both offsets its shape agrees (" + offsets_text(c) +
                   "), but the change is too small to be an instrument step: the end of an "
                   "approach "
                   "looks the same";
        case BreakReason::kLoneStep:
            return note + "; with both offsets its shape agrees (" + offsets_text(c) +
                   "), but no earlier scan shows the same step";
        case BreakReason::kShortPlateau:
            return note + "; with both offsets its shape agrees (" + offsets_text(c) +
                   "), but too few scans before the step agree with each other to tell it "
                   "from an approach (at least " +
                   std::to_string(kMinBlockScans) + " over the minimum time)";
        default:
            return note;
    }
}

std::string drift_note(const DriftGroup &g) {
    const std::string scans =
        g.scans == 1 ? "scan " + std::to_string(g.first_scan)
                     : "scans " + std::to_string(g.first_scan) + "-" + std::to_string(g.last_scan);
    return scans + (g.scans == 1 ? " differs" : " differ") +
           " from the latest by a baseline shift of " + offset_text(g.baseline) +
           " and a radial shift of " + offset_text(g.radial_cm) + " cm; " +
           (g.scans == 1 ? "its shape agrees" : "their shapes agree");
}

// A drift group being built: its head (the latest scan of it) and members,
// as indices into the earlier scans.
struct Group {
    size_t head = 0;
    std::vector<size_t> members;
    double jump = 0.0;  // the head's excess against the next later scan
};

DriftGroup describe(const Group &g, std::span<const ScanComparison> earlier) {
    DriftGroup d;
    const ScanComparison &first = earlier[g.members.back()];
    const ScanComparison &last = earlier[g.members.front()];
    d.first_scan = first.set;
    d.last_scan = last.set;
    d.first_time_s = first.time_s;
    d.last_time_s = last.time_s;
    d.scans = static_cast<int>(g.members.size());
    for (size_t k : g.members) {
        const ScanComparison &c = earlier[k];
        d.baseline += c.baseline / d.scans;
        d.radial_cm += c.radial_cm / d.scans;
        d.excess_variance += std::max(c.variance - c.shape_variance, 0.0) / d.scans;
    }
    return d;
}

// A scan that differs from the latest without offsets, but by less than a
// clear step.
bool marginal(const ScanComparison &c) {
    return c.tested && !c.same && detectable_excess(c) < kClearStepFactor;
}

// When scan k and the scans just before it differ from the latest only
// marginally and the scan before that run agrees with it, the index of the
// run's first scan.  A scan that agrees with the latest is at least as close
// to equilibrium as every later one on an approach, so the marginal
// distances after it cannot be an approach going on.
std::optional<size_t> marginal_run_start(std::span<const ScanComparison> earlier, size_t k) {
    if (!marginal(earlier[k])) return std::nullopt;
    size_t from = k;
    while (from > 0 && marginal(earlier[from - 1]))
        --from;
    if (from == 0 || !earlier[from - 1].tested || !earlier[from - 1].same) return std::nullopt;
    return from;
}

std::string marginal_note(std::span<const ScanComparison> earlier, size_t from, size_t k) {
    const ScanComparison &before = earlier[from - 1];
    if (from == k)
        return scan_at(earlier[k].set, earlier[k].time_s) +
               " differs from the latest by chance: " + scan_at(before.set, before.time_s) +
               " before it agrees";
    return "scans " + std::to_string(earlier[from].set) + "-" + std::to_string(earlier[k].set) +
           " differ from the latest only marginally (by less than " +
           std::to_string(static_cast<int>(kClearStepFactor)) +
           " times the smallest difference the test detects) while " +
           scan_at(before.set, before.time_s) +
           " before them agrees: chance, or a step too small to matter";
}
// Scan k's offsets continue a shrink of the two scans before it: its scale
// factor, or its position offset, has one sign with theirs, each smaller
// than the one before, and k's own clearly (kShrinkSignificance standard
// errors) not zero and moving the profile by at least the noise of one
// scan.  An approach shrinks the offsets towards the latest scan scan by
// scan (real runs: factors -47, -27, -17, -12 %; position offsets -0.053,
// -0.028, -0.012, -0.007 cm), and a scan whose test passed by chance (ratio
// 1.23 against F 1.25) lies that far from the latest; a scan of a settled
// cell has offsets that move the profile by less.
constexpr double kShrinkSignificance = 2.0;
struct Shrink {
    double ScanComparison::*value;
    double ScanComparison::*error;
    double ScanComparison::*spread;
    bool ScanComparison::*tested;
};
constexpr Shrink kShrinks[] = {
    {&ScanComparison::scale, &ScanComparison::scale_error, &ScanComparison::scale_spread,
     &ScanComparison::scale_tested},
    {&ScanComparison::radial_cm, &ScanComparison::radial_error_cm, &ScanComparison::radial_spread,
     &ScanComparison::shape_tested},
};

bool shrinks(std::span<const ScanComparison> earlier, size_t k, const Shrink &m) {
    const ScanComparison &a = earlier[k - 2], &b = earlier[k - 1], &c = earlier[k];
    if (!(a.*m.tested) || !(b.*m.tested) || !(c.*m.tested) || !(c.*m.error > 0.0)) return false;
    const double va = a.*m.value, vb = b.*m.value, vc = c.*m.value;
    return va * vb > 0.0 && vb * vc > 0.0 && std::fabs(va) > std::fabs(vb) &&
           std::fabs(vb) > std::fabs(vc) && std::fabs(vc) > kShrinkSignificance * c.*m.error &&
           std::fabs(vc) * c.*m.spread > std::sqrt(0.5 * c.noise_variance);
}

bool continues_shrink(std::span<const ScanComparison> earlier, size_t k) {
    if (k < 2 || !earlier[k].tested || !earlier[k].same) return false;
    return std::any_of(std::begin(kShrinks), std::end(kShrinks),
                       [&](const Shrink &m) { return shrinks(earlier, k, m); });
}

std::string shrink_note(std::span<const ScanComparison> earlier, size_t k) {
    const ScanComparison &c = earlier[k];
    const ScanComparison &a = earlier[k - 2], &b = earlier[k - 1];
    const std::string what =
        shrinks(earlier, k, kShrinks[0])
            ? "scale factor against the latest (" + percent(c.scale) +
                  ") continues the shrink of the scans before it (" + percent(a.scale) + ", " +
                  percent(b.scale) + ")"
            : "position offset against the latest (" + offset_text(c.radial_cm) +
                  " cm) continues the shrink of the scans before it (" + offset_text(a.radial_cm) +
                  ", " + offset_text(b.radial_cm) + " cm)";
    return scan_at(c.set, c.time_s) + " broke the block: its " + what +
           ": the tail of the approach";
}
}  // namespace

double detectable_excess(const ScanComparison &c) {
    const double detectable = (c.f_critical - 1.0) * c.noise_variance;
    if (!c.tested || !(detectable > 0.0)) return std::numeric_limits<double>::infinity();
    return (c.variance - c.noise_variance) / detectable;
}

namespace {

// The verdict from the comparisons without offsets and instrument steps
// (see judge_equilibrium).
Verdict judge_without_scale(std::span<const ScanComparison> earlier, double latest_time_s,
                            double min_block_s, const PairExcess &excess) {
    Verdict v;
    if (earlier.empty()) {
        v.text = "cannot judge: at least two scans are needed";
        v.too_few = true;
        return v;
    }
    // Walk back from the latest scan; `first` is the block's first index.
    size_t first = earlier.size();
    std::vector<Group> groups;
    BreakReason why = BreakReason::kNone;
    while (first > 0) {
        const size_t k = first - 1;
        const ScanComparison &c = earlier[k];
        if (c.tested && c.same) {
            first = k;
            continue;
        }
        // A run of marginal differences with a scan before it that agrees
        // with the latest: an approach moves earlier scans further away,
        // not closer, so the run is chance or a step too small to matter.
        if (const std::optional<size_t> from = marginal_run_start(earlier, k)) {
            v.notes.push_back(marginal_note(earlier, *from, k));
            first = *from;
            continue;
        }
        if (!groups.empty() && excess) {
            const size_t h = groups.back().head;
            const ScanComparison &head = earlier[h];
            const auto joins = [&](size_t i) {
                return excess(h, i) <= 1.0 &&
                       earlier[i].variance <= head.f_critical * head.variance;
            };
            if (joins(k)) {
                groups.back().members.push_back(k);
                first = k;
                continue;
            }
            // A marginal difference from the head while the two scans before
            // it join: chance, as for the block itself.
            if (k >= 2 && excess(h, k) < kClearStepFactor && joins(k - 1) && joins(k - 2)) {
                v.notes.push_back(scan_at(c.set, c.time_s) + " differs from " +
                                  scan_at(head.set, head.time_s) +
                                  " by chance: the two scans before it agree with that scan");
                groups.back().members.push_back(k);
                first = k;
                continue;
            }
        }
        // The jump from the next later scan (the latest itself for the scan
        // just before it).
        const double jump = k + 1 < earlier.size()
                                ? (excess ? excess(k + 1, k) : detectable_excess(c))
                                : detectable_excess(c);
        why = step_refused(c, jump);
        if (why != BreakReason::kNone) break;
        groups.push_back({k, {k}, jump});
        first = k;
    }
    // The earliest group decides where the block starts.  When nothing of
    // the block comes before it, its scans must be a plateau of their own:
    // at least kMinBlockScans that agree with each other over the minimum
    // time.  Scans that agree over hours and then jump are an instrument
    // step; a few scans of an approach that is still going on can look the
    // same once the offsets take the approach up.  A group with block scans
    // before it must show a clear step.  A group that fails moves the
    // block's start after it.
    while (!groups.empty()) {
        const Group &g = groups.back();
        const size_t earliest = g.members.back();
        const bool at_start = first == earliest;
        const bool plateau = static_cast<int>(g.members.size()) >= kMinBlockScans &&
                             earlier[g.head].time_s - earlier[earliest].time_s >= min_block_s;
        const bool clear = clear_step(earlier[g.head], g.jump);
        if (at_start ? plateau : clear) break;
        if (clear) v.steps.push_back(describe(g, earlier));
        why = !at_start              ? BreakReason::kNoStep
              : g.members.size() < 2 ? BreakReason::kLoneStep
                                     : BreakReason::kShortPlateau;
        first = g.head + 1;
        groups.pop_back();
    }
    // The tail of an approach: a block's first scan that agrees with the
    // latest (perhaps by chance) while its scale factor continues the
    // shrink of the scans before it is still approaching.
    const auto in_group = [&](size_t k) {
        return std::any_of(groups.begin(), groups.end(), [&](const Group &g) {
            return std::find(g.members.begin(), g.members.end(), k) != g.members.end();
        });
    };
    while (first < earlier.size() && !in_group(first) && continues_shrink(earlier, first)) {
        why = BreakReason::kStillShrinking;
        ++first;
    }

    v.status = VerdictStatus::kApproaching;
    if (first > 0) {
        const ScanComparison &b = earlier[first - 1];
        v.differing_scan = b.set;
        v.differing_time_s = b.time_s;
        v.break_reason = why;
        v.broken_by = why == BreakReason::kNoStep || why == BreakReason::kNotTested
                          ? Comparison::kNoOffsets
                      : why == BreakReason::kStillShrinking ? Comparison::kScale
                                                            : Comparison::kBothOffsets;
        v.notes.push_back(why == BreakReason::kStillShrinking ? shrink_note(earlier, first - 1)
                                                              : break_note(b, why));
    }
    // The refused steps are earlier than every group kept.
    std::vector<DriftGroup> refused = std::move(v.steps);
    v.steps.clear();
    for (const Group &g : groups) {
        v.drift.push_back(describe(g, earlier));
        v.steps.push_back(v.drift.back());
        v.notes.push_back(drift_note(v.drift.back()));
    }
    // A refused step counts for the forecast only when enough scans after
    // it agree to show that it was one: in a fast approach every scan jumps
    // clearly from the next.
    if (static_cast<int>(earlier.size() - first) + 1 >= kMinBlockScans)
        v.steps.insert(v.steps.end(), refused.rbegin(), refused.rend());
    if (first == earlier.size()) {
        const ScanComparison &c = earlier.back();
        v.text = "still approaching: " + scan_at(c.set, c.time_s) +
                 (c.tested ? " differs from the latest scan"
                           : " could not be compared with the latest scan");
        return v;
    }
    v.decided_by = groups.empty() ? Comparison::kNoOffsets : Comparison::kBothOffsets;
    v.scan = earlier[first].set;
    v.time_s = earlier[first].time_s;
    v.block_s = latest_time_s - v.time_s;
    v.block_scans = static_cast<int>(earlier.size() - first) + 1;
    v.no_offset_rms = earlier[first].rms;
    const std::string from = "the scans from " + scan_at(v.scan, v.time_s) + " on ";
    const std::string judged = groups.empty() ? "" : ", judged with both offsets";
    if (v.block_s < min_block_s) {
        v.text = "still approaching: " + from + "are indistinguishable" + judged +
                 " but span only " + hours_text(v.block_s) + " h of " + hours_text(min_block_s) +
                 " h";
    } else if (v.block_scans < kMinBlockScans) {
        if (first == 0) {
            // Every scan agrees: there is nothing against equilibrium, but
            // not enough for it either.
            v.status = VerdictStatus::kUnknown;
            v.too_few = true;
            v.text = "cannot judge: " + std::to_string(v.block_scans) + " scans agree, at least " +
                     std::to_string(kMinBlockScans) + " are needed";
        } else {
            v.text = "still approaching: " + from + "are indistinguishable" + judged +
                     " but are only " + std::to_string(v.block_scans) + " scans of " +
                     std::to_string(kMinBlockScans);
        }
    } else {
        v.status = VerdictStatus::kReached;
        v.text = "equilibrium reached by " + scan_at(v.scan, v.time_s) + judged;
    }
    return v;
}

}  // namespace

Verdict judge_equilibrium(std::span<const ScanComparison> earlier, double latest_time_s,
                          double min_block_s, const PairExcess &excess) {
    Verdict v = judge_without_scale(earlier, latest_time_s, min_block_s, excess);
    if (v.status == VerdictStatus::kReached || earlier.empty()) return v;
    // Scans that differ from the latest without offsets may differ by the
    // lamp's jitter alone.
    Verdict w = judge_with_scale(earlier, latest_time_s, min_block_s);
    v.lamp_jitter = w.lamp_jitter;
    if (w.status == VerdictStatus::kUnknown) return v;
    if (w.status != VerdictStatus::kReached) {
        if (w.scan != 0 && w.scan != v.scan)
            v.notes.push_back("with a y-offset and a scale factor fitted, the scans from " +
                              scan_at(w.scan, w.time_s) + " on agree with the latest (" +
                              jitter_note(w.jitter) + "), but span only " + hours_text(w.block_s) +
                              " h of " + hours_text(min_block_s) + " h");
        return v;
    }
    w.steps = v.steps;
    if (w.scan != earlier.front().set) {
        // The scan before the block: why it is not in it.
        size_t k = 0;
        while (k + 1 < earlier.size() && earlier[k + 1].set != w.scan)
            ++k;
        const ScanComparison &b = earlier[k];
        w.differing_scan = b.set;
        w.differing_time_s = b.time_s;
        w.broken_by = Comparison::kScale;
        w.break_reason = b.scale_tested && b.scale_same && std::fabs(b.scale) <= kMaxScale
                             ? BreakReason::kStillShrinking
                             : BreakReason::kShapeDiffers;
        w.notes.push_back(
            w.break_reason == BreakReason::kStillShrinking
                ? scan_at(b.set, b.time_s) +
                      " broke the block: its scale factor against the latest (" + percent(b.scale) +
                      ") lies beyond the jitter on the side of the approach"
                : scan_at(b.set, b.time_s) +
                      " broke the block: with a y-offset and a scale factor fitted its shape "
                      "differs from the latest, or its factor (" +
                      percent(b.scale) + ") exceeds what lamp jitter does");
    }
    w.notes.push_back(jitter_note(w.jitter));
    w.text = "equilibrium reached by " + scan_at(w.scan, w.time_s) +
             ", judged with a y-offset and a scale factor";
    return w;
}

}  // namespace quillane
