// SPDX-License-Identifier: MIT
#include "plot_file_control.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <fstream>

namespace quillane::viewer {

namespace {

// The extension of a plot file's own name: from its first "." on, or none.
QString extensionOf(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

bool isRegularFile(const QString &name) {
    const QFileInfo info(name);
    return info.exists() && info.isFile();
}

QString withSeparator(QString dir) {
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

}  // namespace

LoadOutcome loadPlotFile(ViewerState &state, const QString &file_name, const Sleeper &sleep,
                         const plotfile::ReadProgress &progress) {
    std::ifstream in;
    const QByteArray native = QFile::encodeName(file_name);
    // The library may still be closing the file it has just written.
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        in.open(native.constData(), std::ios::in | std::ios::binary);
        if (in.is_open() && isRegularFile(file_name)) break;
        in.close();
        in.clear();
        if (attempt < kOpenAttempts && sleep) sleep(kOpenRetryMs);
    }
    state.PlotFileOpen = in.is_open();
    if (!state.PlotFileOpen) {
        // Showing the previous plot under this file's name would mislead.
        state.DataLoaded = false;
        return LoadOutcome::not_opened;
    }

    const plotfile::ReadStatus status = plotfile::read_plot_file(in, state.data, progress);
    in.close();

    auto &data = state.data;
    if (status == plotfile::ReadStatus::no_data || data.count < 1) {
        data.count = 0;
        state.DataLoaded = false;
        return LoadOutcome::no_data;
    }
    // The viewer holds a fixed number of points; records beyond are ignored.
    data.count = std::min<int32_t>(data.count, plotfile::kMaxViewerPoints);
    data.count = std::min<int32_t>(data.count, static_cast<int32_t>(data.points.size()));
    state.DataLoaded = data.count > 0;
    FindPlotRange(state);
    return state.DataLoaded ? LoadOutcome::loaded : LoadOutcome::no_data;
}

QString plotCaption(const QString &program_title, const QString &plot_file_name) {
    const QString title = program_title.leftJustified(16, QLatin1Char(' '), true);
    if (plot_file_name.size() <= 20) return title + " [" + plot_file_name + "]";
    return title + " [..." + plot_file_name.right(21) + "]";
}

void FindPlotRange(ViewerState &state) {
    const auto &points = state.data.points;
    if (points.empty()) {
        state.XMin = state.XMax = state.YMin = state.YMax = 0.0f;
        return;
    }
    state.XMin = state.XMax = points[0].x;
    state.YMin = state.YMax = points[0].y;
    const auto n =
        std::min<size_t>(static_cast<size_t>(std::max(state.data.count, 0)), points.size());
    for (size_t i = 0; i < n; ++i) {
        state.XMin = std::min(state.XMin, points[i].x);
        state.XMax = std::max(state.XMax, points[i].x);
        state.YMin = std::min(state.YMin, points[i].y);
        state.YMax = std::max(state.YMax, points[i].y);
    }
}

namespace {

enum class Claim { done, taken, failed };

// Moves `source` to `target` unless `target` exists, as one step: a hard
// link fails when the name is taken; a file system without links gets a
// rename that refuses to replace.  errno tells why it failed.
Claim claimOnOneFileSystem(const QByteArray &source, const QByteArray &target) {
    int done = ::link(source.constData(), target.constData());
    if (done != 0 && (errno == EPERM || errno == EOPNOTSUPP))
        done = ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                           RENAME_NOREPLACE);
    else if (done == 0)
        ::unlink(source.constData());
    if (done == 0) return Claim::done;
    return errno == EEXIST ? Claim::taken : Claim::failed;
}

// Moves `from` to `to` unless `to` exists.  The plot file stays in the
// folder the viewer started in while kept plots go to the current folder,
// which may be on another file system (a stick, a network share): then a
// hidden copy beside `to` is claimed in its place, so the numbered name
// still appears whole or not at all.
Claim claimName(const QString &from, const QString &to) {
    const QByteArray target = QFile::encodeName(to);
    const Claim claim = claimOnOneFileSystem(QFile::encodeName(from), target);
    if (claim != Claim::failed || errno != EXDEV) return claim;

    QTemporaryFile copy(QFileInfo(to).absolutePath() + QStringLiteral("/.plot-XXXXXX"));
    QFile original(from);
    if (!copy.open() || !original.open(QIODevice::ReadOnly)) return Claim::failed;
    const QByteArray content = original.readAll();
    if (original.error() != QFileDevice::NoError || copy.write(content) != content.size() ||
        !copy.flush())
        return Claim::failed;
    copy.close();
    const Claim moved = claimOnOneFileSystem(QFile::encodeName(copy.fileName()), target);
    if (moved == Claim::done) QFile::remove(from);
    return moved;
}

}  // namespace

QString numberedPlotName(const QString &prefix, int number, const QString &extension) {
    return prefix + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')) + extension;
}

void InitPlotNumbering(ViewerState &state, const QString &name) {
    state.PlotNumber = 0;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    QString stem = (dot < 0 ? name : name.left(dot)).trimmed();
    stem = stem.left(5).leftJustified(5, QLatin1Char('_'));
    state.PlotPrefix = stem;

    const QDir folder = QDir::current();
    const QStringList found =
        folder.entryList({stem + "???" + extension}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &file : found) {
        const bool counts =
            extension.isEmpty() ? file.trimmed().size() == 8 : file.indexOf(QLatin1Char('.')) == 8;
        if (!counts) continue;
        // Names such as plot_abc.dat match the pattern but carry no number.
        bool is_number = false;
        const QString digits = file.mid(5, 3);
        const int number = digits.toInt(&is_number);
        const bool all_digits =
            std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
        if (is_number && all_digits) state.PlotNumber = std::max(state.PlotNumber, number);
    }
}

DisposeResult DisposePlotFile(ViewerState &state, const QString &plot_file_name,
                              const QString &temp_plot_file_name) {
    DisposeResult result;
    if (!QFileInfo::exists(plot_file_name)) {
        result.out_file_label = QStringLiteral("No plot file to keep or delete: ") + plot_file_name;
        result.failed = true;
        return result;
    }

    // A plot that could not be read keeps its file: its marker is unknown.
    const bool marked = state.PlotFileOpen && state.data.marked_for_deletion();
    if (marked) {
        if (QFileInfo::exists(temp_plot_file_name) && !QFile::remove(temp_plot_file_name)) {
            result.failed = true;
        }
        const bool copied = !result.failed && QFile::copy(plot_file_name, temp_plot_file_name);
        const bool deleted = QFile::remove(plot_file_name);
        if (copied && deleted) {
            result.out_file_label = QStringLiteral("Plot File To Be Deleted");
            result.save_plot_now = true;
        } else if (deleted) {
            result.failed = true;
            result.out_file_label =
                QStringLiteral("Plot file deleted; it could not be kept for saving in ") +
                temp_plot_file_name;
        } else {
            result.failed = true;
            // The copy exists, so the shown plot can still be saved.
            result.save_plot_now = copied;
            result.out_file_label = QStringLiteral("Could not delete the plot file ") +
                                    plot_file_name + QStringLiteral(": later plots may not show");
        }
        return result;
    }

    const QString extension = extensionOf(plot_file_name);
    QString candidate = numberedPlotName(state.PlotPrefix, state.PlotNumber, extension);
    // A name without folder: kept plots land in the current folder.  The
    // name is claimed in one step, so a number another program took
    // meanwhile is skipped, never overwritten.
    Claim claim;
    while ((claim = claimName(plot_file_name, candidate)) == Claim::taken) {
        ++state.PlotNumber;
        candidate = numberedPlotName(state.PlotPrefix, state.PlotNumber, extension);
    }
    if (claim == Claim::done) {
        result.out_file_label = withSeparator(QDir::currentPath()) + candidate;
        result.kept_as = candidate;
        ++state.PlotNumber;
    } else {
        result.failed = true;
        result.out_file_label = QStringLiteral("Could not keep the plot file as ") +
                                withSeparator(QDir::currentPath()) + candidate;
    }
    result.save_plot_now = false;
    return result;
}

}  // namespace quillane::viewer
