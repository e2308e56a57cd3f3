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
// Only regular files are read (a named pipe put in place of a scan would
// stop the watch at its open), and the folder must stay the one the watch
// began in: a folder moved away and another made under its name holds
// another run, so the watch ends rather than take its scans for this one.
//
// A look reads only what may have changed.  While the folder's own
// modification time stays what it was, nothing was added, removed or
// renamed in it, so the listing is skipped and only the files the watch
// knows as scans are asked for their size and times; files found to be no
// scans are remembered by a fingerprint of their name and signature, so
// their number costs neither memory nor time at each look.  The polling
// stays the truth: see kFullLookSeconds.
//
// Qt-free and library-free: header facts come from the caller (the
// session's scan_header), time from an injectable clock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
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
// The interval between looks, for both watches.  Below a tenth of a second
// a watch spends its time looking while a scan takes seconds to write;
// beyond a day it would never see a run through.
inline constexpr double kMinIntervalSeconds = 0.1;
inline constexpr double kMaxIntervalSeconds = 86400.0;
// The listing is skipped while the folder's modification time stands, but
// a whole look is made at least this often all the same: a network file
// system may show a folder's attributes cached for up to a minute (NFS's
// acdirmax), and a file rewritten within one tick of the file system's
// clock, to the same size, shows no change at all.
inline constexpr double kFullLookSeconds = 60.0;
// A folder's modification time read this close to the moment it was set may
// still hide a later change made within the same tick of the file system's
// clock (two seconds on FAT, the coarsest): the next look then lists the
// folder rather than trust it.
inline constexpr long long kCoarseClockNs = 2'000'000'000LL;
// At most this many files are named in one note; the rest are counted
// ("... and 99,990 more"): a folder of a hundred thousand logs gives a line,
// not a megabyte.
inline constexpr size_t kNamedInANote = 5;

// A series as the watch follows it.
//
// A scan's number is given when the watch first places it in its series and
// never changes: scans placed at one look are numbered in the order of
// their header times (then of their names), after every scan placed before.
// So the scans already in the folder at the start are numbered in time
// order, and one that arrives later is numbered after them even when its
// header time is earlier (the instrument's clock was set back): the watch
// says so, and no earlier scan changes its number or its line.  A scan that
// leaves its series (its file gone, its header rewritten) leaves a gap, and
// takes its number again if it returns.  The analysis takes the scans in
// the order of their numbers.
struct WatchedSeries {
    int number = 0;    // 1, 2, ... in the order the watch met the series
    std::string name;  // "10,000 rpm 280 nm" (with the cell when several)
    bool followed = true;
    // Every scan the headers place in the series now, used or not, in the
    // order of their numbers.
    std::vector<std::string> members;
    std::vector<int> numbers;        // each member's number, rising
    std::vector<std::string> scans;  // the members taken, in the same order
    // The number of a member; 0 when it is none.
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
    // say (each only once).  False, with error set, when the folder is gone,
    // cannot be read, or is another folder than the one the watch began in
    // (its device and inode, taken when the watch is made): the watch
    // cannot go on.
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
    // the user did not choose, or they were found to be no scans before).
    std::vector<std::string> unused() const;
    // Of those, the ones still arriving: changing at the last look, or
    // looking unfinished and waiting for the rest.
    std::vector<std::string> arriving() const;

    // The files of the folder the pattern takes, by name; false with error
    // set when the folder cannot be read.
    bool list_files(std::vector<std::string> &files, std::string &error) const;

