// SPDX-License-Identifier: MIT
// A series' scans: the model's concentration in each column at the scan's
// time, seen through the cell's layout with noise, spikes and drift.
#include <algorithm>
#include <cmath>

#include "../example_random.h"
#include "cell_layout.h"
#include "instrument_sim.h"

namespace quillane::sim {
namespace {

using examples::Random;

// Replicate SDs as the instrument reports them: 0.003-0.006 OD where the
// light passes the solution, 0.02-0.1 OD elsewhere (air, windows, menisci,
// beyond the base).
constexpr double kColumnSdLow = 0.003, kColumnSdHigh = 0.006;
constexpr double kOutsideSdLow = 0.02, kOutsideSdHigh = 0.1;
// Spike heights vary from scan to scan by this share.
constexpr double kSpikeJitter = 0.15;
// A spike reaches this many of its SDs (Gaussian): beyond, it adds nothing.
constexpr double kSpikeReach = 4.0;
// A meniscus dip's depth varies more from scan to scan than a spike's
// height: half to 1.2 times the channel's, so that it clears a spike test
// in some scans and not in others, as on real runs.
constexpr double kDipScanLow = 0.5, kDipScanHigh = 1.2;
// Scale jitter is cut here (the largest real runs show is 13 %).
constexpr double kMostScale = 0.13;
// The measured scale jitter (SD of the factor, a fraction) per wavelength:
// 2.7-6.1 % at 280 nm (and at 230 nm, taken alike), 0.3-1 % at 260 nm.
constexpr double kJitter280Low = 0.027, kJitter280High = 0.061;
constexpr double kJitter260Low = 0.003, kJitter260High = 0.010;
// A replicate SD inside a column with its own model (ColumnSd) varies from
// point to point by this share either way.
constexpr double kSdSpread = 0.25;
// Per-radius truth every this many cm along a column.
constexpr double kTruthStep = 0.01;
// The baseline every scan of a series has (a blank that is not quite zero).
constexpr double kBaselineOd = 0.005;

double xi(double r) {
    return r * r / 2.0;
}

// c_eq at xi for a channel of loading L (OD at 280 nm) between xi_m and
// xi_b: the amount loaded is kept, A (exp(s span) - 1) / s = L span.
double equilibrium(double loading, double s, double xi_m, double xi_b, double x) {
    const double span = xi_b - xi_m;
    if (s * span < 1e-9) return loading;
    return loading * s * span / std::expm1(s * span) * std::exp(s * (x - xi_m));
}

struct ColumnModel {
    double loading, xi_m, xi_b, sigma_now, sigma_before;
    double eq(double x) const { return equilibrium(loading, sigma_now, xi_m, xi_b, x); }
    double start(double x) const {
        return sigma_before > 0.0 ? equilibrium(loading, sigma_before, xi_m, xi_b, x) : loading;
    }
};

ColumnModel column_model(const SeriesSetup &setup, const Layout &l, size_t channel) {
    const ChannelTruth &c = l.channels[channel];
    return {l.loading_od[channel], xi(c.meniscus), xi(c.base), sigma_at(setup.rpm),
            setup.previous_rpm > 0.0 ? sigma_at(setup.previous_rpm) : 0.0};
}

// OD as the file shows it, without noise: c(r, t) times the wavelength's share.
double column_value(const SeriesSetup &setup, const ColumnModel &m, double r, double t_h) {
    const double x = xi(r);
    const double elapsed = std::max(0.0, t_h - setup.speed_start_h);
    const double c = m.eq(x) + (m.start(x) - m.eq(x)) * std::exp(-elapsed / setup.tau_h);
    return wavelength_share(setup.wavelength_nm) * c;
}

double drift_at(const std::vector<double> &v, size_t k) {
    return k < v.size() ? v[k] : 0.0;
}

void fill_truth(const SeriesSetup &setup, const Layout &l, double tolerance, SeriesTruth &truth) {
    truth.tolerance_od = tolerance > 0.0 ? tolerance : setup.noise_od;
    truth.tau_h = setup.tau_h;
    truth.channels = l.channels;
    truth.t_eq_h = setup.speed_start_h;
    const double share = wavelength_share(setup.wavelength_nm);
    for (size_t i = 0; i < truth.channels.size(); ++i) {
        ChannelTruth &c = truth.channels[i];
        const ColumnModel m = column_model(setup, l, i);
        c.t_eq_h = setup.speed_start_h;
        const int steps = static_cast<int>(std::floor((c.base - c.meniscus) / kTruthStep));
        for (int k = 0; k <= steps; ++k) {
            const double r = std::min(c.base, c.meniscus + k * kTruthStep);
            const double a = share * std::fabs(m.start(xi(r)) - m.eq(xi(r)));
            const double t =
                a > truth.tolerance_od
                    ? setup.speed_start_h + setup.tau_h * std::log(a / truth.tolerance_od)
                    : setup.speed_start_h;
            c.radii.push_back(r);
            c.t_eq_h_at.push_back(t);
            c.t_eq_h = std::max(c.t_eq_h, t);
        }
        truth.t_eq_h = std::max(truth.t_eq_h, c.t_eq_h);
    }
}

const Segment *segment_at(const Layout &l, double r) {
    auto it = std::upper_bound(l.segments.begin(), l.segments.end(), r,
                               [](double v, const Segment &s) { return v < s.to; });
    return it == l.segments.end() ? nullptr : &*it;
}

// Noise (and replicate SD) grows with the absorbance A as 10^(A/2) where
// the real shape asks for it: the light left falls as 10^-A, and the
// photometric noise of an absorbance grows as the root of its inverse.
double absorbance_noise_factor(const SeriesSetup &setup, double value) {
    if (!setup.real.noise_with_absorbance || !(value > 0.0)) return 1.0;
    return std::pow(10.0, value / 2.0);
}

// The replicate SD of a column point at r under the channel's own model.
double column_sd_at(const ColumnSd &m, const ChannelTruth &c, double r, Random &rng) {
    const double u = std::clamp((r - c.meniscus) / (c.base - c.meniscus), 0.0, 1.0);
    const double sd = m.at_meniscus * std::pow(m.at_base / m.at_meniscus, u);
    return sd * (1.0 + kSdSpread * (2.0 * rng.uniform() - 1.0));
}

}  // namespace

double measured_scale_jitter(double wavelength_nm, uint64_t seed, int cell, double rpm) {
    Random rng(stream_key(seed, {6.0, static_cast<double>(cell), rpm, wavelength_nm}));
    const bool at_260 = std::fabs(wavelength_nm - 260.0) < 5.0;
    const double low = at_260 ? kJitter260Low : kJitter280Low;
    const double high = at_260 ? kJitter260High : kJitter280High;
    return low + (high - low) * rng.uniform();
}

SeriesTruth series_truth(const SeriesSetup &setup, double tolerance_od) {
    SeriesTruth truth;
    fill_truth(setup, make_layout(setup), tolerance_od, truth);
    return truth;
}

double model_value(const SeriesSetup &setup, int channel, double r, double t_h) {
    const Layout l = make_layout(setup);
    if (channel < 0 || channel >= static_cast<int>(l.channels.size())) return 0.0;
    const ChannelTruth &c = l.channels[static_cast<size_t>(channel)];
    if (r < c.meniscus || r > c.base) return 0.0;
    return column_value(setup, column_model(setup, l, static_cast<size_t>(channel)), r, t_h);
}

Series simulate_series(const SeriesSetup &setup, double tolerance_od) {
    const Layout l = make_layout(setup);
    Series series;
    fill_truth(setup, l, tolerance_od, series.truth);
    std::vector<ColumnModel> models;
    for (size_t i = 0; i < l.channels.size(); ++i)
        models.push_back(column_model(setup, l, i));
    const double omega = setup.rpm * M_PI / 30.0;
    const double min_step = std::max(1e-4, setup.min_step_cm);
    const double max_step = std::max(min_step, setup.max_step_cm);

    for (int k = 0; k < setup.scans; ++k) {
        const auto kk = static_cast<size_t>(k);
        Random rng(stream_key(setup.seed, {2.0, static_cast<double>(setup.cell), setup.rpm,
                                           setup.wavelength_nm, static_cast<double>(k)}));
        Scan scan;
        scan.cell = setup.cell;
        scan.rpm = setup.rpm;
        scan.wavelength_nm = setup.wavelength_nm;
        scan.scan_number = k + 1;
        scan.has_sd = setup.replicate_sd;
        const double t_h = setup.speed_start_h + setup.start_h + k * setup.interval_h +
                           setup.time_offset_s / 3600.0;
        scan.time_s = t_h * 3600.0;
        scan.omega2t =
            setup.omega2t_at_speed_start + omega * omega * (t_h - setup.speed_start_h) * 3600.0;
        scan.description = "Simulated cell " + std::to_string(setup.cell) + ", " +
                           (setup.centerpiece == Centerpiece::six_channel ? "six" : "two") +
                           "-channel, " + std::to_string(static_cast<int>(setup.rpm)) + " rpm, " +
                           std::to_string(static_cast<int>(setup.wavelength_nm)) + " nm, scan " +
                           std::to_string(k + 1);
        // Lamp and position jitter from a stream of their own.
        Random jitter(stream_key(setup.seed, {5.0, static_cast<double>(setup.cell), setup.rpm,
                                              setup.wavelength_nm, static_cast<double>(k)}));
        const double scale =
            1.0 + std::clamp(setup.real.scale_jitter * jitter.normal(), -kMostScale, kMostScale);
        const double baseline = kBaselineOd + drift_at(setup.drift.baseline_od, kk);
        const double shift = drift_at(setup.drift.radial_shift_cm, kk) +
                             setup.real.radial_jitter_cm * jitter.normal();
        std::vector<double> heights;
        for (const Spike &s : l.spikes) {
            const double u = rng.uniform();
            heights.push_back(s.dip ? s.height * (kDipScanLow + (kDipScanHigh - kDipScanLow) * u)
                                    : s.height * (1.0 + kSpikeJitter * (2.0 * u - 1.0)));
        }

        // Uneven spacing: mostly near the finest step, now and then up to
        // the coarsest (u^3 puts the mean at a quarter of the range).
        for (double r = l.scan_start + shift + min_step * rng.uniform(); r < l.scan_end + shift;) {
            const double at = r - shift;  // where in the cell this point looks
            const Segment *seg = segment_at(l, at);
            Point p;
            p.r = r;
            double v = 0.0;
            double noise_factor = 1.0;
            bool inside = false;
            if (seg) {
                switch (seg->kind) {
                    case SegmentKind::flat:
                    case SegmentKind::rough:
                        v = seg->level;
                        break;
                    case SegmentKind::ramp:
                        v = seg->level + (seg->level_end - seg->level) * (at - seg->from) /
                                             (seg->to - seg->from);
                        break;
                    case SegmentKind::column:
                        v = column_value(setup, models[static_cast<size_t>(seg->channel)], at, t_h);
                        inside = true;
                        break;
                }
                noise_factor = absorbance_noise_factor(setup, v);
                v = scale * v + seg->sd * noise_factor * rng.normal();
            }
            for (size_t i = 0; i < l.spikes.size(); ++i) {
                const double z = (at - l.spikes[i].at) / l.spikes[i].half_width;
                if (std::fabs(z) < kSpikeReach) {
                    v += scale * heights[i] * std::exp(-0.5 * z * z);
                    if (std::fabs(z) < 2.0) inside = false;
                }
            }
            p.value = v + baseline;
            const ColumnSd *own =
                inside && seg && !l.column_sd.empty() &&
                        l.column_sd[static_cast<size_t>(seg->channel)].at_base > 0.0
                    ? &l.column_sd[static_cast<size_t>(seg->channel)]
                    : nullptr;
            p.sd = own ? column_sd_at(*own, l.channels[static_cast<size_t>(seg->channel)], at, rng)
                   : inside ? kColumnSdLow + (kColumnSdHigh - kColumnSdLow) * rng.uniform()
                            : kOutsideSdLow + (kOutsideSdHigh - kOutsideSdLow) * rng.uniform();
            p.sd *= noise_factor;
            scan.points.push_back(p);
            const double u = rng.uniform();
            r += min_step + (max_step - min_step) * u * u * u;
        }
        series.scans.push_back(std::move(scan));
    }
    return series;
}

}  // namespace quillane::sim
