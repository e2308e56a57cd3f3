// SPDX-License-Identifier: MIT
#include "images.h"

#include <QFile>
#include <QSize>
#include <QString>
#include <cstdio>
#include <filesystem>

#include "equilibrium_answer.h"
#include "gui_app.h"
#include "plot_export.h"
#include "plot_series.h"

namespace batch {
namespace {

// A notice is written for a message box: one line, without its own
// "WARNING:" (the line already says so).
std::string one_line(const QString &text) {
    QString line = text.simplified();
    if (line.startsWith(QLatin1String("WARNING:"), Qt::CaseInsensitive))
        line = line.mid(8).trimmed();
    return line.toStdString();
}

// The session's texts and file names are bytes in the local encoding.
QString session_text(const std::string &text) {
    return QFile::decodeName(text.c_str());
}

}  // namespace

std::string image_path(const std::string &plot_path, const std::string &format) {
    return std::filesystem::path(plot_path).replace_extension(format).string();
}

ImageTally draw_images(const Options &o, const quillane::session::Session &session,
                       const std::vector<KeptPlot> &plots) {
    ImageTally tally;
    if (plots.empty()) return tally;

    const auto app = start_drawing();
    const quillane::viewer::TickRounder round = tick_rounder(session);
    quillane::viewer::RenderSettings settings;  // the window's default style
    settings.report = QFile::decodeName(o.report.c_str());
    // Scan times in hours, as the texts give them.
    settings.hours = true;
    const auto [width, height] = image_size_of(o);

    for (const KeptPlot &plot : plots) {
        settings.names = quillane::viewer::seriesNamesFor(plot.subject, session, session_text);
        settings.answer = plot.assessment ? quillane::viewer::equilibriumFigureAnswer(
                                                *plot.assessment, session_text)
                                          : quillane::viewer::FigureAnswer{};
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
