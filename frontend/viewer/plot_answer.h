// SPDX-License-Identifier: MIT
// What the program says about a plot beyond its points: the answer the plot
// gives in words (the equilibrium verdict, whole, however long), labels for
// its reference lines, and a command for the graph the answer points the
// user to.  The plot file has room for 79 characters of text; the program
// knows more and hands it to the viewer with the plot.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "plot_line_labels.h"

namespace quillane::viewer {

struct PlotAnswer {
    QString text;           // the answer in full; shown wrapped above the plot
    QString note;           // a remark below it (what decided the verdict), or empty
    QString actionCaption;  // the button offering the graph the note points to
    std::function<void()> action;
    // The plot opens with its time axis in hours unless the user has chosen.
    bool hoursByDefault = false;
    std::vector<PlotLineLabel> lines;
    bool empty() const { return text.isEmpty() && note.isEmpty() && lines.empty(); }
};

}  // namespace quillane::viewer
