// SPDX-License-Identifier: MIT
// The whole analysis without a display: read, select, limit, fit, assess,
// and write every data plot and result graph as a kept plot file -- the
// program's steps, asked of the same session layer.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "options.h"
#include "plot_keeper.h"
#include "run_summary.h"
#include "series_analysis.h"
#include "session.h"

namespace batch {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the run could not be completed, or is incomplete
inline constexpr int kExitUsage = 2;   // the command line asks for something impossible

// Checks what the command line alone decides: no output that is one of the
// scans or another output.  Returns kExitOk or an exit code with error set.
int check_inputs(const Options &o, std::string &error);

// The same file, whether both exist or not (a file about to be written
// compares by its absolute, normalised path).
bool same_file(const std::string &a, const std::string &b);

// The files a run writes besides its plots, each with the option naming it.
std::vector<std::pair<std::string, std::string>> output_files(const Options &o);

// Checks the sets of one analysis of o.files: enough active sets, each one
// of the files, the reference set among them.  Returns kExitOk or an exit
// code with error set.
int check_selection(const Options &o, std::string &error);

// Lines the runner's list box shows at once, as the program's does.
inline constexpr int kListBoxLines = 25;

// Sends the library's list-box lines nowhere (they still reach the report):
// for steps that print only what they are asked for.
void quiet(quillane::session::Session &session);

// The runner's log view: every line the library posts goes to standard
// output.
class StdoutListBox {
  public:
    static const quillane_listbox_ctx_ops &operations();
    int lines = 0;
};

// What went wrong on the way without stopping the run (a plot that could
// not be kept, a report write that failed, ...): reported as it happens,
// and the run ends with a failure exit code.
struct Problems {
    std::vector<std::string> list;
    // What was not written whole, so no line claims it was: the options
    // ("--csv", "--json") of result files whose write failed, and whether
    // a write to the report failed (the library says so in its errors).
    std::set<std::string> unwritten;
    bool report_failed = false;
    void add(const std::string &problem);
    // An error the library or the session met.
    void add_error(const std::string &error);
    void add_all(const quillane::session::Outcome &outcome);
};

// The runner's side of an analysis' feedback: notices go to standard error,
// problems to `problems` (the run then ends with a failure exit code).
class RunnerFeedback : public quillane::session::AnalysisFeedback {
  public:
    explicit RunnerFeedback(Problems &problems) : problems_(problems) {}
    void notice(const std::string &text) override;
    void problem(const std::string &text) override;

  private:
    Problems &problems_;
};

// The analysis the command line asks for.
quillane::session::AnalysisChoice analysis_choice(const Options &o);

// The first half of an analysis: the report created afresh, the library
// started over, and `files` read (the sets of o.active active, or all).
// Returns an exit code with error set when the reading was refused; the
// outcome of each file goes to `files_read`.
int read_scans(const Options &o, quillane::session::Session &session,
               const std::vector<std::string> &files,
               std::vector<quillane::session::FileOutcome> &files_read, Problems &problems,
               std::string &error);

// The second half: position variable, parameters and limits set, the fit,
// and, when asked (--assess, --csv, --json), the assessment and the result
// files.  `assessment` receives the assessment when one was made (`assessed`
// says whether).  Returns an exit code with error set when it cannot go on.

int fit_and_assess(const Options &o, quillane::session::Session &session, Problems &problems,
                   quillane::session::Assessment &assessment, bool &assessed, std::string &error);
// The result files of an analysis (--csv, --json), each written whole or
// not at all; a failure is a problem.
void write_results(const Options &o, const quillane::session::Session &session,
                   const quillane::session::Assessment *assessment, Problems &problems);

// A whole run: the analysis, its plot files (added to `plots` as they are
// kept) and the verdict when asked; `record` goes into the report (and the
// output) once the files are read.  Returns an exit code; on failure error
// says why.
// With `report` (--report-pdf) it also receives what the run report tells
// of this analysis, with the plot files of its figures.
int run_workflow(const Options &o, const std::vector<std::string> &record,
                 quillane::session::Session &session, std::vector<KeptPlot> &plots,
                 Problems &problems, std::string &error,
                 quillane::session::SeriesReport *report = nullptr);

}  // namespace batch
