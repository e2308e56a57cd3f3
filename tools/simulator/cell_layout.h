// SPDX-License-Identifier: MIT
// The optical layout of one cell along the radius: where each channel's
// menisci and base lie and what the scan shows between them.  Internal to
// the simulator.
#pragma once

#include <cstdint>
#include <vector>

#include "instrument_sim.h"

namespace quillane::sim {

// What a stretch of the scan shows (before spikes are added on top).
enum class SegmentKind {
    flat,    // a level with point noise: air, reference solvent, shelves
    rough,   // window regions: a level with point noise 3-4x the column's
    column,  // the solution: the model's profile with the column's noise
    ramp,    // a straight line from `level` to `level_end` (dip, steep fall)
};

struct Segment {
    double from = 0.0;  // cm
    double to = 0.0;
    SegmentKind kind = SegmentKind::flat;
    double level = 0.0;      // OD
    double level_end = 0.0;  // ramp only
    double sd = 0.0;         // point noise, OD
    int channel = -1;        // column only
};

struct Spike {
    double at = 0.0;          // cm, centre
    double height = 0.0;      // OD, negative for the reference meniscus
    double half_width = 0.0;  // cm, the Gaussian's SD
    bool dip = false;         // the dip after a sample meniscus: its depth varies more
};

// A channel's replicate SD inside its column, falling (or rising)
// exponentially from the meniscus to the base; 0: the plain draw.
struct ColumnSd {
    double at_meniscus = 0.0;  // OD
    double at_base = 0.0;
};

struct Layout {
    double scan_start = 0.0;  // cm
    double scan_end = 0.0;
    std::vector<Segment> segments;  // rising, touching, covering the scan
    std::vector<Spike> spikes;
    std::vector<ChannelTruth> channels;  // positions and noise; no t_eq yet
    std::vector<double> loading_od;      // per channel, at 280 nm
    std::vector<ColumnSd> column_sd;     // per channel
};

// The layout of the setup's cell: drawn from (seed, cell), so every series of
// one cell in a run shares it.
Layout make_layout(const SeriesSetup &setup);

// Absorbance at a wavelength relative to 280 nm.
double wavelength_share(double wavelength_nm);

// The reduced molar mass at the given speed, cm^-2 (per cm^2 of xi).
double sigma_at(double rpm);

// One uniform number per (seed, parts...): the simulator's streams are
// keyed, so a series' scans do not change when another series is added.
uint64_t stream_key(uint64_t seed, std::initializer_list<double> parts);

}  // namespace quillane::sim
