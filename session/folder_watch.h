// SPDX-License-Identifier: MIT
// Following a run folder while the instrument writes it: which files are
// scans, when a scan is whole, and which series each belongs to.  The
// headless runner and the program both drive it, each with its own timer;
// it never sleeps and never analyses anything itself.
//
// An instrument writes a scan over seconds, sometimes in chunks with pauses
// between them, and a run folder holds every cell, speed and interleaved
// wavelength under one numbering (00001.RA2, 00002.RA2, ...) together with
// files that are no scans at all (CELL1ABS.LOG).  A scan is taken only when
// it is whole:
//  - its size, modification and status-change times have not changed over
//    two intervals (at least two looks, two intervals apart), and
//  - it reads completely: its last line is ended, and it has at least
//    kShortScanShare of the points the earlier scans of its series have.
//    A scan that fails either check waits, until it changes, a later scan
//    appears in the folder (the instrument has moved on, so this one is as
//    finished as it will get) or it has stayed unchanged for
//    kIncompleteGraceIntervals intervals; it is then taken with a note.
// A file that cannot be used (cannot be opened, no data points yet) is
// looked at again whenever it changes, and keeps its place in its series:
// scan numbers count every scan of a series the headers place, used or not.
//
// Qt-free and library-free: header facts come from the caller (the
// session's scan_header), time from an injectable clock.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "series.h"
#include "series_selector.h"

namespace quillane::session {

class Session;
struct Assessment;

// Scans of one series cover the same radial range at the same step, so
// whole ones have point counts within a few per cent of each other; a scan
// read while the instrument is still writing it lacks the share it has not
// written yet.  Below 90 % of the series' usual count (the median of its
// scans taken so far) a scan is taken for unfinished: that catches a scan
// of which a quarter or more is missing, while the spread of whole scans
// stays well inside it.
inline constexpr double kShortScanShare = 0.9;
// How long (in intervals) a scan that looks unfinished but no longer
// changes waits before it is taken all the same: long beside the pauses of
// a writer (seconds), short beside the hours between scans.
inline constexpr int kIncompleteGraceIntervals = 30;
// Looks a file must stay unchanged for, and the intervals they span.
inline constexpr int kStableLooks = 2;

// A series as the watch follows it.
struct WatchedSeries {
    int number = 0;    // 1, 2, ... in the order the watch met the series
    std::string name;  // "10,000 rpm 280 nm" (with the cell when several)
    bool followed = true;
    // Every scan the headers place in the series, used or not, in time
    // order: a scan's number in the series is its place here.
    std::vector<std::string> members;
    std::vector<std::string> scans;  // the members taken, in time order
    // The place (1-based) of a member; 0 when it is none.
    int place(const std::string &file) const;
};

// What the watch has to say after a look.
struct WatchMessage {
    bool about_a_scan = false;  // one scan waits or cannot be used; the watch goes on
    std::string text;
    std::string file;  // the scan it is about, or empty
};

struct WatchSettings {
    std::string folder;
    std::string pattern = "*";  // which file names are scans (fnmatch)
    double interval_s = 10.0;
    SeriesSelector follow;
    // Files of the folder that are the caller's own (its report, results):
    // never taken for scans.
    std::function<bool(const std::string &path)> own_file;
    // Which lines of a scan are data lines: the library's own rule
    // (Session::is_data_line), so that a watch counts what the reader
    // reads.  Counted the same way for every scan, so counts compare
    // between the scans of a series.  Needed to take any scan.
    using DataLineTest = std::function<bool(std::string_view line)>;
    DataLineTest data_line;
};

class FolderWatch {
  public:
    using HeaderReader = std::function<ScanFacts(const std::string &file)>;
    using Clock = std::function<double()>;  // seconds, never going back

    // Without a clock the watch uses the steady clock.
    FolderWatch(WatchSettings settings, HeaderReader header, Clock clock = {});

    const WatchSettings &settings() const { return settings_; }

    // One look at the folder.  Messages are added for what the caller should
    // say (each only once).  False, with error set, when the folder is gone
    // or cannot be read: the watch cannot go on.
    bool look(std::vector<WatchMessage> &messages, std::string &error);

    const std::vector<WatchedSeries> &series() const { return series_; }
    const WatchedSeries *series_number(int number) const;
    // The followed series whose scans changed since the last call.
    std::vector<int> changed_series();

    // The analysis could not use `file` (the library read no points from
    // it): it leaves its series until the file changes.
    void set_aside(const std::string &file, const std::string &why);

    // The scans never used so far, "00007.RA2: no data points yet", in name
    // order: files of the followed series, and files that could not be
    // placed in any series (unless their header already names a series
    // the user did not choose).
    std::vector<std::string> unused() const;

    // The files of the folder the pattern takes, by name; false with error
    // set when the folder cannot be read.
    bool list_files(std::vector<std::string> &files, std::string &error) const;

  private:
    struct Signature {
        unsigned long long size = 0, inode = 0;
        long long modified_ns = 0, status_ns = 0;
        bool operator==(const Signature &) const = default;
    };
    enum class State { settling, waiting, unusable, not_scan, taken };
    struct Entry {
        Signature signature;
        double changed_at = 0.0;  // when the signature was last seen to change
        int unchanged_looks = 0;
        State state = State::settling;
        bool has_facts = false;  // the header places it (opened, time line)
        ScanFacts facts;
        int points = 0;
        bool line_cut = false;
        std::string why;  // why it waits or cannot be used
    };
    // Says `text` about a file that waits, unless the same kind of reason
    // was said of it last (a scan written in chunks is named once, not at
    // every chunk).
    void tell_waiting(const std::string &file, const std::string &kind, const std::string &text,
                      std::vector<WatchMessage> &messages);

    void examine(const std::string &file, Entry &e, std::vector<WatchMessage> &messages);
    void decide(const std::string &file, Entry &e, double now, int usual_points, bool later_scan,
                std::vector<WatchMessage> &messages);
    void regroup(double now, std::vector<WatchMessage> &messages);

    WatchSettings settings_;
    HeaderReader header_;
    Clock clock_;
    std::map<std::string, Entry> files_;
    std::vector<WatchedSeries> series_;
    std::map<int, std::vector<std::string>> handed_out_;  // scans at the last changed_series()
    std::set<std::string> told_not_scan_;
    std::map<std::string, std::string> told_waiting_;  // file: kind of reason said last
    std::set<int> told_not_followed_;
    bool told_together_ = false;
};

}  // namespace quillane::session
