// SPDX-License-Identifier: MIT
#include "columns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "column_align.h"
#include "column_profile.h"

namespace quillane {
namespace {

using column_detail::Profile;
using column_detail::quantile;

// The noise floor: this quantile of the bins' median roughness.  Columns,
// air and the reference solvent are the smoothest stretches and make up
// well over a quarter of a scan.
constexpr double kFloorQuantile = 0.25;
// Median of |e| for normal noise of deviation s, where e is a point less
// the mean of its two neighbours: 0.6745 * sqrt(1.5) * s.
constexpr double kMedianToDeviation = 1.0 / (0.6745 * 1.2247);

// A spike: a bin whose points stand (median over them) this many floor
// deviations above or below their own scans on both sides
// (column_profile.h).  Meniscus and base spikes, a few thousandths of a cm
// wide, stand 0.5-2.5 OD out of a noise of 0.005-0.01 OD (100 and more
// deviations); window regions 3-4 times rougher than a column wander by a
// few deviations; a step (a shelf's edge, a steep fall) differs from one
// side only.
constexpr double kSpikeFactor = 30.0;

// Edges of noise: each side of a radius, this length (cm, at least
// kWindowBins bins) is pooled; a ratio of the medians of kEdgeRatio
// proposes an edge, the largest ratio within a window wins.  Proposed
// edges are kept only where the whole stretches on their two sides differ
// by kRoughRatio: a lower bar to propose than to keep (hysteresis), and
// the keeping judged over whole stretches, hundreds of points, not over a
// single bin.  Columns differ from each other by up to 2 times (the top of
// a six-channel cell is the noisiest); window regions are 3-4 times
// rougher than the column beside them.
constexpr double kEdgeWindow = 0.01;
constexpr int kWindowBins = 3;
constexpr double kEdgeRatio = 1.8;
constexpr double kRoughRatio = 2.0;
// ... and by this many standard errors: a short stretch of a few scans is
// not cut out of a column by a chance cluster of rough points.  The median
// m of n values of |e| (e normal) has a variance of 1 / (4 n f(m)^2), f the
// density of |e| at m; for the log of m that is 1.36 / n.
constexpr double kSignificance = 3.5;
constexpr double kLogMedianVariance = 1.36;
// A window must hold this many points to be judged.
constexpr int kWindowPoints = 4;
// Two stretches are compared where they touch, over this much (cm) of
// each: a column whose noise or replicate SD changes smoothly along it (the
// SD of a real top channel falls 12 times from meniscus to base, at most
// 1.4 times per 0.01 cm) is one stretch, while a window edge jumps (6.9
// times within 0.01 cm on real scans).
constexpr double kTouch = 0.03;
// Noise judged against the level.  The noise of an absorbance grows with
// the absorbance A as about 10^(A/2) (the light left falls as 10^-A; real
// columns: 0.0038 / 0.0062 / 0.0178 / 0.035 OD at 0.45 / 1.08 / 1.73 /
// 2.6 OD), so the log of the noise grows by ln(10) / 2 per OD.  A change of
// noise (or replicate SD) anywhere between none and that is explained by
// the level, and is no edge: the steep end of a column near its base is
// rougher, not another stretch.
constexpr double kLogNoisePerOd = 1.1512925464970229;

// Positive spikes within this (cm) before a stretch, with only short
// stretches between them, are one meniscus.
constexpr double kDoubleSpike = 0.03;

// A reference meniscus lies at most this far (cm) before the sample
// meniscus (real pairs lie 0.012-0.023 cm or 0.054-0.070 cm apart); its
// spike goes below zero by at least a spike's height.
constexpr double kPairGap = 0.08;
// Right after its spike a sample meniscus often dips below the solution
// (real scans: 0.03-0.17 OD, 0.006-0.017 cm after the spike's peak, clearing
// the spike test in half the scans and more).  A spike below its
// surroundings whose peak lies within kDipReach (cm) after a positive
// spike's peak, and no deeper than kDipShare of that spike's height, belongs
// to the meniscus.  The one other spike below zero near a sample meniscus,
// the reference meniscus, lies before it and is about as deep as the sample
// spike is high.
constexpr double kDipReach = 0.02;
constexpr double kDipShare = 0.35;
// Without a reference meniscus in view, air lies just before the sample
// meniscus: the last kAirRun cm before it read at most kAirLevel (OD), and
// it is no more than kRoughRatio times rougher than the column (a window
// region may read zero too).
constexpr double kAirRun = 0.02;
constexpr double kAirLevel = 0.05;
// The first stretch of a scan no rougher than this many times a column
// after it is the air above the top channel (see first_smooth_stretch):
// window regions are 3-4 times rougher, and even a short one of them
// measures twice as rough.
constexpr double kAirSmooth = 1.5;

// A sample meniscus may show as a step only, without a spike: air (its
// level within kAirLevel of zero over kAirRun) and then, from one window to
// the next (kEdgeWindow each), the column, kStepFactor noise deviations
// higher and no more than kRoughRatio times rougher than the air.  The bar
// is the column level's own (kLevelFactor): a lower one (6 was tried) finds
// steps inside columns that rise steeply from a depleted meniscus, and a
// column whose meniscus stands less than that above air is not told from
// one by its level.  The profile pools every scan, so a step stands out
// this way only where it lies at the same radius in every scan.  The rise
// out of a rough region onto a shelf starts from a stretch 3-4 times
// rougher than what follows.
constexpr double kStepFactor = 10.0;

// A column's upper levels stand this many noise deviations above zero:
// the upper quartile of its last kTouch cm before the base, where a column
// depleted at high speed still shows (real runs at 30,000 rpm: median 0.017
// OD, upper quartile 0.047, 0.40 at the base).  Air and the reference
// solvent after a spike read near zero all along.
constexpr double kLevelFactor = 10.0;
constexpr double kUpperLevelQuantile = 0.75;

// A spike no taller than kScratchPeak (OD), or a rough stretch, no longer
// than kScratchRun (cm) inside a column, with the profile going on at the
// same level and noise on its other side, is a scratch, dust or a bubble on
// a window (or a chance cluster of rough points in a few scans): the column
// goes on across it.  Meniscus and base spikes are mostly over 0.5 OD tall,
// and a base always shows as a spike or a fall, not as roughness alone; a
// weak meniscus spike (0.2-0.4 OD on real runs) with its dip after it is a
// meniscus, since a scratch shows no dip.
constexpr double kScratchRun = 0.02;
// Lengths made of whole bins are compared with this much room for rounding
// (cm): eight bins of 0.0025 cm are 0.02 cm, not a little more.
constexpr double kBinRounding = 1e-9;
constexpr double kScratchPeak = 0.45;
constexpr double kScratchLevelFactor = 6.0;  // noise deviations
constexpr double kScratchLevelShare = 0.05;  // of the level
// The levels each side of a scratch are carried to it along a line through
// this many bins (0.02 cm): with few scans at different levels, as a running
// approach or a baseline step leaves them, a bin's median jumps from one
// scan's level to another's, and four bins took that for a step.
constexpr int kEdgeBins = 8;

// A spike's flanks: see widen_spikes.
constexpr double kFlankFrom = 0.01;
constexpr double kFlankTo = 0.03;
constexpr double kFlankMost = 0.015;

// Stretches shorter than this (cm) are too short to judge their noise by:
// each joins the neighbouring stretch nearest in noise (the flank of a
// spike joins the stretch beside it).  Between two spikes (the reference
// solvent) a short stretch stays.
constexpr double kMinRun = 0.015;

// Where the files give replicate SDs, the light through the solution is
// measured well, that through the menisci, windows and shelves around it
// badly (real columns: 0.003 to 0.025 OD, a top channel's falling from 0.05
// to 0.004 along it; window edges jump 6.9 times within 0.01 cm).  So a
// column's SD drops by kSdRatio at one of its ends at least (kTouch inside
// against kTouch beyond), or its quietest part (kTouch) is within kSdRatio
// of the quietest part of any stretch kMinColumnLength long or more.  A
// shelf between channels reads the SD of the windows beside it, several
// times a column's.  Neither test alone will do: a top channel's SD may be
// as high as a window's elsewhere in the scan, and scans whose SD is the
// same everywhere show no drop.
constexpr double kSdRatio = 2.0;

// Stretches shorter than this (cm) are not reported.
constexpr double kReported = 0.02;

struct Piece {
    int first = 0;
    int last = 0;
    int sign = 0;  // 0: a stretch; +1 / -1: a spike above / below its surroundings
    int peak = 0;  // spikes: the bin farthest out
    double peak_level = 0.0;
    double peak_excess = 0.0;  // |level - background| at the peak
    // Stretches: whole-stretch medians, and where files give replicate SDs,
    // the SD and level of the first and the last kTouch of the stretch (the
    // ends other stretches meet), with their points.
    double noise = 0.0;
    double sd = 0.0;
    double level = 0.0;
    struct End {
        double sd = 0.0, level = 0.0;
        int points = 0;
    } head, tail;
    bool step = false;  // a meniscus seen as a step from air, not a spike (find_steps)
    bool dip = false;   // a sample meniscus with the dip after it (join_meniscus_dips)
    bool spike() const { return sign != 0; }

