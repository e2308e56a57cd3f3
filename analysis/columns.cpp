#include "columns.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillane {
namespace {

// Bins along the radius: never finer than this (cm), and wide enough to
// hold about three points of the series in all.
constexpr double kFinestBin = 0.0025;
constexpr double kPointsPerBin = 3.0;
// More bins than this only come from positions that are no radii.
constexpr double kMostBins = 100000.0;
// Neighbours farther apart than this (cm) say nothing about smoothness.
constexpr double kLargestStep = 0.02;
// A bin is rough when its median distance from the neighbours' line is
// above this many times the noise floor.  Noise grows with absorbance (a
// few times from 0 to 1.5 OD); spikes, steps and window regions lie
// decades above it.
constexpr double kRoughFactor = 8.0;
// The noise floor: this quantile of the bins' medians.  Columns, air and
// the reference solvent are smooth and make up well over a quarter of a
// scan.
constexpr double kFloorQuantile = 0.25;
// A column's upper levels stand this many noise deviations above zero.
constexpr double kLevelFactor = 10.0;
constexpr double kUpperLevelQuantile = 0.75;
// A rough stretch no longer than this (cm) between two smooth ones is a
// spike (a meniscus), not a region of blocked light.
constexpr double kSpikeRun = 0.03;
// A rough stretch no longer than this (cm) inside a column, with the
// profile going on at the same level on its other side, is a scratch or
// dust on a window: the column goes on across it.
constexpr double kScratchRun = 0.015;
constexpr double kScratchLevelFactor = 6.0;  // noise deviations
constexpr double kScratchLevelShare = 0.05;  // of the level
// Bins on each side of a scratch whose levels are compared.
constexpr int kEdgeBins = 4;
// Median of |e| for normal noise of deviation s, where e is a point less
// the mean of its two neighbours: 0.6745 * sqrt(1.5) * s.
constexpr double kMedianToDeviation = 1.0 / (0.6745 * 1.2247);
// A step from the profile smears over one point on each side: the last
// smooth points lie about one and a half point spacings inside the bound.
constexpr double kSmearSpacings = 1.5;

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0.0;
    const auto k = static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
    return v[k];
}

struct Bin {
    std::vector<double> distances;  // |point - line through its neighbours|
    std::vector<double> levels;
    double roughness = 0.0;  // median distance
    double level = 0.0;      // median value
    bool smooth = false;
    bool has_data() const { return !distances.empty(); }
};

// A stretch of bins of one kind.
struct Run {
    int first = 0;
    int last = 0;
    bool smooth = false;
    bool candidate = false;  // smooth, positive, noisy: may be a column
};

class Profile {
  public:
    explicit Profile(const std::vector<std::vector<RadialPoint>> &scans) {
        std::vector<double> steps;
        int scans_used = 0;
        // The first and last points of a scan have one neighbour only: the
        // bins span the points that have two.
        for (const auto &scan : scans) {
            if (scan.size() < 3) continue;
            ++scans_used;
            low_ = std::min(low_, scan[1].radius);
            high_ = std::max(high_, scan[scan.size() - 2].radius);
            for (size_t i = 1; i < scan.size(); ++i)
                if (const double d = scan[i].radius - scan[i - 1].radius; d > 0.0)
                    steps.push_back(d);
        }
        if (scans_used == 0 || steps.empty() || !(high_ > low_)) return;
        spacing_ = quantile(steps, 0.5);
        width_ = std::max(kFinestBin, kPointsPerBin * spacing_ / scans_used);
        width_ = std::max(width_, (high_ - low_) / kMostBins);
        bins_.resize(static_cast<size_t>((high_ - low_) / width_) + 1);
        for (const auto &scan : scans)
            if (scan.size() >= 3) add(scan);
        for (Bin &b : bins_) {
            if (!b.has_data()) continue;
            b.roughness = quantile(b.distances, 0.5);
            b.level = quantile(b.levels, 0.5);
        }
    }

    bool usable() const { return !bins_.empty(); }
    std::vector<Bin> &bins() { return bins_; }
    double spacing() const { return spacing_; }
    double width() const { return width_; }
    double start(int bin) const { return low_ + width_ * bin; }
    double end(int bin) const { return std::min(high_, low_ + width_ * (bin + 1)); }
    double length(const Run &r) const { return end(r.last) - start(r.first); }

