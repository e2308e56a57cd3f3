// SPDX-License-Identifier: MIT
// The main window's way in for scan files named outside its menus: on the
// program's command line and dropped onto the window.  Both follow the rules
// of "Read Data Files": files are read as data sets 1..n, and a fit needs
// at least three active sets; a run read before is closed first, when the
// user agrees.  A folder dropped is opened as a run (MainOpenRun.cpp).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <numeric>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "FileNames.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "WatchController.h"

namespace quillane::frontend {

namespace {

const QString kTitle = QStringLiteral("Data Files");

// The local files (and folders) among dropped items, in the order of their
// names.
QStringList droppedFiles(const QMimeData *data) {
    QStringList files;
    if (data == nullptr || !data->hasUrls()) return files;
    // The path is taken from the encoded URL, as bytes: toLocalFile() would
    // turn bytes that are not UTF-8 into replacement characters.
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            files << nameFromBytes(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    std::sort(files.begin(), files.end(), naturalBefore);
    return files;
}

// Why `name` cannot be read, or an empty text.
// Looked at by the name's bytes, which QFileInfo would not keep.
QString problemWith(const QString &name) {
    const std::string bytes = toSession(name);
    struct stat st {};
    if (::stat(bytes.c_str(), &st) != 0)
        return QStringLiteral("%1: there is no such file").arg(name);
    if (!S_ISREG(st.st_mode)) return QStringLiteral("%1: not a file").arg(name);
    if (::access(bytes.c_str(), R_OK) != 0) return QStringLiteral("%1: not readable").arg(name);
    return QString();
}

// Why nothing was read, and where the files went.
QString nothingReadText(qsizetype readable, const QStringList &problems) {
    QString text;
    if (problems.isEmpty()) {
        text = QStringLiteral(
                   "A fit compares at least %1 scan files, and %2 given.  Nothing "
                   "has been read yet.")
                   .arg(session::kMinActiveSets)
                   .arg(readable == 1 ? QStringLiteral("1 was")
                                      : QStringLiteral("%1 were").arg(readable));
    } else {
        text = QStringLiteral("These files cannot be read:\n%1\n\nNothing has been read yet.")
                   .arg(problems.join(QLatin1Char('\n')));
    }
    if (readable == 0) return text + QStringLiteral("  Choose the files with \"Read Data Files\".");
    const QString which =
        problems.isEmpty() ? QStringLiteral("given") : QStringLiteral("that can be read");
    return text + (readable == 1
                       ? QStringLiteral("  The file %1 is in the list of \"Read Data Files\", "
                                        "where more can be added.")
                             .arg(which)
                       : QStringLiteral("  The %1 files %2 are in the list of \"Read Data "
                                        "Files\", where more can be added.")
                             .arg(readable)
                             .arg(which));
}

// A lone folder is a run.
QString droppedFolder(const QStringList &dropped) {
    if (dropped.size() != 1) return {};
    struct stat st {};
    const std::string bytes = toSession(dropped.first());
    return ::stat(bytes.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? dropped.first() : QString();
}

}  // namespace

void MainWindow::openDataFiles(const QStringList &files) {
    if (files.isEmpty() || busy()) return;
    if (session_.files_read()) {
        if (watch_ && watch_->running()) {
            prompts_.warn(this, kTitle,
                          QStringLiteral("A folder is being watched, and the watch reads its "
                                         "scans itself: stop watching it first (Data > Stop "
                                         "Watching)."));
            return;
        }
        if (!prompts_.ask(this, kTitle,
                          QStringLiteral("The %1 scan files of the run read now are closed, "
                                         "and the %2 files given are read instead.  The report "
                                         "keeps what was written of the run so far.\n\nClose "
                                         "the run and read the files given?")
                              .arg(session_.data_set_count())
                              .arg(files.size())))
            return;
        closeRun();
    }
    // More files than are read at once: the user picks a series of them,
    // and which of its scans.
    if (files.size() > kMaxDataSets) {
        openRunFiles(files);
        return;
    }

    QStringList readable;
    QStringList problems;
    for (const QString &file : files) {
        const QString name = QFileInfo(file).absoluteFilePath();
        const QString problem = problemWith(name);
        if (problem.isEmpty())
            readable << name;
        else
            problems << problem;
    }

    DataFilesDialog &form = form1();
    form.setFiles(readable);
    const bool readNow = problems.isEmpty() && readable.size() >= session::kMinActiveSets;
    applyDataFileChoice(state_, form.choice(), readNow);
    if (!readNow) {
        prompts_.warn(this, kTitle, nothingReadText(readable.size(), problems));
        return;
    }
    std::vector<int> active(static_cast<size_t>(readable.size()));
    std::iota(active.begin(), active.end(), 1);
    takeDataFiles(active, true);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event) {
    if (busy()) return;  // files are taken once the long call is done, not meanwhile
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// The files are taken once the drop has ended: a message shown while the
// drop is still being handled would hold up the program they came from.
void MainWindow::dropEvent(QDropEvent *event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this,
        [this, files] {
            if (const QString folder = droppedFolder(files); !folder.isEmpty())
                openRun(folder);
            else
                openDataFiles(files);
        },
        Qt::QueuedConnection);
}

}  // namespace quillane::frontend