    // A spike of one bin or more, its peak at the first.
    static Piece of_spike(int bin, int sign, double peak_level, double peak_excess,
                          bool step = false) {
        Piece p;
        p.first = p.last = p.peak = bin;
        p.sign = sign;
        p.peak_level = peak_level;
        p.peak_excess = peak_excess;
        p.step = step;
        return p;
    }
};

class Finder {
  public:
    Finder(const Profile &p, ScanKind kind) : p_(p), absorbance_(kind == ScanKind::absorbance) {}

    bool prepare() {
        std::vector<double> noisy;
        for (int b = 0; b < p_.bins(); ++b)
            if (p_.has_data(b) && p_.roughness(b) > 0.0) noisy.push_back(p_.roughness(b));
        if (noisy.empty()) return false;
        floor_ = quantile(noisy, kFloorQuantile);
        deviation_ = floor_ * kMedianToDeviation;
        spike_level_ = kSpikeFactor * deviation_;
        window_ = p_.bins_for(kEdgeWindow, kWindowBins);
        find_spikes();
        find_steps();
        join_meniscus_dips();
        widen_spikes();
        cut_stretches(edges());
        merge_short();
        merge_alike();
        while (merge_lulls())
            merge_alike();
        join_across_scratches();
        lowest_sd_ = lowest_sd();
        return true;
    }

