// SPDX-License-Identifier: MIT
// Drawing the run report as a PDF with the render library (QtGui only).
#include <QFile>
#include <cstdio>

#include "gui_app.h"
#include "report_pdf.h"
#include "run_report.h"
#include "workflow.h"

namespace batch {

using quillane::session::SeriesReport;

int write_run_report(const Options &top, const quillane::session::Session &session,
                     std::vector<SeriesReport> &series, std::string &error) {
    quillane::session::RunReport report;
    report.program_version = quillane::session::Session::program_version();
    report.created = quillane::session::report_time_now();
    report.files = top.files;
    report.several_series = top.each_series;
    report.series = series;

    QString why;
    std::vector<quillane::viewer::Notice> notices;
    bool written = false;
    {
        const auto app = start_drawing();
        written = quillane::viewer::writeRunReportPdf(
            QFile::decodeName(top.report_pdf.c_str()), report,
            top.page_size == "letter" ? quillane::viewer::ReportPaper::letter
                                      : quillane::viewer::ReportPaper::a4,
            tick_rounder(session), &why, &notices);
    }
    for (const auto &notice : notices)
        std::fprintf(stderr, "quillane-batch: warning: %s\n", notice.text.toStdString().c_str());
    remove_set_aside_plots();
    if (!written) {
        error = why.toStdString();
        return kExitFailed;
    }
    std::printf("quillane-batch: run report written to %s\n", top.report_pdf.c_str());
    return notices.empty() ? kExitOk : kExitFailed;
}

}  // namespace batch
