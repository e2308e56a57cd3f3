// SPDX-License-Identifier: MIT
#include "plot_export.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>

#include "figure.h"
#include "files.h"
#include "plot_file_control.h"
#include "plot_time_axis.h"

namespace quillane::viewer {

namespace {

constexpr double kPageShare = 0.8;
// SVG and PDF output is laid out at screen resolution, so a size in pixels
// keeps the proportions of the text that the window shows, and both give
// the page the same size in inches.
constexpr int kPdfResolution = 96;

}  // namespace

QRectF fitToPage(QSizeF picture, QRectF printable) {
    if (picture.isEmpty() || printable.isEmpty()) return {};
    const double room_w = printable.width() * kPageShare;
    const double room_h = printable.height() * kPageShare;
    const double factor = std::min(room_w / picture.width(), room_h / picture.height());
    const QSizeF fitted = picture * factor;
    const QPointF corner(printable.center().x() - fitted.width() / 2,
                         printable.center().y() - fitted.height() / 2);
    return {corner, fitted};
}

bool PrintPictureToFitPage(QPagedPaintDevice &device, QSizeF picture, const PicturePainter &paint) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    // The painter's origin is the corner of the printable area.
    const QRectF printable(0, 0, device.width(), device.height());
    const QRectF target = fitToPage(picture, printable);
    if (target.isEmpty()) return false;
    painter.translate(target.topLeft());
    painter.scale(target.width() / picture.width(), target.height() / picture.height());
    paint(painter, picture);
    return painter.end();
}

ImageKind imageKindOf(const QString &file_name) {
    const QString suffix = QFileInfo(file_name).suffix().toLower();
    if (suffix == QLatin1String("bmp")) return ImageKind::bitmap;
    if (suffix == QLatin1String("png")) return ImageKind::png;
    if (suffix == QLatin1String("svg")) return ImageKind::svg;
    if (suffix == QLatin1String("pdf")) return ImageKind::pdf;
    return ImageKind::other_raster;
}

QImage renderPicture(QSizeF size, const PicturePainter &paint) {
    QImage image(size.toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter, size);
    painter.end();
    return image;
}

bool writeWholeFile(const QString &file_name, const QByteArray &bytes, QString *error) {
    std::string why;
    if (session::write_file_atomically(QFile::encodeName(file_name).toStdString(),
                                       bytes.toStdString(), why))
        return true;
    if (error) *error = QFile::decodeName(why.c_str());
    return false;
}

bool savePicture(const QString &file_name, QSizeF size, const PicturePainter &paint,
                 QString *error) {
    auto fail = [&](const QString &why) {
        if (error) *error = why;
        return false;
    };
    if (size.isEmpty()) return fail(QStringLiteral("The picture has no size"));
    // Every kind is drawn into memory and written in one checked step: the
    // SVG and PDF writers say nothing of a write that failed on the way.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    auto draw = [&](QPaintDevice &device) {
        QPainter painter;
        if (!painter.begin(&device)) return false;
        paint(painter, size);
        return painter.end();
    };
    switch (imageKindOf(file_name)) {
        case ImageKind::svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(size.toSize());
            svg.setResolution(kPdfResolution);
            svg.setViewBox(QRectF(QPointF(0, 0), size));
            svg.setTitle(QStringLiteral("Plot"));
            if (!draw(svg)) return fail("Cannot draw " + file_name);
            break;
        }
        case ImageKind::pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setResolution(kPdfResolution);
            const QSizeF points = size * 72.0 / kPdfResolution;
            pdf.setPageSize(QPageSize(points, QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            if (!draw(pdf)) return fail("Cannot draw " + file_name);
            break;
        }
        case ImageKind::bitmap:
        case ImageKind::png:
        case ImageKind::other_raster: {
            QImageWriter writer(&buffer, QFileInfo(file_name).suffix().toLower().toLatin1());
            if (!writer.write(renderPicture(size, paint)))
                return fail(writer.errorString() + ": " + file_name);
            break;
        }
    }
    return writeWholeFile(file_name, bytes, error);
}

bool renderPlotFile(const QString &plot_file, const QString &out_file, QSize size,
                    const TickRounder &round, const RenderSettings &settings, QString *error,
                    std::vector<Notice> *notices) {
    ViewerState state;
    const LoadOutcome outcome = loadPlotFile(state, plot_file, {});
    if (outcome == LoadOutcome::not_opened) {
        if (error) *error = "The plot file could not be opened: " + plot_file;
        return false;
    }
    if (outcome == LoadOutcome::no_data) {
        if (notices) {
            notices->push_back({"The Current File Contained No Data!\n" + plot_file,
                                QStringLiteral("Data File Error")});
        }
        if (error) *error = "The plot file contained no data: " + plot_file;
        return false;
    }
    const bool hours = settings.hours && showTimeInHours(state);
    const PlotAxes axes = computeAxes(state, round, notices);
    Figure figure{state, axes, settings.style, settings.limits, settings.names};
    figure.answer = settings.answer.text;
    figure.note = settings.answer.note;
    figure.lines = settings.answer.lines;
    figure.hours = hours;
    figure.report = settings.report;
    const QSizeF plot = plotSizeWithin(figure, QSizeF(size));
    return savePicture(
        out_file, QSizeF(size),
        [&](QPainter &painter, QSizeF) { paintFigure(painter, figure, plot); }, error);
}

}  // namespace quillane::viewer