    // See range_problem (columns.h); `slack` (cm) widens the tolerance for
    // scans that lie apart.
    std::string range_problem(double from, double to, double slack) const {
        const double tolerance = kRangeTolerance + slack;
        int stretches = 0;
        double edge = 0.0;
        for (const Piece &q : pieces_) {
            const double a = p_.start(q.first), b = p_.end(q.last);
            if (b <= from + tolerance || a >= to - tolerance) continue;
            if (q.spike())
                return "holds a spike at " + cm(p_.centre(q.peak)) +
                       " (a meniscus, a base or a window's edge)";
            if (++stretches > 1)
                return "holds an edge of noise at " + cm(edge) + " (a window region or a base)";
            edge = b;
        }
        return {};
    }

    std::vector<SolutionColumn> columns(std::vector<ColumnStretch> *stretches) const {
        std::vector<SolutionColumn> found;
        for (size_t i = 0; i < pieces_.size(); ++i) {
            const Piece &s = pieces_[i];
            if (s.spike()) continue;
            SolutionColumn c;
            std::string basis;
            std::string why = judge(i, c, basis);
            const bool take = why.empty() && static_cast<int>(found.size()) < kMaxColumns;
            if (why.empty() && !take) why = "more than " + std::to_string(kMaxColumns) + " columns";
            if (take) found.push_back(c);
            const double from = p_.start(s.first), to = p_.end(s.last);
            if (stretches && (take || to - from >= kReported))
                stretches->push_back({from, to, p_.level_over(s.first, s.last),
                                      s.noise * kMedianToDeviation, p_.has_sd() ? s.sd : -1.0, take,
                                      take ? basis : why});
        }
        return found;
    }

  private:
    // Spike bins in runs of one sign; bins without points inside a run
    // belong to it.
    void find_spikes() {
        int open = -1;
        for (int b = 0; b < p_.bins(); ++b) {
            if (!p_.has_data(b)) continue;
            const double e = p_.excess(b);
            const int sign = std::fabs(e) > spike_level_ ? (e > 0.0 ? 1 : -1) : 0;
            if (sign != 0 && open >= 0 && spikes_[static_cast<size_t>(open)].sign == sign) {
                Piece &s = spikes_[static_cast<size_t>(open)];
                s.last = b;
                if (std::fabs(e) > s.peak_excess) {
                    s.peak = b;
                    s.peak_excess = std::fabs(e);
                    s.peak_level = p_.level(b);
                }
            } else if (sign != 0) {
                spikes_.push_back(Piece::of_spike(b, sign, p_.level(b), std::fabs(e)));
                open = static_cast<int>(spikes_.size()) - 1;
            } else {
                open = -1;
            }
        }
    }

    // Sample menisci that show as a step from air (see kAirRun): each is
    // taken as a one-bin spike at the column's first bin, the bin where the
    // rise between the windows on its two sides is largest.
    void find_steps() {
        const int air = p_.bins_for(kAirRun, 2);
        std::vector<double> rise(static_cast<size_t>(p_.bins()) + 1, 0.0);
        for (int b = std::max(air, window_); b + window_ <= p_.bins(); ++b) {
            if (near_spike(b)) continue;
            const int l0 = b - window_, l1 = b - 1, r0 = b, r1 = b + window_ - 1;
            if (p_.points_over(l0, l1) < kWindowPoints || p_.points_over(r0, r1) < kWindowPoints)
                continue;
            // Most radii have no air before them: that is looked at first.
            const double before = p_.level_over(b - air, l1);
            if (!(std::fabs(before) <= kAirLevel)) continue;
            const double jump = p_.level_over(r0, r1) - p_.level_over(l0, l1);
            if (!(jump > kStepFactor * deviation_)) continue;
            const bool smooth_air =
                !(p_.roughness_over(b - air, l1) > kRoughRatio * p_.roughness_over(r0, r1));
            if (smooth_air) rise[static_cast<size_t>(b)] = jump;
        }
        std::vector<Piece> steps;
        for (int b = 1; b < p_.bins(); ++b) {
            const double v = rise[static_cast<size_t>(b)];
            if (!(v > 0.0)) continue;
            bool best = true;
            for (int k = std::max(1, b - window_); k <= std::min(p_.bins() - 1, b + window_); ++k)
                if (rise[static_cast<size_t>(k)] > v ||
                    (rise[static_cast<size_t>(k)] == v && k < b))
                    best = false;
            if (best) steps.push_back(Piece::of_spike(b, 1, p_.level(b), v, true));
        }
        spikes_.insert(spikes_.end(), steps.begin(), steps.end());
        std::sort(spikes_.begin(), spikes_.end(),
                  [](const Piece &x, const Piece &y) { return x.first < y.first; });
    }

