// SPDX-License-Identifier: MIT
// Writes the example scan files under examples/: one sample cell approaching
// sedimentation equilibrium, scanned by absorbance (.RA1) and by interference
// (.IP1).
//
// The concentration follows c(xi, t) = c_eq(xi) + (c0 - c_eq(xi)) e^(-t/tau)
// with the equilibrium profile c_eq(xi) = A exp(sigma (xi - xi_m)), normalised
// so that the cell holds the same amount of material as the uniform loading
// c0.  Every scan has its own radial grid (start and spacing differ a little),
// noise, a meniscus spike and the region beyond the base.  The random numbers
// come from a fixed seed and a hand-written generator, so the files are the
// same on every machine.
//
// It also writes, into the subfolder multispeed/, a run as equilibrium runs
// are done: six-channel cell, three rotor speeds, two wavelengths scanned in
// turn (multispeed_examples.cpp).
//
// usage: make_examples OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "example_random.h"
#include "multispeed_examples.h"

namespace {

using examples::Random;

struct Cell {
    double meniscus = 5.95;     // cm
    double base = 7.15;         // cm
    double c0 = 0.5;            // loading concentration, OD at the scan wavelength
    double sigma = 0.4;         // cm^-2: reduced buoyant molar mass M(1 - v rho) w^2 / (R T)
    double tau = 4.0 * 3600.0;  // s: time constant of the approach to equilibrium

    double xi_m() const { return meniscus * meniscus / 2.0; }
    double xi_b() const { return base * base / 2.0; }
    double equilibrium(double xi) const {
        const double span = xi_b() - xi_m();
        const double a = c0 * sigma * span / (std::exp(sigma * span) - 1.0);
        return a * std::exp(sigma * (xi - xi_m()));
    }
    double concentration(double r, double t) const {
        const double xi = r * r / 2.0;
        const double ceq = equilibrium(xi);
        return ceq + (c0 - ceq) * std::exp(-t / tau);
    }
};

bool write_absorbance_scan(const std::string &path, const Cell &cell, int scan, double t,
                           Random &rng) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "Example cell 1, 280 nm, equilibrium run, scan %d\r\n", scan);
    std::fprintf(f, "R 1 20.0 12000 %5.0f %.5E 280 1\r\n", t,
                 t * std::pow(12000.0 * M_PI / 30.0, 2));
    const double start = 5.85 + 0.002 * rng.uniform();
    const double step = 0.003 + 0.0001 * (rng.uniform() - 0.5);
    for (double r = start; r < 7.25; r += step) {
        double value;
        double err = 0.004 + 0.002 * rng.uniform();
        if (r < cell.meniscus - 0.01) {
            value = 0.01 * rng.normal();  // air above the sample
        } else if (r < cell.meniscus + 0.01) {
            value = 1.2 + 0.3 * rng.normal();  // the meniscus spike
        } else if (r > cell.base) {
            value = 3.0 + 0.3 * rng.uniform();  // beyond the base the detector saturates
            err = 0.0;
        } else {
            value = cell.concentration(r, t) + 0.005 * rng.normal();
        }
        std::fprintf(f, "%.4f  %.5E  %.5E\r\n", r, value, err);
    }
    return std::fclose(f) == 0;
}

bool write_interference_scan(const std::string &path, const Cell &cell, int scan, double t,
                             Random &rng) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "Example cell 1, interference, scan %d, fringes\r\n", scan);
    std::fprintf(f, "P 1 20.0 12000 %5.0f %.5E 675 1\r\n", t,
                 t * std::pow(12000.0 * M_PI / 30.0, 2));
    constexpr double kFringesPerOD = 3.3;
    const double start = 5.96 + 0.001 * rng.uniform();
    const double step = 0.001 + 0.00005 * (rng.uniform() - 0.5);
    const double offset = 0.37 * scan;  // the fringe count is only known up to an offset
    for (double r = start; r < 7.14; r += step) {
        const double fringes =
            kFringesPerOD * cell.concentration(r, t) + offset + 0.01 * rng.normal();
        // The instrument reports the fringe displacement modulo whole fringes.
        const double wrapped = fringes - std::floor(fringes);
        std::fprintf(f, "%.4f  %.5f\r\n", r, wrapped);
    }
    return std::fclose(f) == 0;
}

std::string numbered(const std::string &folder, int scan, const char *extension) {
    char name[32];
    std::snprintf(name, sizeof name, "/%05d.%s", scan, extension);
    return folder + name;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const Cell cell;
    Random rng(20261207);
    for (int scan = 1; scan <= 12; ++scan) {
        const double t = 2.0 * 3600.0 * scan;
        if (!write_absorbance_scan(numbered(folder, scan, "RA1"), cell, scan, t, rng)) {
            std::perror("make_examples");
            return 1;
        }
    }
    for (int scan = 1; scan <= 8; ++scan) {
        const double t = 3.0 * 3600.0 * scan;
        if (!write_interference_scan(numbered(folder, scan, "IP1"), cell, scan, t, rng)) {
            std::perror("make_examples");
            return 1;
        }
    }
    if (!examples::write_multispeed_run(folder + "/multispeed")) {
        std::perror("make_examples");
        return 1;
    }
    return 0;
}
