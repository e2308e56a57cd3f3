// SPDX-License-Identifier: MIT
// How points look: the palette, the mapping from a series code to colour and
// shape, the style options of the Style menu, and the fonts of the plot.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <array>

namespace quillane::viewer {

inline constexpr int kPaletteSize = 16;
using Palette = std::array<QColor, kPaletteSize>;

// The 16 colours of the series.
Palette InitColours();

// Codes above 60 with symbols cycled first run past the palette; they are
// all drawn in this dark grey, which no palette entry uses.
inline const QColor kOverflowColour{64, 64, 64};

enum class SymbolShape { circle = 0, box = 1, triangle = 2, diamond = 3 };

struct SymbolLook {
    int colour_index = 0;  // into the palette; kPaletteSize or more when beyond it
    SymbolShape shape = SymbolShape::circle;
};

// Colour and shape of series code `code` (>= 1).  Colours first: the colour
// changes with every code and the shape every 15 codes; symbols first: the
// shape changes with every code and the colour every 4 codes.
SymbolLook symbolFor(int code, bool cycle_colors_first);

// The colour of a palette index, kOverflowColour past the palette.
QColor colourOf(const Palette &palette, int colour_index);

struct PlotStyle {
    double SymbolSize = 1.0;  // 1.0 large symbols, 0.5 small (plot units)
    bool OmitLines = false;
    bool FilledSymbols = false;
    bool CycleColorsFirst = true;
    Palette palette = InitColours();
};

// The serif family of the plot's text: Times New Roman where installed, else
// a metric-compatible substitute.
QString plotFontFamily();

// A font of the plot family with the given pixel size.
QFont plotFont(int pixel_size, bool bold = false);

}  // namespace quillane::viewer
