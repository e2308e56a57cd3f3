// SPDX-License-Identifier: MIT
// File > Export Run Report...: the analysis on show as one PDF to hand over,
// laid out by the render library as the runner's --report-pdf lays it out.
#include <QFileInfo>
#include <QStatusBar>
#include <QTemporaryDir>

#include "AppState.h"
#include "LocalPaper.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "WaitCursor.h"
#include "run_report.h"
#include "run_summary.h"

namespace quillane::frontend {

void MainWindow::ExportRunReport() {
    const QString title = QStringLiteral("Export Run Report");
    if (!session_.fit_current()) {
        prompts_.warn(this, title,
                      QStringLiteral("There are no current fit results to report: fit the data "
                                     "first."));
        return;
    }
    QString name =
        prompts_.saveAsName(this, title, QStringLiteral("PDF files (*.pdf);;All files (*)"),
                            QFileInfo(state_.OutFileName).absolutePath());
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".pdf");

    WaitCursor wait;
    // The assessment is made afresh, without adding it to the report.
    session::Assessment assessment;
    const session::Outcome assessed = session_.assess(false, &assessment);
    tell(assessed, title);
    if (!assessed.done) return;

    // The figures are written into a folder of their own, so that no plot
    // file of the program's is touched.
    QTemporaryDir folder;
    if (!folder.isValid()) {
        prompts_.warn(this, title,
                      QStringLiteral("No folder for the figures: ") + folder.errorString());
        return;
    }
    session::Outcome drawn;
    const session::FigurePlots plots =
        session::draw_report_plots(session_, toSession(folder.path()), drawn.errors);
    tell(drawn, title);

    session::RunReport report;
    report.program_version = session::Session::program_version();
    report.created = session::report_time_now();
    session::SeriesReport series = session::summarise_analysis(session_, &assessment);
    series.figures = session::report_figures(series, plots);
    report.files = series.files;
    report.series.push_back(series);

    const viewer::TickRounder round = [this](float lo, float hi, float &outLo, float &outHi,
                                             int32_t &intervals) {
        int n = 0;
        session_.tick_round(lo, hi, outLo, outHi, n);
        intervals = n;
    };
    QString error;
    std::vector<viewer::Notice> notices;
    if (!viewer::writeRunReportPdf(name, report, localPaper(), round, &error, &notices))
        prompts_.warn(this, title, error);
    else
        statusBar()->showMessage(QStringLiteral("Run report written to %1").arg(name), 10000);
    for (const viewer::Notice &notice : notices)
        prompts_.warn(this, title, notice.text);
}

}  // namespace quillane::frontend
