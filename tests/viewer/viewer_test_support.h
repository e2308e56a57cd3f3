// SPDX-License-Identifier: MIT
// Shared by the viewer tests: the library's tick rounding, plot files written
// by the library's writer, a host that records what the viewer asks of it,
// and a scratch folder that is the current folder while a test runs.
#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

#include "viewer_host.h"

#include "qt_support.h"

namespace viewer_test {

// The library's axis tick rounding rule (tkrnd2).
void tickRound(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals);
quillane::viewer::TickRounder tickRounder();

struct FilePoint {
    float x = 0.0f;
    float y = 0.0f;
    int code = 1;
};

struct PlotFileContent {
    QString heading = QStringLiteral("Raw data");
    QString heading2 = QStringLiteral("Data sets:  1");
    QString stamp = QStringLiteral("10:20:30 ON 05/06/2024   ");
    QString x_label = QStringLiteral("XI = R^2/2 (cm^2)");
    QString y_label = QStringLiteral("Concentration");
    bool delete_marker = false;
    std::vector<FilePoint> points;
    // Written as the count line instead of the number of points, when set.
    int count_override = -1;
};

// A number in the plot file's 14-column field.
QString plotNumber(float value);
// The lines of a plot file in the library's layout, each ended by CR LF.
QByteArray plotFileText(const PlotFileContent &content);
void writePlotFile(const QString &path, const PlotFileContent &content);
using quillane::test_support::readFile;

// Points of one series along a sigmoid boundary, as a raw-data plot.
std::vector<FilePoint> boundaryProfile(int series, int n, float x_lo, float x_hi, float shift);

struct Message {
    QString text;
    QString title;
};

// Collects the viewer's messages instead of showing them.
class MessageRecorder {
  public:
    quillane::viewer::MessageHook hook();
    std::vector<Message> messages;
};

// A host that records every library call in order.
class RecordingHost : public quillane::viewer::ViewerHost {
  public:
    explicit RecordingHost(const QString &folder = QDir::currentPath());

    double xLow() const override { return x_low; }
    double xHigh() const override { return x_high; }
    bool limitsMode() const override { return limits_mode; }
    quillane::viewer::LimitChange applyLimits(double low, double high) override;
    void tickRound(float lo, float hi, float &out_lo, float &out_hi, int32_t &n) override;
    void showSpanWarning() override { calls << "ShowSpanWarning"; }
    QString plotFileName() const override { return plot_file; }
    QString tempPlotFileName() const override { return temp_file; }
    QString workDir() const override { return work_dir; }
    void setWorkDir(const QString &dir) override { work_dir = dir; }
    QString programTitle() const override { return QStringLiteral("Quillane V0.99  "); }
    QString defaultPrinterName() const override { return default_printer; }
    void printerChosen(int index, const QString &name) override;
    bool showCoordsDefault() const override { return true; }
    void setPlotWindowOpen(bool open) override { plot_window_open = open; }
    void setLegendWindowOpen(bool open) override { legend_window_open = open; }
    void showProgress(const QString &text) override { progress << ("show " + text); }
    void setProgress(int percent) override { progress << QString::number(percent); }
    void hideProgress() override { progress << "hide"; }

    double x_low = 0.0;
    double x_high = 1.0;
    bool limits_mode = false;
    bool span_ok = true;
    QString plot_file, temp_file, work_dir, default_printer;
    bool plot_window_open = false;
    bool legend_window_open = false;
    QStringList calls;     // library calls and warnings, in order
    QStringList progress;  // what the progress window was told
};

using ScratchFolder = quillane::test_support::CurrentFolder;
using quillane::test_support::quietOffscreenNotes;

// Pixel helpers: the colour at a point, and whether a rectangle holds only
// one colour.
bool sameColour(QRgb a, QRgb b);
int countPixels(const QImage &image, QRect area, QRgb colour);

}  // namespace viewer_test
