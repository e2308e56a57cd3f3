// SPDX-License-Identifier: MIT
// What the series of a plot stand for.  A plot file carries only series
// codes; the program and the runner know what each one is (a data set, a
// fit kind, a position) and hand the names to the figure with the plot.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "session.h"

namespace quillane::viewer {

struct SeriesNames {
    QString title;                 // what the series are, as the key heads them
    std::map<int, QString> names;  // series code (1 and above) -> its name
    bool empty() const { return names.empty(); }
};

using session::PlotSubject;

// Text the session hands over (file names are bytes) as it is shown.
using SessionText = std::function<QString(const std::string &)>;

// "No Offsets", "Y Offsets", "Y and XI/R Offsets" for fit kinds 1..3; ""
// for any other.
QString fitKindCaption(int kind);

// The names of the series of `subject`: the active sets of a data plot or a
// deviations graph ("3: 00003.RA1"), the fit kinds of the RMS and variance
// graphs, the positions of the deviations-against-time graph, the offsets of
// the position-offsets graph, the RMS of the equilibrium plot.
SeriesNames seriesNamesFor(const PlotSubject &subject, const session::Session &session,
                           const SessionText &text);

}  // namespace quillane::viewer
