// SPDX-License-Identifier: MIT
// The generators' random numbers: a small, portable generator (splitmix64)
// and Box-Muller normals, because the standard library's distributions
// differ between implementations and the example files must be the same on
// every machine.
#pragma once

#include <cmath>
#include <cstdint>

namespace examples {

class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double normal() {
        const double u1 = 1.0 - uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
    }

  private:
    uint64_t next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    uint64_t state_;
};

}  // namespace examples
