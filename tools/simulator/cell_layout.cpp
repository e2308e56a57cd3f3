// SPDX-License-Identifier: MIT
// The cell's layout along the radius.  Every constant below is what real
// absorbance scans of these centerpieces show; the reason is beside it.
#include "cell_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "../example_random.h"

namespace quillane::sim {
namespace {

using examples::Random;

double between(Random &rng, double low, double high) {
    return low + (high - low) * rng.uniform();
}

// Nominal channel positions, cm.  Six-channel: three columns of about
// 0.22 cm (the usual 110 ul fill) whose menisci lie 0.51-0.52 cm apart;
// two-channel: one 12 mm sector filled to about 1.15 cm.  Each cell's
// positions move by up to kPositionJitter (filling differs).
struct Nominal {
    double meniscus;
    double base;
};
constexpr Nominal kSixChannel[] = {{5.870, 6.085}, {6.380, 6.595}, {6.900, 7.125}};
constexpr Nominal kTwoChannel[] = {{6.000, 7.150}};
constexpr double kPositionJitter = 0.01;

// Reference meniscus to sample meniscus (the reference sector is filled a
// little more), and air seen in both sectors above the reference meniscus.
constexpr double kMenisciApartLow = 0.02, kMenisciApartHigh = 0.05;
constexpr double kAirLow = 0.03, kAirHigh = 0.05;
// Meniscus spikes: the reference one down to about -1.8 OD, the sample one
// 1.2-1.6 OD; both a few thousandths of a cm wide (Gaussian SD).
constexpr double kReferenceSpikeLow = -1.8, kReferenceSpikeHigh = -1.1;
constexpr double kSampleSpikeLow = 1.2, kSampleSpikeHigh = 1.6;
constexpr double kSpikeWidth = 0.0025;
// The reference solvent reads slightly negative (buffer mismatch).
constexpr double kSolventLow = -0.05, kSolventHigh = 0.0;
constexpr double kAirLevel = 0.01;

// Column noise grows towards the top of a six-channel cell (less light
// reaches the inner sectors): up to twice the smoothest column's.
constexpr double kSixChannelNoise[] = {2.0, 1.4, 1.0};

// Outside the columns: rough window regions whose point noise is only 3-4
// times the neighbouring column's, at a level of 0-0.3 OD; shelves (window
// images, reference solvent seen through) 0.05-0.2 cm long at 0.2-0.5 OD,
// as smooth as a column or a little rougher.
constexpr double kRoughFactorLow = 3.0, kRoughFactorHigh = 4.0;
constexpr double kRoughLevelLow = 0.0, kRoughLevelHigh = 0.3;
constexpr double kShelfLow = 0.05, kShelfHigh = 0.2;
constexpr double kShelfLevelLow = 0.2, kShelfLevelHigh = 0.5;
constexpr double kShelfNoiseLow = 1.0, kShelfNoiseHigh = 1.5;
constexpr double kShortestRough = 0.015;  // cm, each side of a shelf

// Base shapes.  Dip: 0.12 -> 0.01 OD over 0.01-0.015 cm, a 1.5 OD spike,
// then a smooth shelf of 0.05-0.07 cm.  Steep fall: to -2.5 OD within
// 0.006 cm, held for 0.015 cm with 0.05 OD noise (no light left).  Spike
// then noise: a 1.6-2.3 OD spike followed by 0.025 cm of data with 0.15 OD
// noise around 0.2-0.8 OD, and there the scan ends.
constexpr double kDipFrom = 0.12, kDipTo = 0.01;
constexpr double kDipLow = 0.010, kDipHigh = 0.015;
constexpr double kDipSpike = 1.5;
constexpr double kDipShelfLow = 0.05, kDipShelfHigh = 0.07;
constexpr double kFallTo = -2.5, kFallLength = 0.006, kFallHeld = 0.015, kFallNoise = 0.05;
constexpr double kEndSpikeLow = 1.6, kEndSpikeHigh = 2.3;
constexpr double kEndNoise = 0.025, kEndNoiseSd = 0.15;
constexpr double kEndLevelLow = 0.2, kEndLevelHigh = 0.8;

// Loading per channel at 280 nm, OD (six-channel: a dilution series).
constexpr double kSixChannelLoading[] = {0.25, 0.35, 0.45};
constexpr double kTwoChannelLoading = 0.25;
constexpr double kLoadingJitter = 0.1;  // relative

// Real shapes (RealShapes), as measured on public runs.
// The dip after a sample meniscus: 0.03-0.17 OD deep, its centre
// 0.006-0.017 cm after the spike's peak, about as wide as the spike.
constexpr double kDipDepthLow = 0.03, kDipDepthHigh = 0.17;
constexpr double kDipAfterLow = 0.006, kDipAfterHigh = 0.017;
constexpr double kMeniscusDipWidth = 0.002;
// A dip goes no deeper than this share of its own spike's height (real
// dips lie within a third of it: the deepest, 0.17 OD, follow spikes of
// 0.5 OD and more).
constexpr double kDipMostShare = 0.3;
// Meniscus pairs: either close (0.012-0.023 cm) or wide (0.054-0.070 cm)
// apart; half the sample spikes weak (0.20-0.39 OD), the others up to 2 OD.
constexpr double kCloseApartLow = 0.012, kCloseApartHigh = 0.023;
constexpr double kWideApartLow = 0.054, kWideApartHigh = 0.070;
constexpr double kWeakSpikeLow = 0.20, kWeakSpikeHigh = 0.39;
constexpr double kStrongSpikeLow = 0.4, kStrongSpikeHigh = 2.0;
// A top channel scanned without its reference: no reference spike, and the
// air above its meniscus reads 0.10 OD.
constexpr double kHazyAir = 0.10;
// Replicate SDs of real six-channel columns, from the top: the top one's
// falls from 0.051 at its meniscus to 0.004 at its base (12 times, at most
// 1.4 times per 0.01 cm); the middle one reads 0.003, the bottom one 0.006.
constexpr ColumnSd kRealColumnSd[] = {{0.051, 0.004}, {0.003, 0.003}, {0.006, 0.006}};

// The scan begins this far above the first channel's air region and, after
// a base other than spike_then_noise, ends this far beyond the base's shape.
constexpr double kLeadIn = 0.03;
constexpr double kTrail = 0.03;

BaseShape base_of(const SeriesSetup &setup, size_t channel) {
    if (setup.bases.empty()) {
        if (setup.centerpiece == Centerpiece::two_channel) return BaseShape::spike_then_noise;
        constexpr BaseShape order[] = {BaseShape::dip_spike_shelf, BaseShape::steep_fall,
                                       BaseShape::spike_then_noise};
        return order[std::min<size_t>(channel, 2)];
    }
    return setup.bases[std::min(channel, setup.bases.size() - 1)];
}

class Builder {
  public:
    explicit Builder(Layout &l) : l_(l) {}
    double at() const { return at_; }
    void start(double r) { at_ = r; }
    void add(double length, SegmentKind kind, double level, double sd, int channel = -1,
             double level_end = 0.0) {
        if (!(length > 0.0)) return;
        l_.segments.push_back({at_, at_ + length, kind, level, level_end, sd, channel});
        at_ += length;
    }
    void until(double r, SegmentKind kind, double level, double sd, int channel = -1) {
        add(r - at_, kind, level, sd, channel);
    }

