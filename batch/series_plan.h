// SPDX-License-Identifier: MIT
// Which scans each analysis of a run reads.  Every file's header is read
// first (any number of files: nothing is stored), the files are split into
// series of one cell, rotor speed and wavelength, and the series asked for
// (--series K, --each-series, or the one series the files make) is taken in
// time order, thinned with --every.  Only what is analysed must fit the 50
// data sets of the library.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "session.h"

namespace batch {

// One analysis: the command line as it applies to it (its files, and for
// --each-series its own report, plots, --csv and --json in series-K/).
struct AnalysisRun {
    Options options;
    int series = 0;                   // the series analysed, 0 = the files as given
    std::string label;                // "10,000 rpm 280 nm, 6 scans"
    std::string folder;               // --each-series: the series' folder
    std::vector<std::string> record;  // lines for the report: what was found and taken
    std::string refusal;              // why this series cannot be analysed (it is skipped)
};

// Plans the analyses of the command line; for --series list prints the
// series instead (one line each) and plans none.  Returns an exit code;
// error says why the files cannot be analysed as asked.
int plan_runs(const Options &o, quillane::session::Session &session, std::vector<AnalysisRun> &runs,
              std::string &error);

// --columns: reads the scans of `run` (no report, no plots) and prints their
// solution columns, one line each: "1: 17.267 18.463 cm^2".  Returns an exit
// code.
int list_columns(const AnalysisRun &run, quillane::session::Session &session, std::string &error);

}  // namespace batch
