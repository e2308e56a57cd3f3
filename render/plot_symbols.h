// SPDX-License-Identifier: MIT
// Symbols stamped onto a picture of pixels.
//
// A plot may hold 204,800 points, and drawing each antialiased symbol
// through the painter's path machinery is slow.  All symbols of a plot have
// the same few shapes, so each shape is drawn once, by the painter with
// antialiasing, into a small coverage mask for each quarter-pixel position
// of its centre; every point then only blends the mask of its shape and
// position, in its colour, into a layer of the picture's size.  The layer
// goes onto the picture in one draw before anything else is drawn (a line
// between the symbols) and at the end, so what lies on top of what does not
// change.  Centres are placed to within an eighth of a pixel.
//
// Only for painters that draw onto pixels without rotation or shearing;
// printers, SVG and PDF files get the symbols as shapes.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QSizeF>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "plot_style.h"

namespace quillane::viewer {

class SymbolLayer {
  public:
    // Draws the outline (and the fill, when filled) of one symbol of `shape`
    // centred on `centre`, in device pixels, onto `painter`, whose pen and
    // brush are set.
    using DrawShape = std::function<void(QPainter &painter, SymbolShape shape, QPointF centre)>;

    // True when symbols drawn through a layer look as when drawn on
    // `painter` one by one: it paints onto pixels, with plain source-over
    // blending, no clipping and a transform that only scales (the same in
    // both directions) and moves.
    static bool suits(const QPainter &painter);

    // Symbols within `area` (the painter's logical coordinates, from 0, 0);
    // `pen_width` is their pen width in device pixels, `reach` how far, in
    // device pixels, any symbol extends from its centre.
    SymbolLayer(QPainter &painter, QSizeF area, DrawShape draw, double pen_width, bool filled,
                double reach);
    ~SymbolLayer();
    SymbolLayer(const SymbolLayer &) = delete;
    SymbolLayer &operator=(const SymbolLayer &) = delete;

    // A symbol centred on `centre`, in the painter's logical coordinates.
    void add(QPointF centre, SymbolShape shape, QColor colour);
    // Puts the symbols added so far onto the painter's picture.
    void flush();

  private:
    static constexpr int kPhases = 4;  // centre positions per pixel and direction

    // Pixels dx .. dx + length - 1 of row dy of a mask (from its centre
    // pixel): fully covered (begin < 0), or with the coverages
    // alphas_[begin ..].  A row is cut into groups of kGroup pixels from its
    // first covered pixel on; groups that are fully covered, partly covered
    // or not at all are put together into runs, and uncovered ones left
    // out.  (A partly covered group may hold uncovered pixels, which leaves
    // them as they are.)
    static constexpr int kGroup = 4;
    struct Run {
        int dy = 0;
        int dx = 0;
        int length = 0;
        int begin = -1;
    };
    struct Mask {
        bool made = false;
        int runs_begin = 0;
        int runs_end = 0;
    };

    const Mask &mask(SymbolShape shape, int phase_x, int phase_y);

    QPainter &painter_;
    DrawShape draw_;
    double pen_width_;
    bool filled_;
    int half_;  // the masks are 2 half_ + 1 pixels wide and high
    QTransform to_device_;
    QImage layer_;
    uint32_t *bits_ = nullptr;  // the layer's pixels
    int stride_ = 0;            // pixels per row
    int width_ = 0, height_ = 0;
    // The pixels symbols went to since the last flush: x0..x1, y0..y1.
    int dirty_x0_ = 0, dirty_y0_ = 0, dirty_x1_ = -1, dirty_y1_ = -1;
    std::array<Mask, 4 * kPhases * kPhases> masks_{};
    std::vector<Run> runs_;
    std::vector<uint8_t> alphas_;
};

}  // namespace quillane::viewer