  private:
    Layout &l_;
    double at_ = 0.0;
};

}  // namespace

double wavelength_share(double wavelength_nm) {
    // A protein's absorbance: strong peptide absorbance at 230 nm, the
    // aromatic band at 280 nm, its shoulder minimum near 260 nm.
    if (std::fabs(wavelength_nm - 230.0) < 5.0) return 1.4;
    if (std::fabs(wavelength_nm - 260.0) < 5.0) return 0.6;
    return 1.0;
}

double sigma_at(double rpm) {
    // 0.5 cm^-2 at 10,000 rpm: a protein of some 50 kDa; it grows with the
    // square of the speed.
    constexpr double kSigmaAt10000 = 0.5;
    return kSigmaAt10000 * (rpm / 10000.0) * (rpm / 10000.0);
}

uint64_t stream_key(uint64_t seed, std::initializer_list<double> parts) {
    uint64_t key = seed * 0x9e3779b97f4a7c15ULL + 0x632be59bd9b4e019ULL;
    for (double p : parts) {
        uint64_t bits = 0;
        std::memcpy(&bits, &p, sizeof bits);
        key ^= bits + 0x9e3779b97f4a7c15ULL + (key << 6) + (key >> 2);
    }
    return key;
}

Layout make_layout(const SeriesSetup &setup) {
    Random rng(stream_key(setup.seed, {1.0, static_cast<double>(setup.cell),
                                       setup.centerpiece == Centerpiece::six_channel ? 6.0 : 2.0}));
    Layout l;
    const bool six = setup.centerpiece == Centerpiece::six_channel;
    const size_t n = six ? 3 : 1;
    const Nominal *nominal = six ? kSixChannel : kTwoChannel;

    // Channel positions first, then the regions between them.
    struct Placed {
        double top, reference, meniscus, base;
    };
    std::vector<Placed> placed;
    for (size_t i = 0; i < n; ++i) {
        Placed p{};
        p.meniscus = nominal[i].meniscus + between(rng, -kPositionJitter, kPositionJitter);
        p.base = nominal[i].base + between(rng, -kPositionJitter, kPositionJitter);
        p.reference = p.meniscus - between(rng, kMenisciApartLow, kMenisciApartHigh);
        p.top = p.reference - between(rng, kAirLow, kAirHigh);
        placed.push_back(p);
        const double noise = setup.noise_od * (six ? kSixChannelNoise[i] : 1.0);
        ChannelTruth truth;
        truth.reference_meniscus = setup.step_menisci ? p.meniscus : p.reference;
        truth.meniscus = p.meniscus;
        truth.base = p.base;
        truth.base_shape = base_of(setup, i);
        truth.noise_od = noise;
        l.channels.push_back(truth);
        const double loading = six ? kSixChannelLoading[i] : kTwoChannelLoading;
        l.loading_od.push_back(loading * (1.0 + between(rng, -kLoadingJitter, kLoadingJitter)));
    }

    // The real shapes draw from a stream of their own: without them the
    // layout is what it always was.
    const RealShapes &real = setup.real;
    Random extra(
        stream_key(setup.seed, {4.0, static_cast<double>(setup.cell),
                                setup.centerpiece == Centerpiece::six_channel ? 6.0 : 2.0}));
    struct Menisci {
        double reference_spike = 0.0;  // 0: none
        double sample_spike = 0.0;     // 0: as drawn above
        double air_level = kAirLevel;
        double dip_after = 0.0, dip_depth = 0.0;  // depth 0: no dip
    };
    std::vector<Menisci> menisci(n);
    for (size_t i = 0; i < n; ++i) {
        Menisci &m = menisci[i];
        m.reference_spike = 1.0;  // drawn below
        if (real.wide_weak_menisci) {
            const double apart = extra.uniform() < 0.5
                                     ? between(extra, kCloseApartLow, kCloseApartHigh)
                                     : between(extra, kWideApartLow, kWideApartHigh);
            placed[i].reference = placed[i].meniscus - apart;
            placed[i].top = placed[i].reference - between(extra, kAirLow, kAirHigh);
            m.sample_spike = extra.uniform() < 0.5
                                 ? between(extra, kWeakSpikeLow, kWeakSpikeHigh)
                                 : between(extra, kStrongSpikeLow, kStrongSpikeHigh);
            if (i == 0 && six) {
                m.reference_spike = 0.0;
                m.air_level = kHazyAir;
                placed[i].reference = placed[i].meniscus;
            }
            if (!setup.step_menisci) l.channels[i].reference_meniscus = placed[i].reference;
        }
        if (real.meniscus_dip) {
            m.dip_after = between(extra, kDipAfterLow, kDipAfterHigh);
            m.dip_depth = between(extra, kDipDepthLow, kDipDepthHigh);
            if (m.sample_spike > 0.0)
                m.dip_depth = std::min(m.dip_depth, kDipMostShare * m.sample_spike);
        }
        if (real.sd_gradient)
            l.column_sd.push_back(six ? kRealColumnSd[i] : kRealColumnSd[1]);
        else
            l.column_sd.push_back({});
        l.loading_od[i] *= setup.loading_factor;
    }

    Builder b(l);
    l.scan_start = placed[0].top - kLeadIn;
    b.start(l.scan_start);
    b.until(placed[0].top, SegmentKind::rough, between(rng, kRoughLevelLow, kRoughLevelHigh),
            l.channels[0].noise_od * between(rng, kRoughFactorLow, kRoughFactorHigh));
    for (size_t i = 0; i < n; ++i) {
        const Placed &p = placed[i];
        const double noise = l.channels[i].noise_od;
        // The draws happen either way, so that the rest of the layout is the
        // same with and without spikes.
        const double reference_spike = between(rng, kReferenceSpikeLow, kReferenceSpikeHigh);
        const double solvent = between(rng, kSolventLow, kSolventHigh);
        const double sample_spike = between(rng, kSampleSpikeLow, kSampleSpikeHigh);
        const Menisci &m = menisci[i];
        if (setup.step_menisci) {
            b.until(p.meniscus, SegmentKind::flat, kAirLevel, noise);
        } else {
            b.until(p.reference, SegmentKind::flat, m.air_level, noise);
            if (m.reference_spike != 0.0)
                l.spikes.push_back({p.reference, reference_spike, kSpikeWidth});
            b.until(p.meniscus, SegmentKind::flat, solvent, noise);
            l.spikes.push_back(
                {p.meniscus, m.sample_spike > 0.0 ? m.sample_spike : sample_spike, kSpikeWidth});
            if (m.dip_depth > 0.0)
                l.spikes.push_back(
                    {p.meniscus + m.dip_after, -m.dip_depth, kMeniscusDipWidth, true});
        }
        b.until(p.base, SegmentKind::column, 0.0, noise, static_cast<int>(i));

        bool ends_scan = false;
        switch (l.channels[i].base_shape) {
            case BaseShape::dip_spike_shelf: {
                const double dip = between(rng, kDipLow, kDipHigh);
                b.add(dip, SegmentKind::ramp, kDipFrom, noise, -1, kDipTo);
                l.spikes.push_back({b.at(), kDipSpike, kSpikeWidth});
                b.add(between(rng, kDipShelfLow, kDipShelfHigh), SegmentKind::flat,
                      between(rng, kShelfLevelLow, kShelfLevelHigh), noise);
                break;
            }
            case BaseShape::steep_fall:
                b.add(kFallLength, SegmentKind::ramp, 0.5, kFallNoise, -1, kFallTo);
                b.add(kFallHeld, SegmentKind::flat, kFallTo, kFallNoise);
                break;
            case BaseShape::spike_then_noise:
                l.spikes.push_back(
                    {b.at(), between(rng, kEndSpikeLow, kEndSpikeHigh), kSpikeWidth});
                b.add(kEndNoise, SegmentKind::rough, between(rng, kEndLevelLow, kEndLevelHigh),
                      kEndNoiseSd);
                ends_scan = true;
                break;
        }
        if (ends_scan) break;
        if (i + 1 == n) {
            b.add(kTrail, SegmentKind::rough, between(rng, kRoughLevelLow, kRoughLevelHigh),
                  noise * between(rng, kRoughFactorLow, kRoughFactorHigh));
            break;
        }
        // Between this base and the next channel's air: rough, a shelf,
        // rough; the shelf shortened where the centerpiece leaves no room.
        const double room = placed[i + 1].top - b.at();
        const double shelf =
            std::min(between(rng, kShelfLow, kShelfHigh), room - 2.0 * kShortestRough);
        const double next_noise = l.channels[i + 1].noise_od;
        const double rough_sd = std::max(noise, next_noise);
        const double first = (room - std::max(shelf, 0.0)) * between(rng, 0.3, 0.7);
        b.add(first, SegmentKind::rough, between(rng, kRoughLevelLow, kRoughLevelHigh),
              rough_sd * between(rng, kRoughFactorLow, kRoughFactorHigh));
        if (shelf > 0.0)
            b.add(shelf, SegmentKind::flat, between(rng, kShelfLevelLow, kShelfLevelHigh),
                  next_noise * between(rng, kShelfNoiseLow, kShelfNoiseHigh));
        b.until(placed[i + 1].top, SegmentKind::rough,
                between(rng, kRoughLevelLow, kRoughLevelHigh),
                rough_sd * between(rng, kRoughFactorLow, kRoughFactorHigh));
    }
    l.scan_end = b.at();
    return l;
}

}  // namespace quillane::sim
