// SPDX-License-Identifier: MIT
// A run as the user opens it: a folder of scan files, or files named, any
// number of them.  The files that are no scans are told apart before the
// library reads anything, the scans are split into series, and a series
// that holds more scans than the library takes at once gives up some, said
// in words.  The program's Open Run and the runner's series list both read
// a run through here, so both leave out the same files for the same reason.
//
// Qt-free; the scan test and the headers come from the session.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "quillane.h"
#include "series.h"

namespace quillane::session {

class Session;

// How far into a file the scan test looks for a data line.  A scan's data
// begin on its third line; text that shows none in its first 4 MB (a scan
// of 100,000 points is smaller) is no scan, and reading further would only
// make a folder of large other files slow to open.
inline constexpr size_t kScanTestBytes = 4u << 20;
// The library takes no scan past a line this long (quillane.h, getdatar).
inline constexpr size_t kLongestScanLine = 65536;

// Which lines are data lines: the library's rule (Session::is_data_line).
using DataLineTest = std::function<bool(std::string_view line)>;

// Why `file` is no scan file -- "binary content", "empty", "no data
// lines", "a line longer than 65,536 characters" -- or empty when it is a
// scan, or cannot be opened (the reader then says why it gave no points).
std::string not_a_scan_reason(const std::string &file, const DataLineTest &data_line);

// "not a scan file: CELL1ABS.LOG (no data lines)": the file by its name.
std::string not_a_scan_text(const std::string &file, const std::string &why);

// A file of a run left out before reading, and what the user is told.
struct LeftOutFile {
    std::string file;
    // "not a scan file: NAME (why)", or "cannot read the scan file NAME: why".
    std::string text;
    bool not_a_scan = false;  // else it cannot be read
};

struct RunListing {
    std::string folder;                 // the run's folder; empty for files named
    std::vector<ScanFacts> scans;       // the scan files in natural name order
    std::vector<LeftOutFile> left_out;  // no scans, or unreadable, in name order
    SeriesSplit split;                  // of `scans`
};

// Every file of `folder` (hidden ones and folders apart), in natural name
// order ("2.RA1" before "10.RA1").  False with `error` set when the folder
// cannot be read.
bool list_run_folder(const Session &session, const std::string &folder, RunListing &run,
                     std::string &error);
// The same for files named, in the order given.
RunListing list_run_files(const Session &session, const std::vector<std::string> &files);

// The files at the positions `scans` (1-based into run.scans), in the order
// given.
std::vector<std::string> scan_files(const RunListing &run, const std::vector<int> &scans);

// When series `number` was scanned: "2.00 h to 17.00 h", "at 2.00 h" for a
// single scan; empty when its scans give no time.
std::string series_time_span(const SeriesSplit &split, int number,
                             const std::vector<ScanFacts> &scans);

// "2nd", "11th", "23rd".
std::string ordinal(int n);

// The scans of a series taken for analysis, and what was left out.
struct SeriesTake {
    std::vector<int> scans;  // positions, in time order
    int left_out = 0;
    // "40 of the 90 scans of this series were left out: only the latest 50
    // are read (00041.RA1 ... 00090.RA1)"; empty when none was.
    std::string text;
};
// Every scan when they fit, else the latest `capacity`.
SeriesTake take_latest(const std::vector<int> &scans, const std::vector<ScanFacts> &facts,
                       int capacity = QUILLANE_MAX_DATA_SETS);
// The latest scan and every nth one before it (session::every_nth).
SeriesTake take_every_nth(const std::vector<int> &scans, const std::vector<ScanFacts> &facts,
                          int n);
// The smallest n for which every_nth keeps at most `capacity` of `count`.
int smallest_every_nth(size_t count, int capacity = QUILLANE_MAX_DATA_SETS);

// Names in the order a person counts: "00002.RA1" before "00010.RA1",
// "scan2" before "scan10"; digits compared by value, the rest by byte.
bool natural_less(const std::string &a, const std::string &b);

}  // namespace quillane::session
