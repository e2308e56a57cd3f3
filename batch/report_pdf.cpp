// SPDX-License-Identifier: MIT
#include "report_pdf.h"

#include <cstdio>
#include <filesystem>

#include "workflow.h"

namespace batch {

namespace {

namespace fs = std::filesystem;
using quillane::session::ReportFigure;
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
    const char *unit = session.xi_mode() ? "cm\u00b2" : "cm";
    if (!figures.equilibrium_plot.empty())
        r.figures.push_back(
            {"The approach to equilibrium: the RMS difference of each scan from "
             "the latest one against time.",
             figures.equilibrium_plot,
             {"RMS from the latest scan"}});
    if (!figures.rms_plot.empty())
        r.figures.push_back({"RMS deviations against time from the reference set " +
                                 std::to_string(r.reference) + ", all three fits.",
                             figures.rms_plot,
                             {"no offsets", "y-offset", "y- and position offsets"}});
    if (!figures.limits_plot.empty()) {
        char range[96];
        std::snprintf(range, sizeof range, "%.3f to %.3f %s", r.low, r.high, unit);
        ReportFigure limits{
            std::string("Every active set over the full range; the lines mark "
                        "the data limits analysed, ") +
                range +
                (r.column > 0 ? " (solution column " + std::to_string(r.column) + ")."
                              : std::string(".")),
            figures.limits_plot,
            {}};
        limits.mark_limits = true;
        limits.low = r.low;
        limits.high = r.high;
        r.figures.push_back(limits);
    }
    return r;
}

}  // namespace batch
