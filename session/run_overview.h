// SPDX-License-Identifier: MIT
// The run overview: every series of a run at once, as the program's
// overview window and its exports show it.  A real run folder holds many
// series (seven cells, three speeds, three wavelengths); the user wants to
// know which cells have reached equilibrium and, above all, whether every
// series at the speed the rotor runs at now has, so that the speed can be
// changed.
//
// The overview groups the scans into series (split_into_series, or the
// FolderWatch while it follows a folder, which also decides which scans are
// whole), analyses each series with the one analysis sequence
// (analyse_scans) on the session it is given -- every solution column the
// finder gives, each on its own, so that a cell counts as at equilibrium
// only when all its columns are -- and gives the summary rows of
// run_summary.h and the speed line.  While it follows a folder only the
// series that got new whole scans are analysed again.
//
// It uses its session from one thread at a time and leaves the session
// holding the last analysis it made: give it a session of its own.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "folder_watch.h"
#include "run_summary.h"
#include "series_analysis.h"
#include "watch_analysis.h"

namespace quillane::session {

struct OverviewSettings {
    // The analysis of each column; `column` is set for each column found.
    AnalysisChoice choice;
    // Every solution column of a series is analysed (false: the first one).
    bool every_column = true;
    // Started afresh before each series is read, so that the overview's
    // record does not grow with every analysis of a long watch; empty: the
    // session's report is left as it is.
    std::string report;
};

// A series of the run as the overview holds it.
struct OverviewSeries {
    int number = 0;    // 1, 2, ... in the order the series were met
    std::string name;  // "cell 2, 10,000 rpm 280 nm"
    std::optional<int> cell;
    std::optional<double> speed_rpm;
    std::optional<double> wavelength_nm;
    std::vector<std::string> scans;     // every whole scan, in time order
    std::vector<std::string> analysed;  // the scans of the latest analysis
    // The latest analysis, one report per column; empty before the first.
    std::vector<SeriesReport> reports;
    bool pending = true;  // scans came since the latest analysis
};

class RunOverview {
  public:
    explicit RunOverview(Session &session, OverviewSettings settings = {});
    ~RunOverview();
    RunOverview(const RunOverview &) = delete;
    RunOverview &operator=(const RunOverview &) = delete;

    // Takes these scan files as they are now: each series whose scans
    // changed waits for analysis.  Files whose header places them in no
    // series are named in notes().
    void set_files(const std::vector<std::string> &files);
    // The same with the files of `folder` that `pattern` takes; false with
    // error set when the folder cannot be read.
    bool read_folder(const std::string &folder, const std::string &pattern, std::string &error);

    // From now on look() follows the folder of `settings` (every series;
    // the selector is ignored) with a FolderWatch, which takes scans only
    // once they are whole.
    void follow(WatchSettings settings, FolderWatch::Clock clock = {});
    void stop_following();
    bool following() const { return watch_ != nullptr; }
    // One look at the followed folder: series with new whole scans wait for
    // analysis.  False with error set when the folder is gone.
    bool look(std::vector<WatchMessage> &messages, std::string &error);

    // The series waiting for analysis, by number.
    std::vector<int> pending() const;
    // Analyses series `number` with its scans now (the latest within the
    // session's capacity, said once through `feedback`).
    void analyse(int number, AnalysisFeedback &feedback);
    void analyse_pending(AnalysisFeedback &feedback);

    const std::vector<OverviewSeries> &series() const { return series_; }
    const OverviewSeries *series_number(int number) const;
    // One row per series (summary_rows), a series not analysed yet saying so.
    std::vector<SummaryRow> rows() const;
    // speed_change_line() of the rows.
    std::string speed_line() const;
    // What the headers left in doubt, files that are no scans.
    const std::vector<std::string> &notes() const { return notes_; }

    // The run report of every series: each analysed again, its figures
    // drawn into plot files in `folder` (which must exist), the summary
    // first.  Series not analysed are reported as such.
    RunReport run_report(const std::string &folder, AnalysisFeedback &feedback);

  private:
    // The series of these facts (a name changes once a second cell shows
    // up), made when there is none; its scans, when they changed, wait for
    // analysis.
    OverviewSeries &entry(const ScanFacts &facts, const std::string &name,
                          const std::vector<std::string> &scans);
    // Reads `files` afresh, all active; files that give no points are left
    // out (and set aside while following).
    Outcome read(std::vector<std::string> &files, AnalysisFeedback &feedback);
    // Every column of the series; figures into `figures` when not empty.
    std::vector<SeriesReport> analyse_series(const OverviewSeries &s,
                                             std::vector<std::string> &files,
                                             AnalysisFeedback &feedback,
                                             const std::string &figures);

    Session &session_;
    OverviewSettings settings_;
    std::vector<OverviewSeries> series_;
    std::vector<std::string> notes_;
    std::unique_ptr<FolderWatch> watch_;
    bool told_capacity_ = false;
};

// Where each followed series of a watch stands, for speed_change_line():
// its latest scan's speed and time (from its header) and whether its latest
// analysis reached equilibrium (`reached`, by series number).
std::vector<SeriesStanding> watch_standings(const FolderWatch &watch, const Session &session,
                                            const std::map<int, bool> &reached);

}  // namespace quillane::session
