// SPDX-License-Identifier: MIT
#include "report_pdf.h"

#include <cstdio>
#include <filesystem>

#include "workflow.h"

namespace batch {

namespace {

namespace fs = std::filesystem;
using quillane::session::SeriesReport;

// The plot files set aside for the report, removed once it is written.
std::vector<std::string> set_aside;

}  // namespace

void remove_set_aside_plots() {
    std::error_code ec;
    for (const std::string &file : set_aside)
        fs::remove(file, ec);
    set_aside.clear();
}

std::string set_aside_plot(const std::string &plot_file, std::string &error) {
    const std::string aside =
        plot_file + ".report-" + std::to_string(set_aside.size() + 1) + ".dat";
    std::error_code ec;
    fs::rename(plot_file, aside, ec);
    if (ec) {
        error =
            "cannot set the plot file " + plot_file + " aside for the run report: " + ec.message();
        return {};
    }
    set_aside.push_back(aside);
    return aside;
}

SeriesReport series_report(const Options &o, const quillane::session::Session &session,
                           const quillane::session::Assessment *assessment,
                           const ReportFigures &figures) {
    SeriesReport r = quillane::session::summarise_analysis(session, assessment);
    if (o.column != 0) {
        const auto columns = session.solution_columns(o.margin);
        if (o.column <= static_cast<int>(columns.size())) {
            const auto &c = columns[static_cast<size_t>(o.column - 1)];
            r.column = o.column;
            r.meniscus_cm = c.meniscus_cm;
            r.base_cm = c.base_cm;
        }
    }
    quillane::session::FigurePlots plots = figures;
    plots.limits_at_full_range = true;
    r.figures = quillane::session::report_figures(r, plots);
    return r;
}

}  // namespace batch
