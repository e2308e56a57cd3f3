// SPDX-License-Identifier: MIT
// Sedimentation velocity series as the interference optics writes them, with their truth.
//
// Along the radius each scan shows: air seen through both sectors, the
// reference meniscus (a spike), a stretch where the reference sector holds
// solvent and the sample sector air (the fringes are lost: rough data), the
// sample meniscus (a spike), the solution column with its boundary, and past
// the base either a short wild stretch or the end of the data.  Every
// constant and its reason is beside it; the model of the column is in
// instrument_sim.h.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>

#include "../example_random.h"
#include "cell_layout.h"
#include "instrument_sim.h"

namespace quillane::sim {
namespace {

using examples::Random;

double between(Random &rng, double low, double high) {
    return low + (high - low) * rng.uniform();
}

// The camera sees the cell in pixels about 0.001 cm apart, the same radii in
// every scan (an absorbance scan's steps vary; these do not).
constexpr double kStepCm = 0.001;
// Air seen through both sectors above the reference meniscus.
constexpr double kAirLow = 0.04, kAirHigh = 0.08;
// The reference sector is filled about 10 ul more: its meniscus lies
// 0.02-0.05 cm above the sample's.
constexpr double kReferenceAheadLow = 0.02, kReferenceAheadHigh = 0.05;
// Where one sector holds liquid and the other air the refractive index
// jumps by far more than the optics can count: the fringes are lost.  Such
// stretches read as a random level within a fringe with 0.3 fringes of
// point noise.
constexpr double kLostLevel = 1.0, kLostNoise = 0.3;
// Menisci bend the light away: a spike of 0.5-2 (reference) or 1-3 fringes
// (sample), of either sign, a few pixels wide (Gaussian SD), whose height
// varies from scan to scan by kSpikeJitter.
constexpr double kReferenceSpikeLow = 0.5, kReferenceSpikeHigh = 2.0;
constexpr double kSampleSpikeLow = 1.0, kSampleSpikeHigh = 3.0;
constexpr double kSpikeWidthCm = 0.003;
constexpr double kSpikeJitter = 0.2;
constexpr double kSpikeReach = 4.0;  // SDs beyond which a spike adds nothing
// Past the base the packed pellet and the cell's end scatter the light: the
// count wanders by 0.3 fringes a pixel for 0.02-0.04 cm before the data end.
constexpr double kWildLow = 0.02, kWildHigh = 0.04;
constexpr double kWildStep = 0.3;
// Window and lens imperfections give the same pattern in every scan
// (time-invariant noise): three waves of 0.05-0.3 cm and 0.003-0.008 fringes,
// together about 0.008 fringes RMS, comparable to the point noise.
constexpr int kPatternWaves = 3;
constexpr double kPatternPeriodLow = 0.05, kPatternPeriodHigh = 0.3;
constexpr double kPatternLow = 0.003, kPatternHigh = 0.008;
// The interference optics' laser, as the time line gives it.
constexpr double kWavelengthNm = 675.0;
// The truth's half-height is found to this radius.
constexpr double kHalfHeightTolerance = 1e-7;

double omega_of(const VelocitySetup &setup) {
    return setup.rpm * M_PI / 30.0;
}

// omega^2 t at clock time t (s after the rotor started): omega rises
// linearly over accel_s, which accumulates a third of what full speed does.
double omega2t_at(const VelocitySetup &setup, double t) {
    const double w2 = omega_of(setup) * omega_of(setup);
    const double a = std::max(0.0, setup.accel_s);
    if (t < a) return w2 * t * t * t / (3.0 * a * a);
    return w2 * (t - 2.0 * a / 3.0);
}

struct Wave {
    double period, amplitude, phase;
};

struct MeniscusSpike {
    double at, height;
};

struct VelocityLayout {
    double scan_start, reference, meniscus, base, scan_end;
    MeniscusSpike reference_spike, sample_spike;
    double lost_level;
    std::vector<Wave> pattern;
};

VelocityLayout velocity_layout(const VelocitySetup &setup) {
    Random rng(stream_key(setup.seed, {4.0, static_cast<double>(setup.cell), setup.rpm}));
    VelocityLayout l{};
    l.meniscus = setup.meniscus_cm;
    l.base = setup.base_cm;
    l.reference = l.meniscus - between(rng, kReferenceAheadLow, kReferenceAheadHigh);
    l.scan_start = l.reference - between(rng, kAirLow, kAirHigh);
    const double wild = between(rng, kWildLow, kWildHigh);
    l.scan_end = setup.wild_beyond_base ? l.base + wild : l.base;
    auto sign = [&] { return rng.uniform() < 0.5 ? -1.0 : 1.0; };
    l.reference_spike = {l.reference,
                         sign() * between(rng, kReferenceSpikeLow, kReferenceSpikeHigh)};
    l.sample_spike = {l.meniscus, sign() * between(rng, kSampleSpikeLow, kSampleSpikeHigh)};
    l.lost_level = between(rng, -kLostLevel, kLostLevel);
    for (int i = 0; i < kPatternWaves; ++i)
        l.pattern.push_back({between(rng, kPatternPeriodLow, kPatternPeriodHigh),
                             between(rng, kPatternLow, kPatternHigh),
                             between(rng, 0.0, 2.0 * M_PI)});
    return l;
}

double pattern_at(const VelocityLayout &l, double r) {
    double v = 0.0;
    for (const Wave &w : l.pattern)
        v += w.amplitude * std::sin(2.0 * M_PI * r / w.period + w.phase);
    return v;
}

// The model's terms at omega^2 t.
struct Moment {
    double boundary, plateau, width;
};

Moment moment_at(const VelocitySetup &setup, double omega2t) {
    const double s = setup.s_svedberg * 1e-13;
    const double w2 = omega_of(setup) * omega_of(setup);
    const double at_speed = w2 > 0.0 ? omega2t / w2 : 0.0;
    return {setup.meniscus_cm * std::exp(s * omega2t),
            setup.plateau_fringes * std::exp(-2.0 * s * omega2t),
            2.0 * std::sqrt(std::max(0.0, setup.d_cm2_per_s * at_speed))};
}

double profile(const VelocitySetup &setup, const Moment &m, double r) {
    if (r < setup.meniscus_cm || r > setup.base_cm) return 0.0;
    if (!(m.width > 0.0)) return m.plateau;
    const double rm = setup.meniscus_cm;
    return 0.5 * m.plateau *
           (std::erf((r - m.boundary) / m.width) - std::erf((2.0 * rm - m.boundary - r) / m.width));
}

double half_height(const VelocitySetup &setup, const Moment &m) {
    const double half = 0.5 * m.plateau;
    double lo = setup.meniscus_cm, hi = setup.base_cm;
    if (profile(setup, m, hi) < half) return std::numeric_limits<double>::quiet_NaN();
    while (hi - lo > kHalfHeightTolerance) {
        const double mid = 0.5 * (lo + hi);
        (profile(setup, m, mid) < half ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace

double velocity_model_value(const VelocitySetup &setup, double r, double omega2t) {
    return profile(setup, moment_at(setup, omega2t), r);
}

VelocitySeries simulate_velocity_series(const VelocitySetup &setup) {
    const VelocityLayout l = velocity_layout(setup);
    VelocitySeries series;
    series.truth.reference_meniscus_cm = l.reference;
    series.truth.meniscus_cm = l.meniscus;
    series.truth.base_cm = l.base;
    const int points = static_cast<int>(std::floor((l.scan_end - l.scan_start) / kStepCm)) + 1;
    for (int k = 0; k < setup.scans; ++k) {
        Random rng(stream_key(
            setup.seed, {5.0, static_cast<double>(setup.cell), setup.rpm, static_cast<double>(k)}));
        VelocityScanTruth truth;
        truth.time_s = setup.start_s + k * setup.interval_s;
        truth.omega2t = omega2t_at(setup, truth.time_s);
        const Moment m = moment_at(setup, truth.omega2t);
        truth.boundary_cm = m.boundary;
        truth.half_height_cm = half_height(setup, m);
        truth.plateau_fringes = m.plateau;
        truth.width_cm = m.width;
        truth.offset_fringes = between(rng, -setup.offset_fringes, setup.offset_fringes);

        Scan scan;
        scan.cell = setup.cell;
        scan.rpm = setup.rpm;
        scan.wavelength_nm = kWavelengthNm;
        scan.time_s = truth.time_s;
        scan.omega2t = truth.omega2t;
        scan.scan_number = k + 1;
        scan.has_sd = false;
        scan.interference = true;
        scan.description =
            "Simulated cell " + std::to_string(setup.cell) + ", velocity, interference, " +
            std::to_string(static_cast<int>(setup.rpm)) + " rpm, scan " + std::to_string(k + 1);
        const MeniscusSpike spikes[] = {
            {l.reference_spike.at,
             l.reference_spike.height * (1.0 + kSpikeJitter * (2.0 * rng.uniform() - 1.0))},
            {l.sample_spike.at,
             l.sample_spike.height * (1.0 + kSpikeJitter * (2.0 * rng.uniform() - 1.0))}};
        double wander = 0.0;
        for (int i = 0; i < points; ++i) {
            const double r = l.scan_start + i * kStepCm;
            double v = truth.offset_fringes;
            if (r < l.reference) {
                v += pattern_at(l, r) + setup.noise_fringes * rng.normal();
            } else if (r < l.meniscus) {
                v += l.lost_level + kLostNoise * rng.normal();
            } else if (r <= l.base) {
                v += profile(setup, m, r) + pattern_at(l, r) + setup.noise_fringes * rng.normal();
            } else {
                wander += kWildStep * rng.normal();
                v += m.plateau + wander;
            }
            for (const MeniscusSpike &s : spikes) {
                const double z = (r - s.at) / kSpikeWidthCm;
                if (std::fabs(z) < kSpikeReach) v += s.height * std::exp(-0.5 * z * z);
            }
            scan.points.push_back({r, v, 0.0});
        }
        series.scans.push_back(std::move(scan));
        series.truth.scans.push_back(truth);
    }
    return series;
}

bool write_velocity_series(const std::filesystem::path &folder, const VelocitySeries &series,
                           std::string &error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }
    for (size_t k = 0; k < series.scans.size(); ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "%05zu.IP%d", k + 1, series.scans[k].cell);
        if (!write_scan(folder / name, series.scans[k], error)) return false;
    }
    return true;
}

std::string velocity_truth_json(const VelocitySetup &setup, const VelocityTruth &truth) {
    nlohmann::ordered_json j;
    j["model"] =
        "c(r) = c_p (erf((r - r_b)/w) - erf((2 r_m - r_b - r)/w)) / 2, r_b = r_m exp(s omega2t), "
        "c_p = c_0 exp(-2 s omega2t), w = 2 sqrt(D omega2t / omega^2)";
    j["cell"] = setup.cell;
    j["rpm"] = setup.rpm;
    j["s_svedberg"] = setup.s_svedberg;
    j["d_cm2_per_s"] = setup.d_cm2_per_s;
    j["plateau_fringes"] = setup.plateau_fringes;
    j["noise_fringes"] = setup.noise_fringes;
    j["reference_meniscus_cm"] = truth.reference_meniscus_cm;
    j["meniscus_cm"] = truth.meniscus_cm;
    j["base_cm"] = truth.base_cm;
    nlohmann::ordered_json scans = nlohmann::ordered_json::array();
    for (const VelocityScanTruth &t : truth.scans) {
        nlohmann::ordered_json e;
        e["time_s"] = t.time_s;
        e["omega2t"] = t.omega2t;
        e["boundary_cm"] = t.boundary_cm;
        // JSON has no NaN: null once the boundary has left the column.
        if (std::isfinite(t.half_height_cm))
            e["half_height_cm"] = t.half_height_cm;
        else
            e["half_height_cm"] = nullptr;
        e["plateau_fringes"] = t.plateau_fringes;
        e["width_cm"] = t.width_cm;
        e["offset_fringes"] = t.offset_fringes;
        scans.push_back(std::move(e));
    }
    j["scans"] = std::move(scans);
    return j.dump(2) + "\n";
}

}  // namespace quillane::sim
