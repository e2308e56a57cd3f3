// SPDX-License-Identifier: MIT
// The plot leaving the screen: printed to fit the page, drawn into a bitmap,
// SVG or PDF file, and the whole path from a plot file to an image file for
// use without any window.
#pragma once

#include <QImage>
#include <QPagedPaintDevice>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

#include "equilibrium_answer.h"
#include "plot_axes.h"
#include "plot_renderer.h"
#include "plot_series.h"
#include "plot_style.h"

namespace quillane::viewer {

// Paints a picture of the given logical size.
using PicturePainter = std::function<void(QPainter &painter, QSizeF size)>;

// Where a picture of `picture` proportions goes on a page whose printable
// area is `printable`: as large as fits into 0.8 of its width and height,
// proportions kept, centred.
QRectF fitToPage(QSizeF picture, QRectF printable);

// Prints the picture of logical size `picture` onto one page of `device`
// (a printer or a PDF writer), drawn at the device's resolution.  Returns
// false when the device cannot be painted on.
bool PrintPictureToFitPage(QPagedPaintDevice &device, QSizeF picture, const PicturePainter &paint);

// The file kinds a plot can be saved as, chosen by the file's suffix.
enum class ImageKind { bitmap, png, svg, pdf, other_raster };
ImageKind imageKindOf(const QString &file_name);

// Writes `bytes` (a picture or a document drawn in memory) to `file_name`
// by the session's rule for outputs (files.h): a file is replaced whole or
// left as it was, a character device is written to, anything else is
// refused.  `error` gets the reason of a failure.
bool writeWholeFile(const QString &file_name, const QByteArray &bytes, QString *error);

// Draws the picture into `file_name` at `size` (pixels; points for PDF):
// .svg as SVG, .pdf as PDF, anything else as an image in the format its
// suffix names (.bmp, .png, ...), drawn whole in memory first and then
// written by writeWholeFile.  `error` gets the reason of a failure.
bool savePicture(const QString &file_name, QSizeF size, const PicturePainter &paint,
                 QString *error);

// The picture as an image of `size` pixels.
QImage renderPicture(QSizeF size, const PicturePainter &paint);

struct RenderSettings {
    PlotStyle style;
    LimitLines limits;  // shown only when limits.shown
    // The report file as the library was given it: the heading names it by
    // its file name only (headingWithoutPath).
    QString report;
    // The figure's key and what the plot answers in words, with the labels
    // of its lines.
    SeriesNames names;
    FigureAnswer answer;
    // A time axis in hours rather than the plot file's seconds.
    bool hours = false;
};

// Reads `plot_file` and draws it as a figure (figure.h) into `out_file` at
// `size`, the key strip included, without any window, the heading without
// the report's folders.  Messages that the window would show (no data,
// identical values) go to `notices`.  Returns false, with the reason in `error`, when the plot file
// cannot be read or has no data, or the output cannot be written.
bool renderPlotFile(const QString &plot_file, const QString &out_file, QSize size,
                    const TickRounder &round, const RenderSettings &settings, QString *error,
                    std::vector<Notice> *notices = nullptr);

}  // namespace quillane::viewer
