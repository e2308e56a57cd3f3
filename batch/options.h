// SPDX-License-Identifier: MIT
// Command line of quillane-batch.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session.h"

namespace batch {

struct Options {
    std::string report = "quillane-report.txt";  // --out
    std::vector<int> active;                     // --active: data set numbers; empty = all read
    std::optional<std::pair<double, double>> limits;  // --limits LO HI
    bool radius = false;                              // --radius: radius r instead of xi = r^2/2
    std::optional<int> span;                          // --span N
    std::optional<int> terms;                         // --terms T
    int ref = 0;                      // --ref K: reference active set; 0 = the last active set
    std::string plots_dir = "plots";  // --plots DIR
    bool echo = false;                // --echo: echo the scan files into the report
    std::string images;               // --images: png, bmp, svg or pdf; empty = no images
    std::optional<std::pair<int, int>> image_size;  // --image-size WxH
    std::string report_pdf;                         // --report-pdf FILE: the run report
    std::string page_size = "a4";                   // --page-size a4|letter

    // ---- the equilibrium assessment and results for other tools ----
    bool assess = false;                // --assess: the assessment into the report
    std::string csv;                    // --csv FILE: every ordered pair
    std::string json;                   // --json FILE: the whole run
    std::optional<double> block_hours;  // --block-time H: minimum time of the matching scans
    std::optional<double> tolerance;    // --tolerance X
    bool exact_f = false;               // --exact-f

    // ---- series and solution columns ----
    // --series: "" none asked, "list", "all", or a series number.
    std::string series;
    bool each_series = false;   // --each-series
    int every = 1;              // --every N: the latest scan and every Nth before it
    bool list_columns = false;  // --columns
    bool verbose = false;       // --verbose: --columns says why of every stretch
    int column = 0;             // --column K: limits of solution column K; 0 = none
    double margin = quillane::session::kDefaultColumnMargin;  // --margin CM

    int series_number() const;  // the number --series gives, 0 when none

    // ---- watching a folder ----
    std::string watch;               // --watch DIR
    std::string pattern = "*";       // --pattern GLOB
    double interval = 10.0;          // --interval S
    bool until_equilibrium = false;  // --until-equilibrium

    bool help = false;
    bool version = false;  // --version: the program's and the library's version
    std::vector<std::string> files;
};

// Image sizes: bitmaps in pixels; SVG and PDF pages in units of 1/96 inch,
// so the default page is 10 x 7.5 inches, which fits landscape A4 and
// Letter paper.  Both keep the 4:3 proportions of the plot window.
inline constexpr std::pair<int, int> kBitmapSize{1200, 900};
inline constexpr std::pair<int, int> kPageSize{960, 720};
inline constexpr int kMinImageSide = 100;
inline constexpr int kMaxImageSide = 10000;

// True when this build can draw images (the render library was built).
bool images_available();

// The size of the images: --image-size, else the default of the format.
std::pair<int, int> image_size_of(const Options &o);

// Parses argv (argv[0] is the program) with CLI11; on a mistake returns
// nothing and sets error to one sentence naming it.  Touches nothing but
// its arguments: no output, no exit, no exception, whatever argv holds.
// --help and --version come back as help and version, with nothing else
// checked.
std::optional<Options> parse_options(int argc, const char *const *argv, std::string &error);

// The --help text, made from the same declarations the parser uses.
std::string usage_text();

}  // namespace batch
