// SPDX-License-Identifier: MIT
// The fit's results for other tools: every ordered pair as CSV, and the
// whole run (settings, sets with their noise, pairs, averages, verdict and
// forecast) as JSON.  Numbers are written with a decimal point whatever the
// locale, and as many digits as a double needs to be read back exactly.
#pragma once

#include <string>

#include "files.h"
#include "run_summary.h"
#include "session.h"

namespace quillane::session {

// One row per ordered pair of active sets of the current fit (reference set
// i, compared set j, i != j, in the order i = 1..n, j = 1..n), after a header
// row; fields as RFC 4180 quotes them, lines ended by CR LF.
std::string results_csv(const Session &session);

// One row per active set of the current fit, in the order of the
// selection, after a header row: its file, time (s and h), points, noise,
// its no-offset RMS distance from the latest scan (the one the verdict
// compares with), whether it is the latest, and whether it belongs to the
// scans the verdict found at equilibrium ("1"/"0"; empty without an
// assessment).  Quoting and line ends as results_csv.
std::string scans_csv(const Session &session, const Assessment *assessment);

// The run as one JSON object.  `assessment` may be null (no assessment made):
// "equilibrium" and "forecast" then carry nulls and the reason.
std::string results_json(const Session &session, const Assessment *assessment);

// The run's summary (the run overview), one row per series after a header
// row: number, name, cell, speed (rpm), wavelength (nm), scans analysed and
// in the series, the columns, the verdict, reached ("1"/"0"), t_eq and its
// interval (h; the upper end empty when the data bound it from below only),
// the noise and the latest scan (h); empty where unknown.  Quoting and line
// ends as results_csv.
std::string summary_csv(const std::vector<SummaryRow> &rows);

}  // namespace quillane::session
