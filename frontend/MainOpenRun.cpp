// SPDX-License-Identifier: MIT
// The main window's runs: File > Open Run (a folder, any number of files),
// Open Recent and Close Run.  The session lists the run (the files that
// are no scans apart, the rest split into series); the user picks a
// series, and of a series of more than 50 scans which to read; the run
// read before is closed first.  What the reading left out -- scans of the
// series, files that are no scans, points outside the data limits -- is
// said in the status line and in the report.
#include <numeric>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "MainWindow.h"
#include "ManyScansDialog.h"
#include "Prompts.h"
#include "SeriesDialog.h"
#include "SessionText.h"
#include "Settings.h"
#include "WaitCursor.h"
#include "WatchController.h"

namespace quillane::frontend {

namespace {

const QString kOpenTitle = QStringLiteral("Open Run");
// Files left out that the status line names one by one; more are counted
// (the report names them all).
constexpr int kLeftOutNamed = 2;
// How long the status bar says that a run was closed.
constexpr int kClosedMessageMs = 10000;

QString folderName(const std::string &folder) {
    return QDir::toNativeSeparators(fromSession(folder));
}

}  // namespace

void MainWindow::OpenRun() {
    const QStringList recent = settings::recentRuns();
    QString start = recent.isEmpty() ? settings::lastScanFolder() : recent.first();
    // The folder above the last run: runs usually lie side by side.
    if (!recent.isEmpty()) start = QFileInfo(start).absolutePath();
    const QString folder = prompts_.openFolder(this, kOpenTitle, start);
    if (folder.isEmpty()) return;
    openRun(folder);
}

void MainWindow::openRun(const QString &folder) {
    if (busy() || (watch_ && watch_->running())) return;
    session::RunListing run;
    std::string error;
    bool listed = false;
    {
        WaitCursor wait;
        listed = session::list_run_folder(session_, toSession(folder), run, error);
    }
    if (!listed) {
        prompts_.warn(this, kOpenTitle, fromSession(error));
        return;
    }
    if (!run.scans.empty()) {
        settings::rememberRun(folder);
        rebuildRecentRuns();
    }
    readFromRun(run);
}

void MainWindow::openRunFiles(const QStringList &files) {
    if (busy() || (watch_ && watch_->running())) return;
    std::vector<std::string> names;
    for (const QString &file : files)
        names.push_back(toSession(QFileInfo(file).absoluteFilePath()));
    session::RunListing run;
    {
        WaitCursor wait;
        run = session::list_run_files(session_, names);
    }
    readFromRun(run);
}

void MainWindow::readFromRun(const session::RunListing &run) {
    const QString where = run.folder.empty()
                              ? QStringLiteral("the files given")
                              : QStringLiteral("the folder %1").arg(folderName(run.folder));
    if (run.scans.empty()) {
        QStringList lines;
        for (const session::LeftOutFile &file : run.left_out)
            lines << fromSession(file.text);
        QString text = QStringLiteral("There is no scan file in %1.").arg(where);
        if (!lines.isEmpty())
            text += QStringLiteral("\n\n") + lines.mid(0, 10).join(QLatin1Char('\n')) +
                    (lines.size() > 10 ? QStringLiteral("\n... and %1 more").arg(lines.size() - 10)
                                       : QString());
        prompts_.warn(this, kOpenTitle, text);
        return;
    }
    SeriesDialog dialog(run, this);
    if (prompts_.execDialog(dialog) != QDialog::Accepted || dialog.chosen() < 1) return;
    const int k = dialog.chosen();
    const std::vector<int> &scans = run.split.series[static_cast<size_t>(k - 1)].scans;
    session::SeriesTake take = session::take_latest(scans, run.scans);
    if (static_cast<int>(scans.size()) > kMaxDataSets) {
        ManyScansDialog many(QString::fromStdString(session::series_name(run.split, k)),
                             static_cast<int>(scans.size()), kMaxDataSets, this);
        if (prompts_.execDialog(many) != QDialog::Accepted) return;
        if (!many.choice().latest)
            take = session::take_every_nth(scans, run.scans, many.choice().every);
    }

    // The run read so far gives way to this one.
    if (session_.files_read()) closeRun();

    QStringList names;
    for (const std::string &file : session::scan_files(run, take.scans))
        names << fromSession(file);
    DataFilesDialog &form = form1();
    form.setFiles(names);
    applyDataFileChoice(state_, form.choice(), true);

    // What the report keeps of the choice, once the files are read, and
    // what the status line says until the run is closed.
    pendingRecord_.clear();
    pendingRecord_.push_back((run.folder.empty() ? std::string("The files given make ")
                                                 : "The run " + run.folder + " holds ") +
                             session::series_summary(run.split));
    pendingRecord_.push_back(session::series_choice_line(run.split, k));
    readNotes_.clear();
    readNotes_ << QStringLiteral("Series %1 of %2 read: %3.")
                      .arg(k)
                      .arg(run.split.series.size())
                      .arg(QString::fromStdString(session::series_name(run.split, k)));
    if (!take.text.empty()) {
        pendingRecord_.push_back(take.text);
        readNotes_ << fromSession(take.text) + QLatin1Char('.');
    }
    QStringList leftOut;
    for (const session::LeftOutFile &file : run.left_out) {
        pendingRecord_.push_back(file.text);
        leftOut << fromSession(file.text);
    }
    leftOutFiles_.clear();
    if (leftOut.size() > kLeftOutNamed)
        leftOutFiles_ = QStringLiteral(
                            "%1 files of the run were left out: %2; ... (the report "
                            "names them all).")
                            .arg(leftOut.size())
                            .arg(leftOut.mid(0, kLeftOutNamed).join(QStringLiteral("; ")));
    else if (!leftOut.isEmpty())
        leftOutFiles_ = leftOut.join(QStringLiteral("; ")) + QLatin1Char('.');

    std::vector<int> active(static_cast<size_t>(names.size()));
    std::iota(active.begin(), active.end(), 1);
    takeDataFiles(active, true);
}

void MainWindow::CloseRun() {
    if (!session_.files_read()) return;
    closeRun();
    statusBar()->showMessage(QStringLiteral("The run is closed: another can be read."),
                             kClosedMessageMs);
}

// Plots of the run closed go with it; the report and the list stay, and the
// report says where the run ended.
void MainWindow::closeRun() {
    if (state_.LegendWindowOpen == kTrue) hooks_.closeLegendWindow();
    if (state_.PlotWindowOpen == kTrue) hooks_.closePlotWindow();
    const int sets = session_.data_set_count();
    session::Outcome outcome = session_.close_run();
    const session::Outcome recorded = session_.add_to_report(
        {"The run of " + std::to_string(sets) + " scan files read is closed."});
    outcome.errors.insert(outcome.errors.end(), recorded.errors.begin(), recorded.errors.end());
    DataFilesDialog &form = form1();
    form.setFiles({});
    applyDataFileChoice(state_, form.choice(), true);
    readNotes_.clear();
    leftOutFiles_.clear();
    pendingRecord_.clear();
    actions_.ToggleXI_R->setText(QStringLiteral("&Toggle XI to R"));
    tell(outcome, QString());
}

void MainWindow::rebuildRecentRuns() {
    recentMenu_->clear();
    const QStringList runs = settings::recentRuns();
    for (int i = 0; i < runs.size(); ++i) {
        const QString folder = runs.at(i);
        // The number is the access key; an '&' of the path is shown as one.
        QString shown = QDir::toNativeSeparators(folder);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        action->setObjectName(QStringLiteral("RecentRun_%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, folder] { openRun(folder); });
        connect(action, &QAction::triggered, this, &MainWindow::updateCommands);
    }
}

void MainWindow::syncDataFileRows() {
    QStringList names;
    for (int d = 1; d <= session_.data_set_count(); ++d)
        names << fromSession(session_.file_name(d));
    DataFilesDialog &form = form1();
    form.setFiles(names);
    applyDataFileChoice(state_, form.choice(), true);
    restoreDataFileTicks();
}

void MainWindow::recordLeftOut(const std::vector<session::FileOutcome> &outcomes) {
    std::vector<std::string> lines = pendingRecord_;
    pendingRecord_.clear();
    QStringList refused, cut;
    for (const session::FileOutcome &file : outcomes) {
        if (file.not_a_scan) {
            lines.push_back(file.error);
            refused << fromSession(file.error);
        }
        // The library's report already names a scan the full point store
        // cut; the status line keeps it in view.
        if (file.points_not_read > 0) cut << fromSession(session::point_store_cut(file));
    }
    // The rows follow the data sets: a file that is no scan leaves them.
    if (!refused.isEmpty()) syncDataFileRows();
    refused << cut;
    if (!refused.isEmpty()) leftOutFiles_ = refused.join(QStringLiteral("; ")) + QLatin1Char('.');
    if (const std::string points = session_.points_left_out_text(); !points.empty())
        lines.push_back(points);
    if (!lines.empty()) tell(session_.add_to_report(lines), QString());
}

QString MainWindow::columnInForce() {
    const session::Limits now = session_.limits();
    QString key = QStringLiteral("%1 %2 %3")
                      .arg(now.low, 0, 'g', 17)
                      .arg(now.high, 0, 'g', 17)
                      .arg(session_.xi_mode());
    for (int k = 1; k <= session_.active_count(); ++k)
        key += QLatin1Char('\n') + fromSession(session_.active_file_name(k));
    if (key == columnKey_) return columnText_;
    session::Outcome outcome;
    const QString text = fromSession(session_.column_in_force_text(&outcome));
    // Asked while the library writes a line: the next update asks again.
    if (!outcome.done) return {};
    columnKey_ = key;
    columnText_ = text;
    return columnText_;
}

void MainWindow::updateReadSummary() {
    QStringList parts;
    // The counts that change the analysis come first: the window may show
    // only the start of the line (its tip and the report hold all of it).
    if (session_.files_read()) {
        parts = readNotes_;
        QString limits = fromSession(session_.points_left_out_text());
        // Limits that are a stretch of the column finder are named by it.
        if (const QString column = columnInForce(); !column.isEmpty()) {
            QString named = column + QLatin1Char('.');
            if (limits.isEmpty()) {
                named[0] = named[0].toUpper();
                limits = named;
            } else {
                if (limits.endsWith(QLatin1Char('.'))) limits.chop(1);
                limits += QStringLiteral("; ") + named;
            }
        }
        if (!limits.isEmpty()) parts << limits;
        if (!leftOutFiles_.isEmpty()) parts << leftOutFiles_;
    }
    const QString text = parts.join(QStringLiteral("  "));
    if (readSummary_->text() == text) return;
    readSummary_->setText(text);
    readSummary_->setToolTip(text);
}

}  // namespace quillane::frontend
