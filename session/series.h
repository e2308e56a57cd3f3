// SPDX-License-Identifier: MIT
// A run is seldom one tidy series: the rotor goes through several speeds,
// wavelengths are scanned in turn, and only scans of one cell, one speed
// and one wavelength can be compared.  This splits scans into such series
// by what their headers say, in time order, and says what it found,
// including every header that leaves a scan's place in doubt.
//
// Qt-free and library-free: it works on the facts the library read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillane::session {

// The facts of one scan file's header (the library's quillane_scan_header).
struct ScanFacts {
    std::string file;
    bool opened = true;      // false: the file cannot be read; `error` says why
    bool time_line = false;  // false: nothing is known of the scan
    std::string error;
    std::optional<int> cell;
    std::optional<double> temperature_c;
    std::optional<double> speed_rpm;
    std::optional<double> time_s;
    std::optional<double> omega2t;
    std::optional<double> wavelength_nm;
    // Facts the header holds but that are text or implausible, by name
    // ("rotor speed").
    std::vector<std::string> unreadable;
};

// Speeds within this share of each other are one speed: an instrument that
// writes the measured speed wobbles by a few rpm, while the speeds of a run
// lie far apart.
inline constexpr double kSpeedTolerance = 0.005;
// Wavelengths within this many nm are one: instruments write 280 or 281.
inline constexpr double kWavelengthTolerance = 2.0;

struct Series {
    std::optional<int> cell;
    std::optional<double> speed_rpm;      // the speed most of its scans give
    std::optional<double> wavelength_nm;  // likewise
    // The scans, as 1-based positions in the list that was split, in time
    // order; in the list's order when a scan has no time.
    std::vector<int> scans;
    bool in_time_order = true;
};

struct SeriesSplit {
    std::vector<Series> series;      // in the order of their first scans' times
    std::vector<std::string> notes;  // odd headers, one sentence each
    bool several_cells = false;      // the scans come from more than one cell
    std::vector<int> unreadable;     // files that cannot be read (positions)
};

SeriesSplit split_into_series(const std::vector<ScanFacts> &scans);

// "10,000 rpm 280 nm, 19 scans" (with the cell in front when the scans come
// from several cells).
std::string series_label(const SeriesSplit &split, int number);

// The same without the count: "cell 2, 10,000 rpm 280 nm".
std::string series_name(const SeriesSplit &split, int number);

// "3 series: 10,000 rpm 280 nm, 19 scans; 14,000 rpm 280 nm, 20 scans; ...".
std::string series_summary(const SeriesSplit &split);

// The report's record of the series picked for analysis: "Series 2 is
// analysed: 14,000 rpm 280 nm, 20 scans".
std::string series_choice_line(const SeriesSplit &split, int number);

// One line for scripts: "1: 10000 rpm, 280 nm, 20 scans, 00001.RA2 ...
// 00020.RA2" -- number, speed, wavelength, count, first and last file (with
// ", cell N" after the count when the scans come from several cells;
// "unknown rpm" and "unknown nm" where the headers do not say).
std::string series_line(const SeriesSplit &split, int number, const std::vector<ScanFacts> &scans);

// The latest scan and every nth one before it (n >= 1): the assessment
// compares every scan with the latest, so the latest is always kept.
std::vector<int> every_nth(const std::vector<int> &scans, int n);

// A whole number with thousands separators ("10,000"), else as %g.
std::string grouped_number(double v);

}  // namespace quillane::session
