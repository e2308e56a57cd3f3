// SPDX-License-Identifier: MIT
// What a watch does with a series after each new scan, as the runner and
// the program both do it: the series' latest scans (at most the session's
// capacity, the latest kept, and said), read again into the session, scans
// that give no points set aside, the one analysis sequence of
// series_analysis.h, and the line the user reads.  Also the two things both
// watches do before the first look: list the folder's series, and turn a
// series chosen by its number into one chosen by its facts.
//
// The caller keeps what is its own: its timer, where its lines go, what a
// fresh read means for its report, and what it writes after an analysis.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "folder_watch.h"
#include "series_analysis.h"

namespace quillane::session {

// The series of the watched folder now, one line each ("1: 10,000 rpm
// 280 nm, 20 scans, ..."), in the order a number names them.  False with
// error set when the folder cannot be read.
bool folder_series_lines(const Session &session, const WatchSettings &settings,
                         std::vector<std::string> &lines, std::string &error);

// A series chosen by number counts the series of the folder as it is now;
// the selector then names that series' facts, so that the watch follows
// the same series as the folder grows.  Nothing to do for other selectors.
// False with error set (listing the series) when there is no such series.
bool settle_series_number(const Session &session, WatchSettings &settings, std::string &error);

// The latest scans that fit the session's capacity (kMaxDataSets): the
// assessment compares every scan with the latest, so the latest are kept.
std::vector<std::string> latest_within_capacity(const std::vector<std::string> &scans);

// One analysis of a series.
struct WatchStep {
    enum class State {
        none,         // the series has no scans
        waiting,      // fewer scans than a fit needs
        refused,      // read or analysis refused: `line` says why
        column_lost,  // the column kept is not found in the scans: no verdict
        analysed,     // fitted (and assessed when the choice asks)
    };
    State state = State::none;
    int place = 0;       // the latest scan's place in its series
    std::string latest;  // its file
    int scans = 0;       // scans analysed
    // "scan 4: 00004.RA1, t = 4.00 h, RMS vs previous ...; <verdict>;
    // column 1: 5.880-6.060 cm", or why there is no answer.
    std::string line;
    AnalysisResult analysis;
};

class WatchAnalyst {
  public:
    // Reads `files` into the session as data sets 1..n, all active, and
    // tells what each file gave.  The caller decides what else a fresh read
    // means (a new report, the library's start values).
    using Reader = std::function<Outcome(const std::vector<std::string> &files,
                                         std::vector<FileOutcome> &read)>;

    WatchAnalyst(Session &session, FolderWatch &folder, AnalysisChoice choice)
        : session_(session), folder_(folder), choice_(std::move(choice)) {}

    // Series `number` again with the scans taken so far.  The first
    // analysis that finds the column the choice names keeps it: every later
    // one analyses that column (AnalysisChoice::kept_column), and a scan in
    // which it is not found gets no verdict and a line that says so.
    WatchStep analyse(int number, const Reader &read, AnalysisFeedback &feedback);

    // The column kept, as the user sees it ("column 1: 5.880-6.060 cm");
    // empty before one is.
    const std::string &kept_column_text() const { return kept_text_; }

  private:
    Session &session_;
    FolderWatch &folder_;
    AnalysisChoice choice_;
    bool told_capacity_ = false;
    std::string kept_text_;
};

// How many looks a watch whose series have all reached equilibrium waits
// for the scans still arriving before it ends (the runner's
// --until-equilibrium) or says so (the program's note).  A scan written
// whole is taken kStableLooks + 1 looks after its last write; ten looks
// leave room for a writer that pauses between chunks, and still end the
// watch when the instrument goes on writing scan after scan.
inline constexpr int kArrivalLooks = 10;

// Whether a watch that has reached equilibrium is done: a scan still
// arriving is judged first (it may be whole a look later, and its verdict
// counts), for at most kArrivalLooks looks.
class ArrivalWait {
  public:
    // After a look and its analyses; `reached`: every series followed says
    // equilibrium now.
    bool settled(bool reached, const FolderWatch &folder);

  private:
    int looks_ = 0;
};

// ---- the lines the watch prints and shows ----

// One line about the latest scan of the session's analysis: "scan 4:
// 00004.RA1, t = 4.00 h, RMS vs previous 1.234e-03, vs first 5.678e-03,
// noise 5.0e-03; <verdict>; forecast ..." -- `scan_number` is the scan's
// place in its series; `assessment` may be null.
std::string watch_status_line(const Session &session, int scan_number,
                              const Assessment *assessment);

// Every followed series of a watch as one JSON object: {"series": [{"number":
// 1, "name": "...", ...the run...}, ...]}; `runs` holds each series' run as
// results_json wrote it, by series number.
std::string watch_results_json(const FolderWatch &watch, const std::map<int, std::string> &runs);

}  // namespace quillane::session
