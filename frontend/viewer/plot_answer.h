// SPDX-License-Identifier: MIT
// What the program says about a plot beyond its points: the answer the plot
// gives in words (the equilibrium verdict, whole, however long), labels for
// its reference lines (noise level, threshold, forecast time), and a command
// for the graph the answer points the user to.  The plot file has room for
// 79 characters of text and no names for its lines; the program knows more
// and hands it to the viewer with the plot.
#pragma once

#include <QPainter>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "plot_scale.h"

namespace quillane::viewer {

// A reference line of the plot and what it stands for.  `value` is in the
// plot file's units (seconds on a time axis).
struct PlotLineLabel {
    enum class Kind { horizontal, vertical };
    Kind kind = Kind::horizontal;
    double value = 0.0;
    QString text;
};

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

// The time stamp ("14:02:11 ON 12/09/2026") in the reader's stamp text,
// which may begin with the last characters of a long second heading; empty
// when there is none.
QString timeStampOf(const std::string &stamp);

// Writes each label beside its line: a horizontal line's label above its
// right end, a vertical line's label beside its top.  `x_factor` turns the
// plot file's x units into the axis' units (1/3600 while hours are shown).
void drawLineLabels(QPainter &painter, const PlotScale &scale,
                    const std::vector<PlotLineLabel> &labels, double x_factor, int pixel_size);

}  // namespace quillane::viewer
