// SPDX-License-Identifier: MIT
// Helpers of the plot and graph tests: an active store built by hand and
// plot files read back with the viewer's reader.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "plot_file_reader.h"
#include "state.h"
#include "test_support.h"

namespace quillane::testing {

// Appends an active set with the given positions; value and slope are
// functions of the position.  Returns the set's ordinal.
inline int add_active_set(State &s, const std::vector<double> &positions,
                          const std::function<double(double)> &value,
                          const std::function<double(double)> &slope, double time = 0.0) {
    const int k = ++s.active_sets[0];
    s.active_sets[k] = k;
    s.data_set_count = std::max(s.data_set_count, k);
    int32_t &total = s.active_point_count[0];
    s.active_start[k] = total + 1;
    for (double x : positions) {
        const int32_t m = ++total;
        s.active_point_set[m] = k;
        s.active_points[m] = {value(x), slope(x), slope(x), x};
    }
    s.active_end[k] = total;
    s.active_point_count[k] = total - s.active_start[k] + 1;
    s.active_time[k] = time;
    return k;
}

// Marks active sets 1..n as differentiated, as the slope pass leaves them.
inline void mark_differentiated(State &s, int n) {
    for (int k = 1; k <= n; ++k)
        s.deriv_valid[k] = k;
    s.deriv_valid[0] = n;
}

inline void start_empty_store(State &s) {
    s.active_sets[0] = 0;
    s.active_point_count.fill(0);
    s.data_set_count = 0;
}

// Reads the plot file and removes it, as the viewer does.
inline plotfile::PlotData take_plot(const std::string &path) {
    plotfile::PlotData data;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "no plot file " << path;
    plotfile::read_plot_file(in, data);
    std::filesystem::remove(path);
    return data;
}

// A fresh state with an empty active store whose plots go to plot.dat in
// the test's scratch folder.
class PlotTest : public ::testing::Test {
  protected:
    PlotTest() {
        plot_file = f.dir.file("plot.dat");
        f.s().plot_file_name = plot_file;
        start_empty_store(f.s());
    }
    Fixture f;
    std::string plot_file;
};

}  // namespace quillane::testing
