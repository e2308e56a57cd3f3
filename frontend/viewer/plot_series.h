// SPDX-License-Identifier: MIT
// What the series of the plot on show stand for.  A plot file carries only
// series codes; the program knows what each one is (a data set, a fit kind,
// a position) and hands the names to the viewer with the plot.
#pragma once

#include <QString>
#include <map>

namespace quillane::viewer {

struct SeriesNames {
    QString title;                 // what the series are, as the legend heads them
    std::map<int, QString> names;  // series code (1 and above) -> its name
    bool empty() const { return names.empty(); }
};

}  // namespace quillane::viewer
