// SPDX-License-Identifier: MIT
// The equilibrium assessment of the last fit: noise per scan, each scan
// against the latest one, the verdict and the forecast, kept in the state and
// written as report lines after the fit's averages.
#pragma once

#include <string>
#include <vector>

#include "log.h"
#include "state.h"

namespace quillane {

// Makes the assessment from the last fit of the current active sets and
// keeps it in s.assessment.  Scans are taken in the order of their times
// (active sets in their own order where times are equal); the latest is the
// reference of every comparison.  Returns false, with the reason in
// s.assessment.failure, when there is nothing to assess: fewer than two
// active sets, or no fit since the active store or the differentiation
// parameters last changed.  No I/O.
bool make_assessment(State &s);

// The report lines of the assessment in s.assessment: every line to the
// output file, the summary (heading, pooled noise, verdict and forecast) also
// to the list box.
void write_assessment(const State &s, Log &log);

// make_assessment, then its lines when `write_report` is set.  When there is
// nothing to assess the reason is kept as the last error and posted to the
// list box (and written to the file when `write_report` is set).
void assess(State &s, bool write_report);

// The settings.  Each refuses a value outside its range (a negative or
// non-finite number) with a list-box line and the last error, and keeps the
// setting it had.
void set_equilibrium_block(State &s, double seconds);
void set_equilibrium_tolerance(State &s, double tolerance);
// Logs the new method when it changes, so that the report tells which F
// values follow.
void set_exact_f(State &s, bool exact);

}  // namespace quillane
