// SPDX-License-Identifier: MIT
// File > Export Run Report...: the analysis on show as one PDF to hand over,
// laid out by the render library as the runner's --report-pdf lays it out.
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <functional>

#include "AppState.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "WaitCursor.h"
#include "run_report.h"
#include "run_summary.h"

namespace quillane::frontend {

namespace {

// Paper as the user's locale has it: Letter where the US measures are in
// use, A4 elsewhere.
viewer::ReportPaper localPaper() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
               ? viewer::ReportPaper::letter
               : viewer::ReportPaper::a4;
}

}  // namespace

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
    // file of the program's is touched; the program's plot file is put back.
    QTemporaryDir folder;
    if (!folder.isValid()) {
        prompts_.warn(this, title,
                      QStringLiteral("No folder for the figures: ") + folder.errorString());
        return;
    }
    const std::string programPlotFile = session_.plot_file();
    // Each plot into a file of its own; the name of one not made stays empty.
    auto plotInto = [&](const char *file, const std::function<session::Outcome()> &make) {
        const std::string path = toSession(folder.filePath(QString::fromLatin1(file)));
        session_.set_plot_file(path);
        const session::Outcome made = make();
        tell(made, title);
        return made.plot_written ? path : std::string();
    };
    session::FigurePlots plots;
    plots.equilibrium = plotInto("equilibrium.dat", [&] { return session_.equilibrium_plot(); });
    session::GraphRequest rms;
    rms.kind = session::GraphKind::rms;
    rms.fit_kinds = {true, true, true};
    plots.rms = plotInto("rms.dat", [&] { return session_.result_graph(rms); });
    // The data of every active set inside the limits: the program keeps the
    // fit, which a plot at the full range would make stale.
    std::vector<int> sets;
    for (int k = 1; k <= session_.active_count(); ++k)
        sets.push_back(k);
    plots.limits =
        plotInto("limits.dat", [&] { return session_.data_plot(1, [&sets] { return sets; }); });
    session_.set_plot_file(programPlotFile);

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
    for (const viewer::Notice &notice : notices)
        prompts_.warn(this, title, notice.text);
}

}  // namespace quillane::frontend
