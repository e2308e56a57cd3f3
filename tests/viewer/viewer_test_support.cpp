// SPDX-License-Identifier: MIT
#include "viewer_test_support.h"

#include "plot_file.h"
#include "tick_rounding.h"

#include <QFile>
#include <cmath>
#include <cstdio>

namespace viewer_test {

void tickRound(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) {
    quillane::tick_round_float(lo, hi, out_lo, out_hi, n_intervals);
}

quillane::viewer::TickRounder tickRounder() {
    return [](float lo, float hi, float &out_lo, float &out_hi, int32_t &n) {
        tickRound(lo, hi, out_lo, out_hi, n);
    };
}

QString plotNumber(float value) {
    return QString::fromStdString(quillane::plot_number(value));
}

// The library's own writer forms the text, with the stamp the test gives.
QByteArray plotFileText(const PlotFileContent &content) {
    quillane::PlotState plot;
    plot.plot_heading = content.heading.toStdString();
    plot.plot_heading2 = content.heading2.toStdString();
    plot.plot_xlabel = content.x_label.toStdString();
    plot.plot_ylabel = content.y_label.toStdString();
    for (const FilePoint &p : content.points)
        plot.plot_points.push_back(
            {p.x, p.y, 0.0f, static_cast<uint8_t>(static_cast<int8_t>(p.code))});
    std::string text =
        quillane::format_plot_file(plot, content.delete_marker, content.stamp.toStdString());
    if (content.count_override >= 0) {
        // Line 5 says how many records follow; a test may make it lie.
        size_t at = 0;
        for (int line = 0; line < 4; ++line)
            at = text.find("\r\n", at) + 2;
        const size_t end = text.find("\r\n", at);
        text.replace(at, end - at,
                     quillane::plot_count_line(static_cast<size_t>(content.count_override)));
    }
    return QByteArray::fromStdString(text);
}

void writePlotFile(const QString &path, const PlotFileContent &content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(plotFileText(content));
}

std::vector<FilePoint> boundaryProfile(int series, int n, float x_lo, float x_hi, float shift) {
    std::vector<FilePoint> points;
    for (int i = 0; i < n; ++i) {
        const float x = x_lo + (x_hi - x_lo) * static_cast<float>(i) / static_cast<float>(n - 1);
        const float centre = 0.5f * (x_lo + x_hi) + shift;
        const float y = 0.2f + 3.0f / (1.0f + std::exp(-(x - centre) / 0.08f)) + 0.05f * x;
        points.push_back({x, y, series});
    }
    return points;
}

quillane::viewer::MessageHook MessageRecorder::hook() {
    return [this](const QString &text, const QString &title) { messages.push_back({text, title}); };
}

RecordingHost::RecordingHost(const QString &folder)
    : plot_file(QDir(folder).filePath(QStringLiteral("plot.dat"))),
      temp_file(QDir(folder).filePath(QStringLiteral("~kestrl~.tmp"))),
      work_dir(folder + "/") {}

// Applies the limits as the session does: refused unless low < high.
quillane::viewer::LimitChange RecordingHost::applyLimits(double low, double high) {
    calls << QStringLiteral("applyLimits %1 %2").arg(low).arg(high);
    quillane::viewer::LimitChange change;
    if (!(low < high)) {
        change.refusal = QStringLiteral("Error Setting Data Limits! This would remove all data.");
        return change;
    }
    x_low = low;
    x_high = high;
    change.applied = true;
    change.spanOk = span_ok;
    return change;
}

void RecordingHost::tickRound(float lo, float hi, float &out_lo, float &out_hi, int32_t &n) {
    viewer_test::tickRound(lo, hi, out_lo, out_hi, n);
}

void RecordingHost::printerChosen(int index, const QString &name) {
    calls << QStringLiteral("printerChosen %1 %2").arg(index).arg(name);
}

bool sameColour(QRgb a, QRgb b) {
    return qRed(a) == qRed(b) && qGreen(a) == qGreen(b) && qBlue(a) == qBlue(b);
}

int countPixels(const QImage &image, QRect area, QRgb colour) {
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (sameColour(image.pixel(x, y), colour)) ++count;
        }
    }
    return count;
}

}  // namespace viewer_test