    // The dip after a sample meniscus (see kDipReach) joins its spike.
    void join_meniscus_dips() {
        for (size_t i = 0; i + 1 < spikes_.size();) {
            Piece &up = spikes_[i];
            const Piece &dip = spikes_[i + 1];
            if (up.sign > 0 && !up.step && dip.sign < 0 &&
                p_.centre(dip.peak) - p_.centre(up.peak) <= kDipReach + kBinRounding &&
                dip.peak_excess <= kDipShare * up.peak_excess) {
                up.last = dip.last;
                up.dip = true;
                spikes_.erase(spikes_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
                continue;
            }
            ++i;
        }
    }

    // A tall spike bends the signal beyond the bins that stand out: its
    // flanks are rough.  Each spike takes in the bins beside it that are
    // kRoughRatio times rougher than the signal beyond them (the median of
    // the bins kFlankFrom to kFlankTo cm further out), up to kFlankMost cm.
    void widen_spikes() {
        const int from = p_.bins_for(kFlankFrom, 1), to = p_.bins_for(kFlankTo, 2);
        const int most = p_.bins_for(kFlankMost, 1);
        for (size_t i = 0; i < spikes_.size(); ++i) {
            Piece &s = spikes_[i];
            const int low_limit = i > 0 ? spikes_[i - 1].last + 1 : 0;
            const int high_limit =
                i + 1 < spikes_.size() ? spikes_[i + 1].first - 1 : p_.bins() - 1;
            const double below = p_.roughness_over(s.first - to, s.first - from);
            for (int k = 0; k < most && s.first - 1 >= low_limit; ++k) {
                const int b = s.first - 1;
                if (p_.has_data(b) && !(p_.roughness(b) > kRoughRatio * below)) break;
                s.first = b;
            }
            const double above = p_.roughness_over(s.last + from, s.last + to);
            for (int k = 0; k < most && s.last + 1 <= high_limit; ++k) {
                const int b = s.last + 1;
                if (p_.has_data(b) && !(p_.roughness(b) > kRoughRatio * above)) break;
                s.last = b;
            }
        }
    }

    double ratio(double a, double b, double guard) const {
        return std::fabs(std::log(std::max(a, guard) / std::max(b, guard)));
    }

    // How far the log of b / a (a noise measure on two sides at levels
    // level_a and level_b) lies outside what the change of level explains:
    // anything between no change and the change an absorbance's noise makes
    // (kLogNoisePerOd) is explained.  Interference scans: no change only.
    double unexplained(double a, double b, double guard, double level_a, double level_b) const {
        const double log_ratio = std::log(std::max(b, guard) / std::max(a, guard));
        const double e =
            absorbance_ ? kLogNoisePerOd * (std::max(level_b, 0.0) - std::max(level_a, 0.0)) : 0.0;
        const double lo = std::min(0.0, e), hi = std::max(0.0, e);
        return log_ratio < lo ? lo - log_ratio : log_ratio > hi ? log_ratio - hi : 0.0;
    }

    // How much the noise (rough) or the replicate SD of bins a0..a1 and
    // b0..b1 differ beyond what their levels explain, as a log ratio; below
    // `matters` the plain log ratio, which is never smaller (the levels,
    // costly to find, are only looked up where they can matter).
    double rough_change(int a0, int a1, int b0, int b1, double matters) const {
        return change(p_.roughness_over(a0, a1), p_.roughness_over(b0, b1), guard(), a0, a1, b0, b1,
                      matters);
    }
    double sd_change(int a0, int a1, int b0, int b1, double matters) const {
        if (!p_.has_sd()) return 0.0;
        return change(p_.sd_over(a0, a1), p_.sd_over(b0, b1), kSdGuard, a0, a1, b0, b1, matters);
    }
    double change(double a, double b, double guard, int a0, int a1, int b0, int b1,
                  double matters) const {
        const double plain = ratio(a, b, guard);
        if (plain < matters || !absorbance_) return plain;
        return unexplained(a, b, guard, p_.level_over(a0, a1), p_.level_over(b0, b1));
    }

    // The log of how much rougher (or higher in SD) one side of boundary b
    // (between bins b-1 and b) is than the other, beyond what the level
    // explains.
    double edge_score(int b) const {
        const int l0 = b - window_, l1 = b - 1, r0 = b, r1 = b + window_ - 1;
        if (p_.points_over(l0, l1) < kWindowPoints || p_.points_over(r0, r1) < kWindowPoints)
            return 0.0;
        const double proposed = std::log(kEdgeRatio);
        return std::max(rough_change(l0, l1, r0, r1, proposed),
                        sd_change(l0, l1, r0, r1, proposed));
    }

    double guard() const { return 0.01 * floor_; }
    static constexpr double kSdGuard = 1e-6;

    // A boundary whose windows reach into a spike (with its flanks).
    bool near_spike(int b) const {
        for (const Piece &s : spikes_)
            if (b >= s.first - window_ && b <= s.last + window_ + 1) return true;
        return false;
    }

    // Boundaries where the noise changes, away from spikes (a spike is the
    // edge there, and its flanks are rough).
    std::vector<int> edges() const {
        std::vector<double> score(static_cast<size_t>(p_.bins()) + 1, 0.0);
        for (int b = 1; b < p_.bins(); ++b)
            if (!near_spike(b)) score[static_cast<size_t>(b)] = edge_score(b);
        std::vector<int> cuts;
        const double proposed = std::log(kEdgeRatio);
        for (int b = 1; b < p_.bins(); ++b) {
            const double v = score[static_cast<size_t>(b)];
            if (v < proposed) continue;
            bool best = true;
            for (int k = std::max(1, b - window_); k <= std::min(p_.bins() - 1, b + window_); ++k)
                if (score[static_cast<size_t>(k)] > v ||
                    (score[static_cast<size_t>(k)] == v && k < b))
                    best = false;
            if (best) cuts.push_back(b);
        }
        return cuts;
    }

    void measure(Piece &s) const {
        s.noise = p_.roughness_over(s.first, s.last);
        s.sd = p_.sd_over(s.first, s.last);
        s.level = p_.level_over(s.first, s.last);
        if (!p_.has_sd()) return;
        const int touch = p_.bins_for(kTouch, kWindowBins);
        const auto end = [&](int from, int to) {
            return Piece::End{p_.sd_over(from, to), p_.level_over(from, to),
                              p_.points_over(from, to)};
        };
        s.head = end(s.first, std::min(s.last, s.first + touch - 1));
        s.tail = end(std::max(s.first, s.last - touch + 1), s.last);
    }

    // Stretches between the spikes, cut at the edges.
    void cut_stretches(const std::vector<int> &cuts) {
        size_t next_cut = 0;
        size_t next_spike = 0;
        int b = 0;
        while (b < p_.bins()) {
            if (next_spike < spikes_.size() && spikes_[next_spike].first == b) {
                pieces_.push_back(spikes_[next_spike]);
                b = spikes_[next_spike++].last + 1;
                continue;
            }
            int end = next_spike < spikes_.size() ? spikes_[next_spike].first : p_.bins();
            while (next_cut < cuts.size() && cuts[next_cut] <= b)
                ++next_cut;
            if (next_cut < cuts.size() && cuts[next_cut] < end) end = cuts[next_cut];
            Piece s;
            s.first = b;
            s.last = end - 1;
            measure(s);
            pieces_.push_back(s);
            b = end;
        }
    }

    // How far apart two stretches are in noise and in replicate SD: the
    // log of the ratio of their medians, beyond what their levels explain,
    // over the bar an edge must clear, which is the log of kRoughRatio or
    // kSignificance standard errors of that log ratio, whichever is higher
    // (the median of n points of |e| has a log standard error of
    // sqrt(kLogMedianVariance / n)).  Below 1 they are one stretch.  Noise is
    // compared over the whole stretches: an edge is placed where neighbouring
    // windows differ most, so windows beside it differ by chance far more
    // than whole stretches do.  The replicate SD is compared where the two
    // face each other (kTouch of each): the instrument gives it per point
    // with a spread of a few tens of per cent, so its medians are precise,
    // and a column's SD may change smoothly along it (a real top channel's
    // falls 12 times from meniscus to base, at most 1.4 times per 0.01 cm)
    // while at a window edge it jumps (6.9 times within 0.01 cm).
    double difference(const Piece &x, const Piece &y) const {
        const Piece &a = x.first <= y.first ? x : y;
        const Piece &b = x.first <= y.first ? y : x;
        const auto bar = [](int na, int nb) {
            na = std::min(column_detail::kMostPooled, na);
            nb = std::min(column_detail::kMostPooled, nb);
            const double error = std::sqrt(kLogMedianVariance / na + kLogMedianVariance / nb);
            return std::max(std::log(kRoughRatio), kSignificance * error);
        };
        const int na = p_.points_over(a.first, a.last), nb = p_.points_over(b.first, b.last);
        if (na == 0 || nb == 0) return 0.0;
        double d = unexplained(a.noise, b.noise, guard(), a.level, b.level) / bar(na, nb);
        if (p_.has_sd() && a.tail.points > 0 && b.head.points > 0)
            d = std::max(d,
                         unexplained(a.tail.sd, b.head.sd, kSdGuard, a.tail.level, b.head.level) /
                             bar(a.tail.points, b.head.points));
        return d;
    }

    double length(const Piece &p) const { return p_.end(p.last) - p_.start(p.first); }

    // Stretches shorter than kMinRun join the neighbouring stretch nearest
    // in noise, the shortest first.
    void merge_short() {
        for (;;) {
            size_t shortest = pieces_.size();
            for (size_t i = 0; i < pieces_.size(); ++i) {
                const Piece &s = pieces_[i];
                if (s.spike() || length(s) >= kMinRun) continue;
                const bool left = i > 0 && !pieces_[i - 1].spike();
                const bool right = i + 1 < pieces_.size() && !pieces_[i + 1].spike();
                if (!left && !right) continue;
                if (shortest == pieces_.size() || length(s) < length(pieces_[shortest]))
                    shortest = i;
            }
            if (shortest == pieces_.size()) return;
            const size_t i = shortest;
            const bool left = i > 0 && !pieces_[i - 1].spike();
            const bool right = i + 1 < pieces_.size() && !pieces_[i + 1].spike();
            size_t into = left ? i - 1 : i + 1;
            if (left && right &&
                difference(pieces_[i], pieces_[i + 1]) < difference(pieces_[i], pieces_[i - 1]))
                into = i + 1;
            const size_t a = std::min(i, into), b = std::max(i, into);
            pieces_[a].last = pieces_[b].last;
            measure(pieces_[a]);
            pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(b));
        }
    }