  private:
    struct Signature {
        unsigned long long size = 0, inode = 0;
        long long modified_ns = 0, status_ns = 0;
        bool operator==(const Signature &) const = default;
    };
    enum class State { settling, waiting, unusable, taken };
    // A file the watch follows.  Kept small: every new file of the folder
    // has one until it is found to be no scan, and a folder may get
    // thousands of those at once.
    struct Entry {
        Signature signature;
        double changed_at = 0.0;  // when the signature was last seen to change
        // When it was first placed in a series: later scans have higher
        // ones.  0 until then.
        unsigned long long arrival = 0;
        int unchanged_looks = 0;
        int points = 0;
        unsigned listed = 0;  // the listing that last saw it
        State state = State::settling;
        bool line_cut = false;
        // What its header says once it places the file (opened, time
        // line); none until then.
        std::unique_ptr<ScanFacts> facts;
        std::string why;  // why it waits or cannot be used
    };
    // Which numbers the scans of one series were given.
    struct Numbering {
        std::map<std::string, int> number;
        int last = 0;
    };
    // Called with each file a listing finds: its path and signature.
    using Found = std::function<void(std::string path, const Signature &signature)>;

    // Opens the folder and checks that it is still the one the watch began
    // in; -1 with error set when it is not, is gone or cannot be read.
    // `modified_ns` is the folder's modification time.
    int open_folder(long long &modified_ns, std::string &error);
    // The files of the open folder the pattern takes, with their
    // signatures, one by one: a listing is never held whole.
    bool list(int folder, const Found &found, std::string &error) const;
    // Brings the file's entry up to date with what was seen of it now.
    void seen(const std::string &file, const Signature &now_seen, double now,
              std::vector<WatchMessage> &messages);
    // Drops a file that is gone; the next entry.
    std::map<std::string, Entry>::iterator forget(std::map<std::string, Entry>::iterator it,
                                                  std::vector<WatchMessage> &messages);
    // Says `text` about a file that waits, unless the same kind of reason
    // was said of it last (a scan written in chunks is named once, not at
    // every chunk).
    void tell_waiting(const std::string &file, const std::string &kind, const std::string &text,
                      std::vector<WatchMessage> &messages);

    // False when the file turned out to be no scan: it leaves the entries.
    bool examine(const std::string &file, Entry &e, std::vector<WatchMessage> &messages);
    void decide(const std::string &file, Entry &e, double now, int usual_points, bool later_scan,
                std::vector<WatchMessage> &messages);
    void regroup(double now, std::vector<WatchMessage> &messages);
    // The members of a series of the split, numbered; `w` gets them.
    void number_members(WatchedSeries &w, const std::vector<std::string> &files,
                        std::vector<WatchMessage> &messages);
    // Whether the user is concerned with a file never used.
    bool concerns_user(const std::string &file, const Entry &e) const;
    std::vector<std::string> unused_where(bool only_arriving) const;

    WatchSettings settings_;
    HeaderReader header_;
    Clock clock_;
    std::string prefix_;  // the folder with its separator: a file's path is prefix_ + name
    std::map<std::string, Entry> files_;
    std::vector<WatchedSeries> series_;
    std::map<int, Numbering> numbering_;  // by series number
    unsigned long long arrivals_ = 0;
    // Every change of a series' scans counts; changed_series() hands out
    // the series whose count moved since.
    std::map<int, unsigned long long> revision_, handed_out_;
    // Files found to be no scans: a fingerprint of the name, and of the
    // signature they had then.  One whose signature changes is looked at
    // again; its name keeps it from being named twice.
    std::unordered_map<std::uint64_t, std::uint64_t> not_scans_;
    std::map<std::string, std::string> told_waiting_;  // file: kind of reason said last
    std::set<int> told_not_followed_;
    std::set<std::string> told_out_of_order_;
    bool told_together_ = false;

    // The folder as the watch began: another one under its name ends it.
    bool identified_ = false;
    unsigned long long folder_device_ = 0, folder_inode_ = 0;
    // What the last listing saw of the folder, and when it was made.
    unsigned listings_ = 0;
    long long folder_modified_ns_ = 0;
    bool folder_time_trusted_ = false;
    double listed_at_ = 0.0;
    // Something changed since the series were last made up.
    bool regroup_due_ = true;
};

}  // namespace quillane::session
