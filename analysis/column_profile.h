// SPDX-License-Identifier: MIT
// The scans of a series pooled along the radius, for the column finder
// (columns.h): bins a few thousandths of a cm wide, each holding the
// points of every scan that fall in it, with the point's value, its
// roughness (distance from the straight line through its two neighbours in
// its own scan) and its replicate SD where the files give one.  Medians over
// bins and over runs of bins are what the finder judges by: one scan's dust
// moves no median; a meniscus, a base or a window region lies at the same
// radius in every scan and does.
#pragma once

#include <vector>

#include "columns.h"

namespace quillane::column_detail {

// Medians over stretches and windows are taken from at most this many of
// their points, evenly spread along the radius: the median of 500 points
// is known to 6 %, well within the factors of 2 the finder judges by.
inline constexpr int kMostPooled = 500;

// The q-quantile (0..1) of v, nearest rank; 0 for none.
double quantile(std::vector<double> v, double q);

class Profile {
  public:
    explicit Profile(const std::vector<std::vector<RadialPoint>> &scans);

    bool usable() const { return !bins_.empty(); }
    int bins() const { return static_cast<int>(bins_.size()); }
    double width() const { return width_; }
    double spacing() const { return spacing_; }
    int scans() const { return scans_; }
    double start(int b) const { return low_ + width_ * b; }
    double end(int b) const;
    double centre(int b) const { return 0.5 * (start(b) + end(b)); }
    // Bins that span `cm`, at least `least`.
    int bins_for(double cm, int least) const;

    bool has_data(int b) const { return !bins_[static_cast<size_t>(b)].distances.empty(); }
    double level(int b) const { return bins_[static_cast<size_t>(b)].level; }
    double roughness(int b) const { return bins_[static_cast<size_t>(b)].roughness; }
    // The median over the bin's points of how far each stands above (> 0)
    // or below (< 0) its own scan on both sides (see kSpikeClear in the
    // source): a spike at this radius in most scans gives a large one, a
    // step or a profile rising through the bin none.
    double excess(int b) const { return bins_[static_cast<size_t>(b)].excess; }
    // True when every point of every scan has a replicate SD.
    bool has_sd() const { return has_sd_; }

    // Medians (or another quantile) over every point in bins first..last
    // (clipped to the profile); 0 where they hold no point.
    double roughness_over(int first, int last, double q = 0.5) const;
    double sd_over(int first, int last) const;
    double level_over(int first, int last, double q = 0.5) const;
    int points_over(int first, int last) const;

  private:
    struct Bin {
        std::vector<double> distances;
        std::vector<double> levels;
        std::vector<double> sds;
        std::vector<double> excesses;
        double roughness = 0.0;  // median distance
        double excess = 0.0;     // median excess
        double level = 0.0;      // median value
    };
    void add(const std::vector<RadialPoint> &scan);
    double pooled(int first, int last, std::vector<double> Bin::*what, double q) const;

    double low_ = 0.0;
    double high_ = 0.0;
    double spacing_ = 0.0;
    double width_ = 0.0;
    int scans_ = 0;
    bool has_sd_ = false;
    std::vector<Bin> bins_;
};

}  // namespace quillane::column_detail