    // A stretch shorter than a column, quieter than both its neighbours,
    // between two that are alike, is a lull in one stretch, not an edge:
    // the three are one.
    // So is one beside a spike or the end of the data, quieter than the
    // long stretch on its other side.
    bool merge_lulls() {
        bool merged = false;
        auto stretch = [&](size_t k) { return k < pieces_.size() && !pieces_[k].spike(); };
        auto join = [&](size_t a, size_t b) {  // a < b, neighbours or with one between
            pieces_[a].last = pieces_[b].last;
            measure(pieces_[a]);
            pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(a) + 1,
                          pieces_.begin() + static_cast<std::ptrdiff_t>(b) + 1);
            merged = true;
        };
        for (size_t i = 0; i < pieces_.size();) {
            const Piece &m = pieces_[i];
            if (m.spike() || length(m) >= kMinColumnLength) {
                ++i;
                continue;
            }
            const bool left = i > 0 && stretch(i - 1), right = stretch(i + 1);
            if (left && right) {
                if (m.noise < pieces_[i - 1].noise && m.noise < pieces_[i + 1].noise &&
                    difference(pieces_[i - 1], pieces_[i + 1]) < 1.0) {
                    join(i - 1, i + 1);
                    --i;
                    continue;
                }
            } else if (left || right) {
                const size_t other = left ? i - 1 : i + 1;
                if (length(pieces_[other]) >= kMinColumnLength && m.noise < pieces_[other].noise) {
                    const size_t a = std::min(i, other);
                    join(a, std::max(i, other));
                    i = a;
                    continue;
                }
            }
            ++i;
        }
        return merged;
    }