  private:
    void add(const std::vector<RadialPoint> &scan) {
        for (size_t i = 1; i + 1 < scan.size(); ++i) {
            const RadialPoint &a = scan[i - 1], &p = scan[i], &b = scan[i + 1];
            const double span = b.radius - a.radius;
            if (!(span > 0.0) || span > kLargestStep) continue;
            const double line = a.value + (p.radius - a.radius) / span * (b.value - a.value);
            const double distance = std::fabs(p.value - line);
            if (!std::isfinite(distance)) continue;
            // Outside the range (or not a number): no bin, and no conversion
            // of a negative or NaN to an index.
            const double at = (p.radius - low_) / width_;
            if (!(at >= 0.0 && at < static_cast<double>(bins_.size()))) continue;
            const auto k = static_cast<size_t>(at);
            bins_[k].distances.push_back(distance);
            bins_[k].levels.push_back(p.value);
        }
    }

    double low_ = std::numeric_limits<double>::infinity();
    double high_ = -std::numeric_limits<double>::infinity();
    double spacing_ = 0.0;
    double width_ = kFinestBin;
    std::vector<Bin> bins_;
};

// Bins without points between two smooth bins, over less than one largest
// step, take the kind of their neighbours; others count as rough.
void classify(std::vector<Bin> &bins, double rough_above, double width) {
    for (Bin &b : bins)
        b.smooth = b.has_data() && b.roughness <= rough_above;
    const auto n = static_cast<int>(bins.size());
    for (int i = 0; i < n;) {
        if (bins[static_cast<size_t>(i)].has_data()) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && !bins[static_cast<size_t>(j)].has_data())
            ++j;
        const bool bridged = i > 0 && j < n && bins[static_cast<size_t>(i - 1)].smooth &&
                             bins[static_cast<size_t>(j)].smooth && (j - i) * width < kLargestStep;
        for (int k = i; k < j; ++k)
            bins[static_cast<size_t>(k)].smooth = bridged;
        i = j;
    }
}

std::vector<Run> runs_of(const std::vector<Bin> &bins) {
    std::vector<Run> runs;
    for (int i = 0; i < static_cast<int>(bins.size()); ++i) {
        const bool smooth = bins[static_cast<size_t>(i)].smooth;
        if (runs.empty() || runs.back().smooth != smooth)
            runs.push_back({i, i, smooth, false});
        else
            runs.back().last = i;
    }
    return runs;
}

std::vector<double> levels_of(const std::vector<Bin> &bins, int first, int last) {
    std::vector<double> levels;
    for (int i = first; i <= last; ++i)
        if (bins[static_cast<size_t>(i)].has_data())
            levels.push_back(bins[static_cast<size_t>(i)].level);
    return levels;
}

// Smooth, with its upper levels clearly above zero, and with noise: a
// stretch of one value is the detector's limit, not a measurement.
bool may_be_column(const std::vector<Bin> &bins, const Run &r, double deviation) {
    const std::vector<double> levels = levels_of(bins, r.first, r.last);
    if (levels.empty()) return false;
    std::vector<double> roughness;
    for (int i = r.first; i <= r.last; ++i)
        if (bins[static_cast<size_t>(i)].has_data())
            roughness.push_back(bins[static_cast<size_t>(i)].roughness);
    if (quantile(roughness, 0.5) <= 0.0) return false;
    const double upper = quantile(levels, kUpperLevelQuantile);
    return upper > 0.0 && upper > kLevelFactor * deviation;
}

// The level of bins first..last carried on to radius r along the straight
// line that fits them best.
double level_carried_to(const std::vector<Bin> &bins, const Profile &profile, int first, int last,
                        double r) {
    double n = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (int i = first; i <= last; ++i) {
        const Bin &b = bins[static_cast<size_t>(i)];
        if (!b.has_data()) continue;
        const double x = 0.5 * (profile.start(i) + profile.end(i)) - r;
        n += 1.0;
        sx += x;
        sy += b.level;
        sxx += x * x;
        sxy += x * b.level;
    }
    if (n == 0.0) return 0.0;
    const double spread = n * sxx - sx * sx;
    if (n < 2.0 || spread <= 0.0) return sy / n;
    const double slope = (n * sxy - sx * sy) / spread;
    return (sy - slope * sx) / n;  // the line's value at x = 0, that is at r
}

