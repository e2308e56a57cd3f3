// Keeps every plot file the library writes: the library always writes the
// same name and never overwrites it, so each plot is moved to the next free
// numbered name (plot_000.dat, plot_001.dat, ...) right after it is written.
#pragma once

#include <string>
#include <vector>

namespace batch {

// A plot file the run kept, with what it shows.
struct KeptPlot {
    std::string path;
    std::string what;
};

class PlotKeeper {
  public:
    explicit PlotKeeper(std::string dir) : dir_(std::move(dir)) {}

    // Creates the folder and moves a plot file left from an earlier run
    // aside to plot.bak, so the library can create its file.
    bool prepare(std::string &error);

    // The name the library writes to.
    std::string plot_file() const;

    // Moves a freshly written plot file to its numbered name, adds it to
    // plots and prints where it went.  False when there was none.
    bool keep(const std::string &what, std::vector<KeptPlot> &plots);

  private:
    std::string dir_;
    int next_ = 0;
};

}  // namespace batch
