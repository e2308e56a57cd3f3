#include "images.h"

#include <QFile>
#include <QGuiApplication>
#include <QSize>
#include <QString>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "plot_export.h"

namespace batch {
namespace {

bool has_value(const char *name) {
    const char *v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

// Drawing needs a Qt platform even though no window is shown.  The
// offscreen one draws the same pictures as a display's (images are drawn by
// Qt itself, with the same fonts), needs no display, and cannot fail the
// way a display platform does when DISPLAY names a display that is not
// reachable: Qt then ends the process.  A platform the user chose is kept.
void choose_platform() {
    if (!has_value("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// A notice is written for a message box: one line, without its own
// "WARNING:" (the line already says so).
std::string one_line(const QString &text) {
    QString line = text.simplified();
    if (line.startsWith(QLatin1String("WARNING:"), Qt::CaseInsensitive))
        line = line.mid(8).trimmed();
    return line.toStdString();
}

}  // namespace

std::string image_path(const std::string &plot_path, const std::string &format) {
    return std::filesystem::path(plot_path).replace_extension(format).string();
}

ImageTally draw_images(const Options &o, const quillane::session::Session &session,
                       const std::vector<KeptPlot> &plots) {
    ImageTally tally;
    if (plots.empty()) return tally;

    choose_platform();
    // Qt may take arguments of its own out of argv; it gets none of the
    // runner's.  Both must outlive the application.
    static int argc = 1;
    static char name[] = "quillane-batch";
    static char *argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    // Qt switches the C library to the user's locale; plot files hold
    // numbers with a decimal point whatever the locale, and are read with
    // the C library.
    std::setlocale(LC_NUMERIC, "C");

    const quillane::viewer::TickRounder round = [&session](float lo, float hi, float &out_lo,
                                                           float &out_hi, int32_t &n_intervals) {
        int n = 0;
        session.tick_round(lo, hi, out_lo, out_hi, n);
        n_intervals = n;
    };
    const quillane::viewer::RenderSettings settings;  // the window's default style
    const auto [width, height] = image_size_of(o);

    for (const KeptPlot &plot : plots) {
        const std::string out = image_path(plot.path, o.images);
        QString error;
        std::vector<quillane::viewer::Notice> notices;
        const bool ok = quillane::viewer::renderPlotFile(
            QFile::decodeName(plot.path.c_str()), QFile::decodeName(out.c_str()),
            QSize(width, height), round, settings, &error, &notices);
        if (!ok) {
            std::fprintf(stderr, "quillane-batch: cannot draw %s (%s) as %s: %s\n",
                         plot.path.c_str(), plot.what.c_str(), out.c_str(),
                         one_line(error).c_str());
            ++tally.failed;
            continue;
        }
        for (const auto &notice : notices)
            std::fprintf(stderr, "quillane-batch: warning: %s (%s): %s\n", plot.path.c_str(),
                         plot.what.c_str(), one_line(notice.text).c_str());
        std::printf("quillane-batch: image %s\n", out.c_str());
        ++tally.written;
    }
    std::fflush(stdout);
    return tally;
}

}  // namespace batch
