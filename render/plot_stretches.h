// SPDX-License-Identifier: MIT
// The stretches the column finder looked at, as shaded bands behind the
// scans: columns it took in one colour, candidates it refused hatched, each
// numbered from the meniscus side and labelled with the limits it gives.
// Widget-free, so the window, the printer, the clipboard and image files
// show the same bands; the hit tests serve the window's mouse.
#pragma once

#include <QPainter>
#include <QString>
#include <optional>
#include <vector>

#include "plot_scale.h"

namespace quillane::viewer {

struct StretchBand {
    // The stretch's ends, in the plot's x units.
    double from = 0.0;
    double to = 0.0;
    // The limits taking it gives (a column's limits as the finder gives
    // them; else its ends less the column margin), in the same units.
    double low = 0.0;
    double high = 0.0;
    int number = 0;        // its number as a column, 1 nearest the meniscus; 0: refused
    bool taken = false;    // the finder took it as a solution column
    bool inForce = false;  // its limits are the data limits in force
    QString limits;        // "20.194-20.794 cm^2"
    QString tip;           // "Column 2: ..." or why it was refused
};

// Draws every band over the plot area, clipped to the x axis, with its
// number and limits near the top; `pixel_size` is the tick labels' size.
void drawStretchBands(QPainter &painter, const PlotScale &scale,
                      const std::vector<StretchBand> &bands, int pixel_size);

// The band (index into `bands`) under the data position x; none outside
// every band.  Bands do not overlap: the first that holds x is taken.
std::optional<size_t> bandAt(const std::vector<StretchBand> &bands, double x);

// Which end of a band lies within `reach` (data units) of x.
struct BandEdge {
    size_t band = 0;
    bool upper = false;  // the end at the larger position
};
std::optional<BandEdge> bandEdgeAt(const std::vector<StretchBand> &bands, double x, double reach);

}  // namespace quillane::viewer
