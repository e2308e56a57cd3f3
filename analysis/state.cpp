// SPDX-License-Identifier: MIT
#include "state.h"

#include <algorithm>

#include "ftn_format.h"

namespace quillane {

State::State()
    : raw_points(kMaxPoints + 1),
      raw_point_set(kMaxPoints + 1, 0),
      active_points(kMaxPoints + 1),
      active_point_set(kMaxPoints + 1, 0) {
    for (int k = 1; k <= kMaxDataSets; ++k)
        active_sets[k] = k;
}

State &global_state() {
    static State instance;
    return instance;
}

void note_error(State &s, std::string_view message) {
    if (!s.last_error.empty()) return;
    s.last_error = std::string(ftn::trim(message));
}

std::string outfile_heading(const State &s, const char *suffix) {
    const std::string_view name = ftn::trim_right(s.out_file_name);
    std::string text = "Outfile: " + std::string(name.substr(0, 81)) + suffix;
    if (text.size() > kTitleLength) text.resize(kTitleLength);
    return text;
}

void init_commons(State &s, bool echo) {
    s.banner = kBanner;
    s.plot_title = kPlotTitle;
    s.echo_input = echo;
    s.write_plot_files = true;
    s.delete_plot_files = true;
    s.xi_low = 16.0;
    s.xi_high = 26.0;
    s.differ_span = 50;
    s.differ_terms = 3;
    for (int k = 1; k <= kMaxDataSets; ++k)
        s.active_sets[k] = k;
    s.data_set_count = 0;
    s.deriv_valid.fill(0);
    s.xi_mode = true;
    s.confidence_level = 95.0;
    s.exact_f = false;
    s.assessment_settings = AssessmentSettings{};
    s.assessment = AssessmentResults{};
    s.max_data_sets = kMaxDataSets;
    s.plot_subtitle = outfile_heading(s, " for Fits with:");
}

int32_t active_set_count(const State &s) {
    return std::clamp<int32_t>(s.active_sets[0], 0, kMaxDataSets);
}

int32_t smallest_active_set(const State &s) {
    int32_t smallest = kMaxPoints;
    for (int k = 1; k <= active_set_count(s); ++k)
        smallest = std::min(smallest, s.active_end[k] - s.active_start[k] + 1);
    return smallest;
}

std::span<ActivePoint> active_set_span(State &s, int k) {
    if (k < 1 || k > kMaxDataSets) return {};
    const int32_t first = s.active_start[k];
    const int32_t last = s.active_end[k];
    if (first < 1 || last > kMaxPoints || last < first) return {};
    return {s.active_points.data() + first, static_cast<size_t>(last - first + 1)};
}

std::span<const ActivePoint> active_set_span(const State &s, int k) {
    return active_set_span(const_cast<State &>(s), k);
}

int active_set_points(const State &s, int k) {
    return static_cast<int>(active_set_span(s, k).size());
}

int32_t first_raw_index(const State &s, int k) {
    int64_t first = 1;
    for (int j = 1; j < k && j <= kMaxDataSets; ++j)
        first += std::max(0, s.set_point_count[j]);
    return static_cast<int32_t>(std::min<int64_t>(first, kMaxPoints + 1));
}

}  // namespace quillane
