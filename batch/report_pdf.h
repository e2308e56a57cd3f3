// SPDX-License-Identifier: MIT
// --report-pdf: the run report of the runner.  Each analysis adds what the
// session holds once it is done (with the figures' plot files); after the
// last one the whole run is drawn as one PDF.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "plot_keeper.h"
#include "run_summary.h"
#include "session.h"

namespace batch {

// What the report of one analysis needs beyond the session: the plot files
// of its figures (the limits plot holds the values at the full range, set
// aside before the limits).
using ReportFigures = quillane::session::FigurePlots;

// Moves the plot file just written out of the library's way (it writes a
// plot only where none is) under a hidden name of its own; returns that
// name, or "" with `error` set.
std::string set_aside_plot(const std::string &plot_file, std::string &error);

// The report of the analysis the session holds now.
quillane::session::SeriesReport series_report(const Options &o,
                                              const quillane::session::Session &session,
                                              const quillane::session::Assessment *assessment,
                                              const ReportFigures &figures);

// Removes the plot files set aside for the report.
void remove_set_aside_plots();

// Draws the report of every analysis of the run into top.report_pdf and
// removes the set-aside plot files.  Returns kExitOk, or kExitFailed with
// `error` set when it cannot be written.
int write_run_report(const Options &top, const quillane::session::Session &session,
                     std::vector<quillane::session::SeriesReport> &series, std::string &error);

}  // namespace batch
