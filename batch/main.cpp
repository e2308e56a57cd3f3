// SPDX-License-Identifier: MIT
// quillane-batch: the whole analysis of a series of scan files from the
// command line, without a display.  It asks the same session layer as the
// desktop program does, so the library sees the same calls in the same order.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "images.h"
#include "library_binding.h"
#include "library_files.h"
#include "options.h"
#include "report_pdf.h"
#include "series_plan.h"
#include "session.h"
#include "watch.h"
#include "workflow.h"

namespace {

int fail(int code, const std::string &message) {
    std::fprintf(stderr, "quillane-batch: %s\n", message.c_str());
    return code;
}

// The program's own version always; the library's when it loads, else why
// it does not (and a failure status, since the runner could not work).
int print_version() {
    std::printf("quillane-batch (Quillane) %s\n",
                quillane::session::Session::program_version().c_str());
    std::fflush(stdout);
    quillane::session::Library library;
    if (!library.load())
        return fail(batch::kExitFailed,
                    "the analysis library could not be loaded, so its version is unknown: " +
                        library.error());
    const quillane::session::Exports &api = library.exports();
    const std::string path = quillane::session::library_path(api);
    std::printf("analysis library %s, %s\n", quillane::session::library_version(api).c_str(),
                (path.empty() ? library.file() : path).c_str());
    return batch::kExitOk;
}

// One analysis, from reading to the last image; returns its exit code.
// With `report` (--report-pdf) the analysis is also summed up for the run
// report.
int analyse(const batch::AnalysisRun &run, quillane::session::Session &session,
            quillane::session::SeriesReport *report) {
    const batch::Options &o = run.options;
    std::string error;
    if (run.series > 0 && !run.folder.empty())
        std::printf("quillane-batch: series %d, %s, into %s\n", run.series, run.label.c_str(),
                    run.folder.c_str());
    if (const int code = batch::check_selection(o, error); code != batch::kExitOk)
        return fail(code, error);
    std::vector<batch::KeptPlot> plots;
    batch::Problems problems;
    if (const int code =
            batch::run_workflow(o, run.record, session, plots, problems, error, report);
        code != batch::kExitOk)
        return fail(code, error);
    std::fflush(stdout);

    int status = problems.list.empty() ? batch::kExitOk : batch::kExitFailed;
    batch::ImageTally images;
#ifdef QUILLANE_BATCH_IMAGES
    if (!o.images.empty()) images = batch::draw_images(o, session, plots);
#endif
    if (images.failed > 0) status = batch::kExitFailed;
    // Each line tells what is on disk now; a write that failed was listed
    // among the problems instead.
    if (!o.csv.empty() && !problems.unwritten.contains("--csv"))
        std::printf("quillane-batch: pairs written to %s\n", o.csv.c_str());
    if (!o.json.empty() && !problems.unwritten.contains("--json"))
        std::printf("quillane-batch: results written to %s\n", o.json.c_str());
    if (!problems.report_failed)
        std::printf("quillane-batch: report written to %s\n", o.report.c_str());
    std::printf("quillane-batch: %zu plot files kept in %s\n", plots.size(), o.plots_dir.c_str());
    if (!o.images.empty()) {
        std::printf("quillane-batch: %d %s images written beside them\n", images.written,
                    o.images.c_str());
        std::fflush(stdout);
        if (images.failed > 0)
            std::fprintf(stderr, "quillane-batch: %d of %zu plot files could not be drawn\n",
                         images.failed, plots.size());
    }
    if (!problems.list.empty())
        std::fprintf(stderr, "quillane-batch: the run is incomplete: %zu %s (listed above)\n",
                     problems.list.size(), problems.list.size() == 1 ? "problem" : "problems");
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    // Under a file-size limit a write beyond it then fails with EFBIG, which
    // every write checks and reports, instead of the signal ending the run
    // with a report cut mid-line.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    const auto options = batch::parse_options(argc, argv, error);
    // A mistake gets one line, not the whole help.
    if (!options) return fail(batch::kExitUsage, error + "\nTry --help for the list of options.");
    if (options->help) {
        std::fputs(batch::usage_text().c_str(), stdout);
        return batch::kExitOk;
    }
    if (options->version) return print_version();
    if (const int code = batch::check_inputs(*options, error); code != batch::kExitOk)
        return fail(code, error);

    quillane::session::Library library;
    if (!library.load()) return fail(batch::kExitFailed, library.error());
    quillane::session::Session session(library.exports());

    if (!options->watch.empty()) {
        const int code = batch::watch_folder(*options, session, error);
        return code == batch::kExitOk ? code : fail(code, error);
    }

    std::vector<batch::AnalysisRun> runs;
    if (const int code = batch::plan_runs(*options, session, runs, error); code != batch::kExitOk)
        return fail(code, error);
    if (options->list_columns) {
        if (runs.empty()) return batch::kExitOk;
        const int code = batch::list_columns(runs.front(), session, error);
        return code == batch::kExitOk ? code : fail(code, error);
    }
    // Each series in turn; one that fails leaves the others to run.
    int status = batch::kExitOk;
    std::vector<quillane::session::SeriesReport> reports;
    for (const batch::AnalysisRun &run : runs) {
        quillane::session::SeriesReport report;
        const bool reported = !options->report_pdf.empty();
        const int code = !run.refusal.empty() ? fail(batch::kExitFailed, run.refusal)
                                              : analyse(run, session, reported ? &report : nullptr);
        if (code != batch::kExitOk && status != batch::kExitUsage) status = code;
        if (!reported) continue;
        // A series that could not be analysed keeps its row in the report.
        if (!run.refusal.empty())
            report.refusal = run.refusal;
        else if (report.files.empty())
            report.refusal = "the analysis failed (the messages of the runner say why)";
        report.number = run.series;
        report.label = run.label;
        reports.push_back(report);
    }
#ifdef QUILLANE_BATCH_IMAGES
    if (!options->report_pdf.empty()) {
        const int code = batch::write_run_report(*options, session, reports, error);
        if (code != batch::kExitOk) {
            if (!error.empty()) fail(code, error);
            if (status == batch::kExitOk) status = code;
        }
    }
#endif
    return status;
}
