// SPDX-License-Identifier: MIT
// The multi-speed example run (examples/multispeed/): one six-channel
// equilibrium cell, cell 2, taken through three rotor speeds, each scanned
// at 280 and 260 nm in turn.  What it holds is set here, so the tests can
// hold the files to it.
#pragma once

#include <array>
#include <string>

namespace examples {

// One channel pair of the centerpiece, cm: the sector begins at `top`
// (window region below), the reference solvent's meniscus lies at
// `reference`, the sample's at `meniscus`, the base at `base`.
struct ChannelPair {
    double top;
    double reference;
    double meniscus;
    double base;
    double loading;  // OD at 280 nm
};

inline constexpr std::array<ChannelPair, 3> kChannels{{
    {5.78, 5.83, 5.86, 6.08, 0.20},
    {6.27, 6.34, 6.37, 6.59, 0.32},
    {6.79, 6.86, 6.89, 7.13, 0.45},
}};

// One speed of the run: it starts at `start_h` and approaches equilibrium
// with the time constant `tau_h`.
struct SpeedStep {
    double rpm;
    double start_h;
    double tau_h;
};

inline constexpr std::array<SpeedStep, 3> kSpeeds{{
    {10000.0, 0.0, 6.0},
    {14000.0, 20.0, 4.5},
    {20000.0, 40.0, 3.0},
}};

inline constexpr int kCell = 2;
inline constexpr int kScansPerSeries = 6;
inline constexpr double kFirstScanH = 3.0;  // after the speed is reached
inline constexpr double kScanEveryH = 3.0;
// The 260 nm scan follows each 280 nm scan after this many seconds.
inline constexpr double kSecondWavelengthAfterS = 300.0;
inline constexpr double kWavelength = 280.0;  // written as 281 at every other scan
inline constexpr double kSecondWavelength = 260.0;
inline constexpr double kSecondWavelengthShare = 0.6;  // of the absorbance at 280 nm
// Reduced molar mass at 10,000 rpm, cm^-2 (per cm^2 of xi); it grows with
// the square of the speed.
inline constexpr double kSigmaAt10000 = 0.4;
inline constexpr int kFiles = 2 * kScansPerSeries * static_cast<int>(kSpeeds.size());

// Writes 00001.RA2 .. 00036.RA2 into `folder` (created when missing), in
// the order they were taken.  False when a file cannot be written.
bool write_multispeed_run(const std::string &folder);

}  // namespace examples
