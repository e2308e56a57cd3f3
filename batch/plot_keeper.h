// SPDX-License-Identifier: MIT
// Keeps every plot file the library writes.  Each run has a plot file name
// of its own in the plot folder (the library creates it as a new file);
// right after a plot is written it is moved to the next free numbered name
// (plot_000.dat, plot_001.dat, ...), claimed atomically, so runs that share
// a folder never take or overwrite each other's plots.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session.h"

namespace batch {

// A plot file the run kept, with what it shows: in words, as the session
// was asked for it (its figure names the series by it), and for the
// approach to equilibrium the assessment it answers.
struct KeptPlot {
    std::string path;
    std::string what;
    quillane::session::PlotSubject subject{};
    std::optional<quillane::session::Assessment> assessment{};
};

class PlotKeeper {
  public:
    explicit PlotKeeper(std::string dir);
    // A plot file still under the run's own name was never kept (a step
    // failed before it could be): it goes, so no hidden file is left behind.
    ~PlotKeeper();
    PlotKeeper(const PlotKeeper &) = delete;
    PlotKeeper &operator=(const PlotKeeper &) = delete;

    // Creates the folder.  False with error set when it cannot.
    bool prepare(std::string &error);

    // The name the library writes to: hidden, and this run's own.
    std::string plot_file() const;

    // Moves a freshly written plot file to its numbered name, adds `plot`
    // (its path set to that name) to plots and prints where it went.  False with error set when
    // there was none or it could not be kept.
    bool keep(KeptPlot plot, std::vector<KeptPlot> &plots, std::string &error);

  private:
    std::string dir_;
    std::string own_name_;
    int next_ = 0;
};

}  // namespace batch
