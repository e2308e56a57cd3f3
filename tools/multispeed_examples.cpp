// SPDX-License-Identifier: MIT
// The multi-speed example run: a six-channel equilibrium cell taken through
// three rotor speeds, scanned at two wavelengths in turn (see the header).
//
// In each channel the concentration approaches the equilibrium profile of
// the speed in force, c_eq(xi) = A exp(sigma (xi - xi_m)) with sigma growing
// with the square of the speed, from the profile the last speed left:
// c(xi, t) = c_eq(xi) + (c_start(xi) - c_eq(xi)) e^(-(t - t_start)/tau),
// starting from the uniform loading.  Every profile holds the loaded
// amount.  A scan sees, along the radius, per channel pair: air in both
// sectors, the reference meniscus (a negative spike), the reference solvent
// (slightly negative), the sample meniscus (a positive spike), the solution
// and, beyond the base, blocked light; between the pairs, window regions of
// blocked light.
#include "multispeed_examples.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "example_random.h"

namespace examples {
namespace {

constexpr double kSpikeHalfWidth = 0.004;  // cm
constexpr double kStart = 5.80;            // cm: first point, about
constexpr double kEnd = 7.20;              // cm
constexpr double kNoise = 0.005;           // OD
constexpr double kBaseline = 0.005;        // OD

double xi(double r) {
    return r * r / 2.0;
}

double sigma_at(double rpm) {
    return kSigmaAt10000 * (rpm / 10000.0) * (rpm / 10000.0);
}

double equilibrium(const ChannelPair &c, double rpm, double x) {
    const double span = xi(c.base) - xi(c.meniscus);
    const double s = sigma_at(rpm);
    const double a = c.loading * s * span / (std::exp(s * span) - 1.0);
    return a * std::exp(s * (x - xi(c.meniscus)));
}

// OD at 280 nm at position xi and time t (s).
double concentration(const ChannelPair &c, double x, double t) {
    double start = c.loading;  // the profile as the current speed began
    for (size_t s = 0; s < kSpeeds.size(); ++s) {
        const SpeedStep &step = kSpeeds[s];
        const double eq = equilibrium(c, step.rpm, x);
        const double end_h = s + 1 < kSpeeds.size() ? kSpeeds[s + 1].start_h : HUGE_VAL;
        const double until = std::min(t, end_h * 3600.0);
        const double now =
            eq + (start - eq) * std::exp(-(until - step.start_h * 3600.0) / (step.tau_h * 3600.0));
        if (t <= end_h * 3600.0) return now;
        start = now;
    }
    return start;
}

// The integral of omega^2 dt up to t, rad^2/s.
double omega2t(double t) {
    double sum = 0.0;
    for (size_t s = 0; s < kSpeeds.size(); ++s) {
        const double from = kSpeeds[s].start_h * 3600.0;
        const double to = s + 1 < kSpeeds.size() ? kSpeeds[s + 1].start_h * 3600.0 : HUGE_VAL;
        if (t <= from) break;
        const double omega = kSpeeds[s].rpm * M_PI / 30.0;
        sum += omega * omega * (std::min(t, to) - from);
    }
    return sum;
}

double signal(double r, double t, double share, Random &rng) {
    const ChannelPair *in = nullptr;
    for (const ChannelPair &c : kChannels)
        if (r >= c.top) in = &c;
    const double blocked = 1.2 + 2.0 * rng.uniform();
    if (in == nullptr || r >= in->base) return blocked;
    if (std::fabs(r - in->reference) <= kSpikeHalfWidth) return -0.6 + 0.2 * rng.normal();
    if (r < in->reference) return kBaseline + 0.004 * rng.normal();  // air in both sectors
    if (std::fabs(r - in->meniscus) <= kSpikeHalfWidth) return 0.9 + 0.3 * rng.normal();
    if (r < in->meniscus) return -0.04 * share + 0.004 * rng.normal();  // reference solvent
    return share * concentration(*in, xi(r), t) + kBaseline + kNoise * rng.normal();
}

bool write_scan(const std::string &path, int number, const SpeedStep &step, int scan,
                double wavelength, double share, double t, Random &rng) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "Example cell %d, six-channel, %.0f rpm, %.0f nm, scan %d\r\n", kCell, step.rpm,
                 wavelength, number);
    std::fprintf(f, "R %d 20.0 %.0f %07.0f %.4E %.0f %d\r\n", kCell, step.rpm, t, omega2t(t),
                 wavelength, scan);
    const double start = kStart + 0.0015 * rng.uniform();
    const double spacing = 0.003 + 0.0001 * (rng.uniform() - 0.5);
    for (double r = start; r < kEnd; r += spacing)
        std::fprintf(f, "%.4f %.4f\r\n", r, signal(r, t, share, rng));
    return std::fclose(f) == 0;
}

}  // namespace

bool write_multispeed_run(const std::string &folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return false;
    Random rng(20270314);
    int number = 0;
    for (const SpeedStep &step : kSpeeds) {
        for (int k = 1; k <= kScansPerSeries; ++k) {
            const double t = (step.start_h + kFirstScanH + (k - 1) * kScanEveryH) * 3600.0;
            // The instrument writes the first wavelength as 280 or 281.
            const double written = k % 2 == 0 ? kWavelength + 1.0 : kWavelength;
            char name[32];
            std::snprintf(name, sizeof name, "/%05d.RA2", ++number);
            if (!write_scan(folder + name, number, step, k, written, 1.0, t, rng)) return false;
            std::snprintf(name, sizeof name, "/%05d.RA2", ++number);
            if (!write_scan(folder + name, number, step, k, kSecondWavelength,
                            kSecondWavelengthShare, t + kSecondWavelengthAfterS, rng))
                return false;
        }
    }
    return true;
}

}  // namespace examples