    // The lowest median replicate SD over kTouch within stretch s (the
    // whole of a shorter one); 0 without SDs or points.
    double quietest_sd(const Piece &s) const {
        const int touch = p_.bins_for(kTouch, kWindowBins);
        if (s.last - s.first + 1 <= touch) return p_.sd_over(s.first, s.last);
        double lowest = 0.0;
        for (int b = s.first; b + touch - 1 <= s.last; b += std::max(1, touch / 2)) {
            if (p_.points_over(b, b + touch - 1) < kWindowPoints) continue;
            const double sd = p_.sd_over(b, b + touch - 1);
            if (sd > 0.0 && (lowest == 0.0 || sd < lowest)) lowest = sd;
        }
        return lowest;
    }

    // The quietest part of the quietest stretch kMinColumnLength or longer
    // that carries noise and an SD (light blocked or saturated beyond a base
    // may read an SD of 0); 0 without SDs.
    double lowest_sd() const {
        double lowest = 0.0;
        if (!p_.has_sd()) return lowest;
        for (const Piece &s : pieces_) {
            if (s.spike() || length(s) < kMinColumnLength || !(s.noise > 0.0)) continue;
            const double sd = quietest_sd(s);
            if (sd > 0.0 && (lowest == 0.0 || sd < lowest)) lowest = sd;
        }
        return lowest;
    }

    // The largest ratio of the replicate SD just beyond an end of stretch
    // s to that just inside it (kTouch each); 0 where neither end has data
    // beyond it.
    double sd_drop(const Piece &s) const {
        const int touch = p_.bins_for(kTouch, kWindowBins);
        double drop = 0.0;
        if (s.first > 0 && p_.points_over(s.first - touch, s.first - 1) >= kWindowPoints)
            drop = std::max(drop, p_.sd_over(s.first - touch, s.first - 1) /
                                      std::max(p_.sd_over(s.first, s.first + touch - 1), kSdGuard));
        if (s.last + 1 < p_.bins() && p_.points_over(s.last + 1, s.last + touch) >= kWindowPoints)
            drop = std::max(drop, p_.sd_over(s.last + 1, s.last + touch) /
                                      std::max(p_.sd_over(s.last - touch + 1, s.last), kSdGuard));
        return drop;
    }

    // Neighbouring stretches that do not differ by kRoughRatio are one:
    // the most alike first, each merge measured again.
    void merge_alike() {
        for (;;) {
            size_t best = pieces_.size();
            double least = 1.0;
            for (size_t i = 0; i + 1 < pieces_.size(); ++i) {
                if (pieces_[i].spike() || pieces_[i + 1].spike()) continue;
                const double d = difference(pieces_[i], pieces_[i + 1]);
                if (d < least) {
                    least = d;
                    best = i;
                }
            }
            if (best == pieces_.size()) return;
            pieces_[best].last = pieces_[best + 1].last;
            measure(pieces_[best]);
            pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(best) + 1);
        }
    }

    // The level of bins first..last carried on to radius r along the
    // straight line that fits them best.
    double level_carried_to(int first, int last, double r) const {
        double n = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
        for (int i = first; i <= last; ++i) {
            if (!p_.has_data(i)) continue;
            const double x = p_.centre(i) - r;
            n += 1.0;
            sx += x;
            sy += p_.level(i);
            sxx += x * x;
            sxy += x * p_.level(i);
        }
        if (n == 0.0) return 0.0;
        const double spread = n * sxx - sx * sx;
        if (n < 2.0 || spread <= 0.0) return sy / n;
        const double slope = (n * sxy - sx * sy) / spread;
        return (sy - slope * sx) / n;  // the line's value at x = 0, that is at r
    }

