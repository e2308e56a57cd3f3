// SPDX-License-Identifier: MIT
// Which series of a run folder the user asks for, as both watches and the
// runner's --series read it: every series on its own, every scan together,
// or the series that match a cell, speed or wavelength, or a number as the
// folder's list gives it.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "series.h"

namespace quillane::session {

// Which series a watch follows.
struct SeriesSelector {
    enum class Mode {
        each,      // every series, each on its own
        together,  // every scan together, whatever series they make
        chosen,    // the series that match the facts below
    };
    Mode mode = Mode::each;
    std::optional<int> cell;
    std::optional<double> speed_rpm;
    std::optional<double> wavelength_nm;
    int number = 0;  // a series number as listed at the start; 0 = none
    // Facts left unset must be unknown in the series too (a series taken by
    // its number); otherwise an unset fact takes any value.
    bool all_facts = false;
    std::string text;  // as the user wrote it
    bool matches(const Series &series) const;
};

// Reads a selector: "" each series on its own; "all" every scan together;
// otherwise one or more of "280nm", "10000rpm", "cell2" (spaces allowed
// before the unit, "cell 2"), or a series number "3", joined by commas:
// "cell2,280nm".  False with error set when it makes no sense.
bool parse_series_selector(const std::string &text, SeriesSelector &selector, std::string &error);

// Turns a selector by number into one by the cell, speed and wavelength of
// that series of `split` (the files present at the start), so that it keeps
// following the same series as the folder grows.  False with error set
// (listing the series) when the split has no such series.
bool resolve_series_number(SeriesSelector &selector, const SeriesSplit &split,
                           const std::vector<ScanFacts> &facts, std::string &error);

}  // namespace quillane::session
