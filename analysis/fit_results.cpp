// SPDX-License-Identifier: MIT
#include "fit_results.h"

#include <algorithm>
#include <stdexcept>

namespace quillane {

namespace detail {

void fit_index_error(const char *table, int a, int b, int c) {
    throw std::out_of_range(std::string(table) + " index (" + std::to_string(a) + ", " +
                            std::to_string(b) + ", " + std::to_string(c) + ") out of range");
}

}  // namespace detail

void DeviationTable::resize(int points) {
    points = std::max(points, 0);
    if (points == points_) return;
    std::vector<float> fresh(
        static_cast<size_t>(kFitKinds) * kFitSets * static_cast<size_t>(points), 0.0f);
    const size_t keep = static_cast<size_t>(std::min(points, points_));
    for (size_t r = 0; r < static_cast<size_t>(kFitKinds) * kFitSets; ++r)
        std::copy_n(values_.begin() + static_cast<long>(r * row_size()), keep,
                    fresh.begin() + static_cast<long>(r * static_cast<size_t>(points)));
    values_ = std::move(fresh);
    points_ = points;
}

}  // namespace quillane
