// SPDX-License-Identifier: MIT
#include "options.h"

#include <algorithm>
#include <cstring>

#include "ftn_format.h"
#include "log.h"

namespace quillane {

std::string file_name_argument(const char *name, int32_t length) {
    if (name == nullptr || length <= 0) return {};
    const size_t n = strnlen(name, static_cast<size_t>(length));
    return std::string(ftn::trim_right(std::string_view(name, n)));
}

void set_redirection(State &s, const int32_t *table, int32_t count) {
    for (int k = 1; k <= kMaxDataSets; ++k)
        s.active_sets[k] = table[k - 1];
    s.active_sets[0] = std::clamp<int32_t>(count, 0, kMaxDataSets);
}

void set_result_choice(State &s, const int32_t *choices, bool use_log) {
    for (int k = 1; k <= 3; ++k)
        s.result_choice[k] = choices[k - 1] != 0;
    s.result_choice[0] = use_log;
}

void set_positions_to_plot(State &s, const double *xs, int32_t count) {
    for (int k = 1; k <= kMaxPlotPositions; ++k)
        s.xs_to_plot[k] = xs[k - 1];
    s.xs_to_plot_count = std::clamp<int32_t>(count, 0, kMaxPlotPositions);
}

void set_plot_save(State &s, bool delete_after_viewing) {
    Log log(s);
    s.delete_plot_files = delete_after_viewing;
    const std::string blank = ftn::FreeLine() << " ";
    const std::string message =
        ftn::FreeLine() << (delete_after_viewing ? " Plot files will now be deleted after plotting "
                                                 : " Plot files will now be saved after plotting ");
    log.file(blank);
    log.file(message);
    log.box(blank);
    log.box(message);
}

DifferParms get_differ_parms(const State &s) {
    return {s.differ_span, smallest_active_set(s), s.differ_terms};
}

int32_t span_in_force(const State &s) {
    return std::max<int32_t>(s.differ_span, 1);
}

int32_t terms_in_force(const State &s) {
    return std::clamp<int32_t>(s.differ_terms, 1, 3);
}

void set_differ_parms(State &s, int32_t span, int32_t terms) {
    // A span below one point or a degree outside 1..3 cannot be fitted.
    s.differ_span = std::clamp<int32_t>(span, 1, kMaxPoints);
    s.differ_terms = std::clamp<int32_t>(terms, 1, 3);
    s.deriv_valid[0] = 0;
}

}  // namespace quillane
