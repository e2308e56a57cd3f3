// SPDX-License-Identifier: MIT
// The run report: one document a scientist can hand over, laid out on
// pages of any paged device (a PDF writer, a printer).  For each series it
// gives the run, the settings, the verdict, the forecast, the noise and the
// drift found, the figures (drawn from the plot files the library wrote, as
// the plot window draws them) and the pairs in a compact table; a run of
// several series starts with a summary table, one row per series.
#pragma once

#include <QPagedPaintDevice>
#include <QString>
#include <vector>

#include "plot_axes.h"
#include "run_summary.h"

namespace quillane::viewer {

enum class ReportPaper { a4, letter };

// Lays out `report` on `device`, starting on its current page; the device's
// page size and margins are used as they are.  Returns false with `error`
// set when the device cannot be painted on.  A figure whose plot file
// cannot be read is left out with a line saying so, and added to `notices`.
bool drawRunReport(QPagedPaintDevice &device, const session::RunReport &report,
                   const TickRounder &round, QString *error, std::vector<Notice> *notices);

// Writes `report` as a PDF file on `paper` (fonts embedded, text
// selectable).  The file is written whole or not at all (writeWholeFile):
// an earlier report stays as it was when the new one cannot be written.
bool writeRunReportPdf(const QString &file_name, const session::RunReport &report,
                       ReportPaper paper, const TickRounder &round, QString *error,
                       std::vector<Notice> *notices);

}  // namespace quillane::viewer