    void join_across_scratches() {
        bool joined = false;
        for (size_t i = 0; i + 2 < pieces_.size();) {
            const Piece &left = pieces_[i], &gap = pieces_[i + 1], &right = pieces_[i + 2];
            const bool small =
                !left.spike() && !right.spike() &&
                p_.end(gap.last) - p_.start(gap.first) <= kScratchRun + kBinRounding &&
                (!gap.spike() || (gap.peak_excess <= kScratchPeak && !gap.step && !gap.dip)) &&
                difference(left, right) < 1.0;
            if (!small) {
                ++i;
                continue;
            }
            const double middle = 0.5 * (p_.start(gap.first) + p_.end(gap.last));
            const double before = level_carried_to(std::max(left.first, left.last - kEdgeBins + 1),
                                                   left.last, middle);
            const double after = level_carried_to(
                right.first, std::min(right.last, right.first + kEdgeBins - 1), middle);
            const double noise = std::max(left.noise, right.noise) * kMedianToDeviation;
            const double allowed =
                std::max(kScratchLevelFactor * noise,
                         kScratchLevelShare * std::max(std::fabs(before), std::fabs(after)));
            if (std::fabs(after - before) > allowed) {
                ++i;
                continue;
            }
            pieces_[i].last = right.last;
            measure(pieces_[i]);
            pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                          pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 3);
            joined = true;
        }
        if (joined) merge_alike();
    }

    std::string cm(double r) const {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f cm", r);
        return text;
    }
    std::string od(double v) const {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f OD", v);
        return text;
    }

    // Why the stretch before the sample meniscus spike at index `spike`
    // does not make it a meniscus; empty when it does, with the rule that
    // decided in `basis`.
    std::string meniscus_refusal(size_t spike, const Piece &column, std::string &basis) const {
        const Piece &sample = pieces_[spike];
        const double from = p_.start(sample.first);
        for (size_t k = spike; k-- > 0;) {
            const Piece &q = pieces_[k];
            if (p_.end(q.last) < from - kPairGap) break;
            if (q.spike() && q.sign < 0 && q.peak_level < -spike_level_) {
                basis =
                    "a meniscus pair " + cm(p_.centre(sample.peak) - p_.centre(q.peak)) + " apart";
                return {};
            }
        }
        if (spike > 0 && !pieces_[spike - 1].spike()) {
            const Piece &air = pieces_[spike - 1];
            const int run = p_.bins_for(kAirRun, 2);
            const int from_bin = std::max(air.first, air.last - run + 1);
            const double level = p_.level_over(from_bin, air.last);
            if (p_.end(air.last) - p_.start(air.first) >= kAirRun && level <= kAirLevel &&
                !(p_.roughness_over(from_bin, air.last) > kRoughRatio * column.noise)) {
                basis = sample.step ? "a meniscus seen as a step from air"
                                    : "a meniscus after air (" + od(level) + ")";
                return {};
            }
            if (first_smooth_stretch(spike - 1, column)) {
                basis =
                    "a meniscus after the first smooth stretch, taken as air (" + od(level) + ")";
                return {};
            }
        }
        return "no meniscus before it: the spike at " + cm(p_.centre(sample.peak)) +
               " has no reference meniscus (a spike below zero) within " + cm(kPairGap) +
               " and no air before it (a base or a window edge)";
    }

    // The top channel of a cell may be scanned without its reference: no
    // reference spike, and the air above its meniscus may read 0.1 OD
    // (light scattered by the windows).  The scan's first smooth region is
    // air all the same: nothing but the top of the cell lies above the first
    // meniscus, while every later channel has a smooth column, air or shelf
    // before it, beyond a spike.  So stretch k (kAirRun long or more) is air
    // when no smooth stretch kAirRun long or more lies before a spike
    // before it.  Smooth here is no rougher than kAirSmooth times the column
    // after the meniscus (`column`); window regions are 3-4 times rougher,
    // and a window's edge may show a spike.
    bool first_smooth_stretch(size_t k, const Piece &column) const {
        const auto smooth = [&](const Piece &q) {
            return !q.spike() && length(q) >= kAirRun && !(q.noise > kAirSmooth * column.noise);
        };
        if (!smooth(pieces_[k])) return false;
        bool beyond_spike = false;
        for (size_t j = k; j-- > 0;) {
            if (pieces_[j].spike())
                beyond_spike = true;
            else if (beyond_spike && smooth(pieces_[j]))
                return false;
        }
        return true;
    }

    // Empty when stretch i is a column (filled into c, with the rules that
    // decided in `basis`); else the reason.
    std::string judge(size_t i, SolutionColumn &c, std::string &basis) const {
        const Piece &s = pieces_[i];
        if (i == 0) return "no meniscus before it: the data begin inside it";
        if (!pieces_[i - 1].spike())
            return "no meniscus before it: it follows a change of noise at " +
                   cm(p_.start(s.first)) + ", not a spike";
        if (pieces_[i - 1].sign < 0)
            return "no meniscus before it: it follows a spike below its surroundings at " +
                   cm(p_.centre(pieces_[i - 1].peak));
        // The sample meniscus: the tallest positive spike just before the
        // stretch (a spike seen a little apart in a few scans splits in two).
        size_t sample = i - 1;
        for (size_t k = i - 1; k-- > 0;) {
            const Piece &q = pieces_[k];
            if (p_.end(q.last) < p_.start(s.first) - kDoubleSpike) break;
            if (q.spike() && q.sign < 0) break;
            if (!q.spike() && length(q) >= kMinRun) break;
            if (q.spike() && q.peak_excess > pieces_[sample].peak_excess) sample = k;
        }
        if (std::string why = meniscus_refusal(sample, s, basis); !why.empty()) return why;
        if (pieces_[sample].dip || pieces_[i - 1].dip) basis += "; its dip belongs to the meniscus";
        const double from = p_.centre(pieces_[sample].peak), to = p_.end(s.last);
        if (to - from < kMinColumnLength) return "shorter than " + cm(kMinColumnLength);
        if (!(s.noise > 0.0)) return "no noise: a stretch of one value is a detector's limit";
        if (i + 1 < pieces_.size() && !pieces_[i + 1].spike() &&
            length(pieces_[i + 1]) >= kMinColumnLength && pieces_[i + 1].noise > 0.0 &&
            s.noise > kRoughRatio * pieces_[i + 1].noise)
            return "rougher than the stretch beside it";
        if (p_.has_sd() && sd_drop(s) < kSdRatio && quietest_sd(s) > kSdRatio * lowest_sd_)
            return "its replicate SD drops at neither end and is over " +
                   std::to_string(static_cast<int>(kSdRatio)) +
                   " times the quietest stretch's (light through windows, not solution)";
        const double deviation = s.noise * kMedianToDeviation;
        const int touch = p_.bins_for(kTouch, kWindowBins);
        const double bar = kLevelFactor * deviation;
        if (!(p_.level_over(s.first, s.last, kUpperLevelQuantile) > bar)) {
            if (!(p_.level_over(std::max(s.first, s.last - touch + 1), s.last,
                                kUpperLevelQuantile) > bar))
                return "its signal is not clearly above zero, not even towards its end";
            basis += "; depleted: above zero towards its base";
        }
        c.meniscus = from;
        c.meniscus_seen = true;
        if (pieces_[sample].dip || pieces_[i - 1].dip) c.clear_from = p_.start(s.first);
        c.base = to;
        c.base_seen = i + 1 < pieces_.size();
        return {};
    }

    const Profile &p_;
    bool absorbance_ = true;
    double lowest_sd_ = 0.0;
    double floor_ = 0.0;
    double deviation_ = 0.0;
    double spike_level_ = 0.0;
    int window_ = kWindowBins;
    std::vector<Piece> spikes_;
    std::vector<Piece> pieces_;
};

}  // namespace