// Joins two column stretches across a short rough one when the profile
// goes on through it: carried on from either side, the levels meet.
void join_across_scratches(std::vector<Run> &runs, const std::vector<Bin> &bins,
                           const Profile &profile, double deviation) {
    for (size_t i = 0; i + 2 < runs.size();) {
        const Run &left = runs[i], &gap = runs[i + 1], &right = runs[i + 2];
        if (!left.candidate || gap.smooth || !right.candidate ||
            profile.length(gap) > kScratchRun) {
            ++i;
            continue;
        }
        const double middle = 0.5 * (profile.start(gap.first) + profile.end(gap.last));
        const double before = level_carried_to(
            bins, profile, std::max(left.first, left.last - kEdgeBins + 1), left.last, middle);
        const double after = level_carried_to(
            bins, profile, right.first, std::min(right.last, right.first + kEdgeBins - 1), middle);
        const double allowed =
            std::max(kScratchLevelFactor * deviation,
                     kScratchLevelShare * std::max(std::fabs(before), std::fabs(after)));
        if (std::fabs(after - before) > allowed) {
            ++i;
            continue;
        }
        runs[i].last = right.last;
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                   runs.begin() + static_cast<std::ptrdiff_t>(i) + 3);
    }
}

// After a short rough stretch, a smooth one that may be no column and lies
// above this one's end is the light saturating beyond the base.
bool rises_to_plateau(const std::vector<Bin> &bins, const Run &column, const Run &after) {
    if (after.candidate) return false;
    const std::vector<double> plateau = levels_of(bins, after.first, after.last);
    const std::vector<double> end =
        levels_of(bins, std::max(column.first, column.last - kEdgeBins + 1), column.last);
    return !plateau.empty() && !end.empty() && quantile(plateau, 0.5) > quantile(end, 0.5);
}

}  // namespace

std::vector<SolutionColumn> find_solution_columns(
    const std::vector<std::vector<RadialPoint>> &scans) {
    Profile profile(scans);
    if (!profile.usable()) return {};
    std::vector<Bin> &bins = profile.bins();

    std::vector<double> noisy;
    for (const Bin &b : bins)
        if (b.has_data() && b.roughness > 0.0) noisy.push_back(b.roughness);
    if (noisy.empty()) return {};
    const double floor = quantile(noisy, kFloorQuantile);
    const double deviation = floor * kMedianToDeviation;
    classify(bins, kRoughFactor * floor, profile.width());

    std::vector<Run> runs = runs_of(bins);
    for (Run &r : runs)
        r.candidate = r.smooth && may_be_column(bins, r, deviation);
    join_across_scratches(runs, bins, profile, deviation);

    const double smear = kSmearSpacings * profile.spacing();
    std::vector<SolutionColumn> columns;
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run &r = runs[i];
        if (!r.candidate) continue;
        SolutionColumn c;
        // The high end: a base is a long rough stretch, or one that runs to
        // the end of the data; after a short one the profile goes on, so
        // this stretch lay before a meniscus (air, reference solvent).
        if (i + 1 == runs.size()) {
            c.base = profile.end(r.last);
        } else {
            const Run &next = runs[i + 1];
            const bool base = i + 2 == runs.size() || profile.length(next) > kSpikeRun ||
                              rises_to_plateau(bins, r, runs[i + 2]);
            if (!base) continue;
            c.base = profile.end(r.last) + smear;
            c.base_seen = true;
        }
        // The low end: the centre of a spike, or where a long rough stretch
        // ends, or where the data begin.
        if (i == 0) {
            c.meniscus = profile.start(r.first);
        } else {
            const Run &before = runs[i - 1];
            c.meniscus = profile.length(before) <= kSpikeRun
                             ? 0.5 * (profile.start(before.first) + profile.end(before.last))
                             : profile.start(r.first) - smear;
            c.meniscus_seen = true;
        }
        if (c.base - c.meniscus < kMinColumnLength) continue;
        columns.push_back(c);
        if (static_cast<int>(columns.size()) == kMaxColumns) break;
    }
    return columns;
}

}  // namespace quillane
