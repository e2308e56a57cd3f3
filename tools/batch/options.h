// Command line of quillane-batch.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace batch {

struct Options {
    std::string report = "quillane-report.txt";  // --out
    std::vector<int> active;                     // --active: data set numbers; empty = all read
    std::optional<std::pair<double, double>> limits;  // --limits LO HI
    bool radius = false;                              // --radius: radius r instead of xi = r^2/2
    std::optional<int> span;                          // --span N
    std::optional<int> terms;                         // --terms T
    int ref = 1;                                      // --ref K: reference active set
    std::string plots_dir = "plots";                  // --plots DIR
    bool echo = false;                                // --echo: echo the scan files into the report
    bool help = false;
    std::vector<std::string> files;
};

// Parses argv; on a mistake returns nothing and sets error.
std::optional<Options> parse_options(int argc, char **argv, std::string &error);

std::string usage_text();

}  // namespace batch
