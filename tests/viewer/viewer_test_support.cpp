#include "viewer_test_support.h"

#include <QFile>
#include <cmath>
#include <cstdio>

namespace viewer_test {

void tickRound(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) {
    const double a = lo, b = hi;
    if (!(b > a)) {
        out_lo = lo;
        out_hi = hi;
        n_intervals = 1;
        return;
    }
    double step = std::pow(10.0, std::trunc(std::log10((b - a) / 3.0)));
    bool halved = false, doubled = false;
    double low = 0.0, high = 0.0;
    long n = 0;
    for (int pass = 0; pass < 200; ++pass) {
        low = std::trunc(a / step) * step;
        const double margin = step / 5.0;
        for (;;) {
            if (low > a - margin && (low - step) * low > 0.0) low -= step;
            if (low <= a) break;
            low -= step;
        }
        high = std::trunc(b / step) * step;
        if (b + margin > high && (high + step) * high > 0.0) high += step;
        n = static_cast<long>(std::trunc((high - low) / step + 0.5));
        if (n < 5) {
            step /= 2.0;
            halved = true;
            continue;
        }
        if (n < 10 || (halved && doubled)) break;
        step *= 2.0;
        doubled = true;
    }
    if (high < b) {
        ++n;
        high += step;
    }
    out_lo = static_cast<float>(low);
    out_hi = static_cast<float>(high);
    n_intervals = static_cast<int32_t>(n);
}

quillane::viewer::TickRounder tickRounder() {
    return [](float lo, float hi, float &out_lo, float &out_hi, int32_t &n) {
        tickRound(lo, hi, out_lo, out_hi, n);
    };
}

QString plotNumber(float value) {
    if (value == 0.0f) return QStringLiteral("%1    ").arg(QStringLiteral("0.00000"), 10);
    char text[64];
    std::snprintf(text, sizeof text, "%.5e", static_cast<double>(value));
    const double rounded = std::strtod(text, nullptr);
    const double magnitude = std::fabs(rounded);
    if (magnitude >= 0.1 && magnitude < 1.0e6) {
        int digits = 0;  // digits before the point
        while (digits < 6 && magnitude >= std::pow(10.0, digits))
            ++digits;
        const int decimals = 6 - digits;
        if (decimals == 0) {
            std::snprintf(text, sizeof text, "%.0f.", rounded);
        } else {
            std::snprintf(text, sizeof text, "%.*f", decimals, rounded);
        }
        return QStringLiteral("%1    ").arg(QString::fromLatin1(text), 10);
    }
    std::snprintf(text, sizeof text, "%.6E", rounded);
    return QStringLiteral("%1").arg(QString::fromLatin1(text), 14);
}

QByteArray plotFileText(const PlotFileContent &content) {
    const QString crlf = QStringLiteral("\r\n");
    QString text;
    if (content.delete_marker) {
        text += " " + content.heading.left(79).leftJustified(79) + "!" + crlf;
    } else {
        QString heading = content.heading;
        while (heading.endsWith(' '))
            heading.chop(1);
        text += " " + heading + crlf;
    }
    text +=
        " " + content.heading2.left(79).leftJustified(79) + content.stamp.leftJustified(25) + crlf;
    for (const QString &label : {content.x_label, content.y_label}) {
        const QString trimmed = label.trimmed();
        text += " " + (trimmed.isEmpty() ? QString(80, ' ') : trimmed) + crlf;
    }
    const int count = content.count_override >= 0 ? content.count_override
                                                  : static_cast<int>(content.points.size());
    text += QStringLiteral(" %1").arg(count, 15) + crlf;
    for (const FilePoint &p : content.points) {
        text += "  " + plotNumber(p.x) + " " + plotNumber(p.y) + " " + plotNumber(0.0f) + " " +
                QStringLiteral("%1").arg(p.code, 5) + crlf;
    }
    return text.toLatin1();
}

void writePlotFile(const QString &path, const PlotFileContent &content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(plotFileText(content));
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
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

void RecordingHost::setxirange(double low, double high) {
    calls << QStringLiteral("setxirange %1 %2").arg(low).arg(high);
}

bool RecordingHost::set_lim_indices_vb() {
    calls << "set_lim_indices_vb";
    return span_ok;
}

void RecordingHost::tkrnd2(float lo, float hi, float &out_lo, float &out_hi, int32_t &n) {
    tickRound(lo, hi, out_lo, out_hi, n);
}

void RecordingHost::printerChosen(int index, const QString &name) {
    calls << QStringLiteral("printerChosen %1 %2").arg(index).arg(name);
}

ScratchFolder::ScratchFolder() : previous_(QDir::currentPath()) {
    if (!dir_.isValid()) qFatal("no scratch folder");
    QDir::setCurrent(dir_.path());
}

ScratchFolder::~ScratchFolder() {
    QDir::setCurrent(previous_);
}

void quietOffscreenNotes() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (text.startsWith(QLatin1String("This plugin does not support"))) return;
            if (previous) previous(type, context, text);
        });
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