namespace {

// The scans moved to where most of them lie (column_align.h), and how far
// the furthest lay apart; `aligned` stays empty when none lies apart.
struct Alignment {
    std::vector<std::vector<RadialPoint>> aligned;
    double shift_in = 0.0, shift_out = 0.0;
};
Alignment align(const std::vector<std::vector<RadialPoint>> &scans) {
    Alignment a;
    const std::vector<double> shifts = column_detail::radial_shifts(scans);
    const auto [in, out] = std::minmax_element(shifts.begin(), shifts.end());
    a.shift_in = in == shifts.end() ? 0.0 : std::min(*in, 0.0);
    a.shift_out = out == shifts.end() ? 0.0 : std::max(*out, 0.0);
    if (a.shift_in < 0.0 || a.shift_out > 0.0) {
        a.aligned = scans;
        for (size_t k = 0; k < a.aligned.size(); ++k)
            for (RadialPoint &p : a.aligned[k])
                p.radius -= shifts[k];
    }
    return a;
}

}  // namespace

std::string range_problem(const std::vector<std::vector<RadialPoint>> &scans, double from_cm,
                          double to_cm, ScanKind kind) {
    const Alignment a = align(scans);
    const Profile profile(a.aligned.empty() ? scans : a.aligned);
    if (!profile.usable()) return {};
    Finder finder(profile, kind);
    if (!finder.prepare()) return {};
    return finder.range_problem(from_cm, to_cm, std::max(-a.shift_in, a.shift_out));
}

std::vector<SolutionColumn> find_solution_columns(
    const std::vector<std::vector<RadialPoint>> &scans, std::vector<ColumnStretch> *stretches,
    ScanKind kind) {
    if (stretches) stretches->clear();
    // Scans that lie apart along the radius are pooled where most scans
    // lie; the bounds then move in by the largest shifts, so that they
    // clear the meniscus and the base of every scan.
    const Alignment alignment = align(scans);
    const std::vector<std::vector<RadialPoint>> &aligned = alignment.aligned;
    const double shift_in = alignment.shift_in, shift_out = alignment.shift_out;
    const Profile profile(aligned.empty() ? scans : aligned);
    if (!profile.usable()) return {};
    Finder finder(profile, kind);
    if (!finder.prepare()) return {};
    std::vector<SolutionColumn> columns = finder.columns(stretches);
    if (aligned.empty()) return columns;

    // The columns' stretches come in the same order: say how far the scans
    // lie apart, and leave out a column that all scans share for less than
    // the shortest length taken.
    std::vector<ColumnStretch *> taken;
    if (stretches)
        for (ColumnStretch &st : *stretches)
            if (st.column) taken.push_back(&st);
    std::vector<SolutionColumn> kept;
    for (size_t k = 0; k < columns.size(); ++k) {
        SolutionColumn c = columns[k];
        c.meniscus += shift_out;
        if (c.clear_from > 0.0) c.clear_from += shift_out;
        if (c.base_seen) c.base += shift_in;
        const bool shared = c.base - c.meniscus >= kMinColumnLength;
        if (shared) kept.push_back(c);
        if (k >= taken.size()) continue;
        char note[200];
        std::snprintf(note, sizeof note,
                      "scans up to %.3f cm in and %.3f cm out of where most lie: meniscus and "
                      "base %s",
                      std::fabs(shift_in), shift_out,
                      shared ? "moved in to clear every scan"
                             : "of every scan leave less than the shortest column");
        taken[k]->reason += std::string(taken[k]->reason.empty() ? "" : "; ") + note;
        taken[k]->column = shared;
    }
    return kept;
}

}  // namespace quillane
