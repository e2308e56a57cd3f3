// SPDX-License-Identifier: MIT
// Data > Run Overview...: the main window's side of the run overview.  The
// overview analyses on a library copy of its own; a series the user opens
// from it comes here to be read as the main window's analysis.
#include <QFileInfo>

#include "AppState.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "RunOverviewWindow.h"
#include "SessionText.h"
#include "WatchController.h"

namespace quillane::frontend {

void MainWindow::ShowRunOverview() {
    if (!overview_) {
        overview_ = new RunOverviewWindow(libraryFile_, prompts_, this);
        connect(overview_, &RunOverviewWindow::openSeries, this, &MainWindow::openSeries);
        // The folder the user is at work on: the watch's, or that of the
        // files read.
        RunOverviewChoice start;
        if (watch_) {
            start.folder = watch_->choice().folder;
            start.pattern = watch_->choice().pattern;
            start.intervalSeconds = watch_->choice().intervalSeconds;
        } else if (session_.files_read()) {
            start.folder = QFileInfo(fromSession(session_.file_name(1))).absolutePath();
        }
        overview_->setChoice(start);
    }
    overview_->show();
    overview_->raise();
    overview_->activateWindow();
}

void MainWindow::openSeries(const QStringList &files, const QString &name) {
    const QString title = QStringLiteral("Open Series");
    if (busy()) {
        prompts_.warn(this, title,
                      QStringLiteral("Quillane is %1: open the series once that is "
                                     "done.")
                          .arg(busyWith_));
        return;
    }
    if (watch_ && watch_->running()) {
        prompts_.warn(this, title,
                      QStringLiteral("The watch of %1 reads its series into the analysis after "
                                     "every scan: stop watching first (Data > Stop Watching).")
                          .arg(watch_->choice().folder));
        return;
    }
    if (session_.files_read()) {
        const QString question =
            QStringLiteral(
                "The analysis of the %1 scan files read so far ends.  Read %2 (%3 "
                "scans) in their place?")
                .arg(session_.data_set_count())
                .arg(name)
                .arg(files.size());
        if (!prompts_.ask(this, title, question)) return;
        // A fresh start, as before the first reading; the plots on show
        // belong to the analysis put away.
        if (state_.LegendWindowOpen == kTrue) hooks_.closeLegendWindow();
        if (state_.PlotWindowOpen == kTrue) hooks_.closePlotWindow();
        session_.initialise(state_.EchoInputSwitch == kTrue);
        tell(session_.set_plot_save(state_.DiscardPlotFiles == kTrue), title);
    }
    tell(session_.add_to_report({"Run overview: " + toSession(name) + " is read"}), title);
    openDataFiles(files);
    raise();
    activateWindow();
}

}  // namespace quillane::frontend
