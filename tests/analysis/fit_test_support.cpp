// SPDX-License-Identifier: MIT
#include "fit_test_support.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "selection.h"

namespace quillane::testing {

void load_active_sets(State &s, const std::vector<SetPoints> &sets) {
    int32_t index = 0;
    s.set_point_count.fill(0);
    for (size_t k = 1; k <= sets.size(); ++k) {
        const SetPoints &set = sets[k - 1];
        for (size_t m = 0; m < set.x.size(); ++m) {
            ++index;
            const double x = set.x[m];
            RawPoint &p = s.raw_points[index];
            p.value = set.y[m];
            p.radius = s.xi_mode ? std::sqrt(2.0 * x) : x;
            p.xi = s.xi_mode ? x : x * x / 2.0;
            s.raw_point_set[index] = static_cast<int32_t>(k);
        }
        s.set_point_count[k] = static_cast<int32_t>(set.x.size());
        s.set_time[k] = 100.0 * static_cast<double>(k);
        s.active_sets[k] = static_cast<int32_t>(k);
    }
    s.set_point_count[0] = index;
    s.data_set_count = static_cast<int32_t>(sets.size());
    s.active_sets[0] = static_cast<int32_t>(sets.size());
    const double huge = std::numeric_limits<double>::max();
    find_limit_indices(s, -huge, huge);
    transfer_data(s);
}

std::vector<double> noise(int n, unsigned seed) {
    std::vector<double> out;
    uint64_t state = 0x9E3779B97F4A7C15ull * (seed + 1);
    for (int i = 0; i < n; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        out.push_back(static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0);
    }
    return out;
}

std::vector<double> uneven_grid(double x0, double step, int n, unsigned seed) {
    const std::vector<double> r = noise(n, seed);
    std::vector<double> x;
    double at = x0;
    for (int i = 0; i < n; ++i) {
        x.push_back(at);
        at += step * (1.0 + 0.4 * r[static_cast<size_t>(i)]);
    }
    return x;
}

std::vector<double> values_at(const std::vector<double> &x,
                              const std::function<double(double)> &f) {
    std::vector<double> y;
    for (double v : x)
        y.push_back(f(v));
    return y;
}

::testing::AssertionResult close_to(double actual, double expected, double tolerance) {
    const double error = std::fabs(actual - expected);
    if (error <= tolerance) return ::testing::AssertionSuccess();
    std::ostringstream os;
    os.precision(17);
    os << "got " << actual << ", expected " << expected << ": error " << error
       << " exceeds the tolerance " << tolerance;
    return ::testing::AssertionFailure() << os.str();
}

double stored_slope(const State &s, int k, int m) {
    const ActivePoint &p = s.active_points[s.active_start[k] - 1 + m];
    EXPECT_EQ(p.weight, p.work) << "the two slope fields of point " << m << " differ";
    return p.work;
}

std::vector<std::string> lines_with(const std::vector<std::string> &lines,
                                    const std::string &text) {
    std::vector<std::string> out;
    for (const auto &l : lines)
        if (l.find(text) != std::string::npos) out.push_back(l);
    return out;
}

ScopedThreads::ScopedThreads(const std::string &value) {
    if (const char *old = std::getenv("QUILLANE_THREADS")) {
        had_ = true;
        before_ = old;
    }
    setenv("QUILLANE_THREADS", value.c_str(), 1);
}

ScopedThreads::~ScopedThreads() {
    if (had_) {
        setenv("QUILLANE_THREADS", before_.c_str(), 1);
    } else {
        unsetenv("QUILLANE_THREADS");
    }
}

}  // namespace quillane::testing
