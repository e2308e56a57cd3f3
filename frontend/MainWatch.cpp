// SPDX-License-Identifier: MIT
// Data > Watch Folder...: the main window's side of the live watch.  The
// watch reads the followed series into the session after each new scan; the
// window keeps its menus, its data-file rows and the Equilibrium plot in
// step with what the session then holds.
#include <QAction>

#include "AppState.h"
#include "LogListBox.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "WatchController.h"
#include "WatchDialog.h"
#include "watch_analysis.h"

namespace quillane::frontend {

namespace {

const QString kWatchCaption = QStringLiteral("&Watch Folder...");
const QString kStopCaption = QStringLiteral("Stop &Watching");

// A log view that shows nothing: while the watch reads a series again, the
// library's lines about every file go to the report only.
const quillane_listbox_ctx_ops &silentList() {
    static const quillane_listbox_ctx_ops ops{
        [](void *, const char *) {}, [](void *) { return int32_t{0}; }, [](void *, int32_t) {},
        [](void *) {}, [](void *) { return int32_t{0}; }};
    return ops;
}

}  // namespace

void MainWindow::WatchFolder() {
    QAction *command = item(QStringLiteral("WatchFolder"));
    if (watch_ && watch_->running()) {
        watch_->stop();
        command->setText(kWatchCaption);
        return;
    }
    const WatchDialog::SeriesLister lister = [this](const QString &folder, const QString &pattern) {
        session::WatchSettings settings;
        settings.folder = toSession(folder);
        settings.pattern = toSession(pattern.isEmpty() ? QStringLiteral("*") : pattern);
        std::vector<std::string> lines;
        std::string error;
        session::folder_series_lines(session_, settings, lines, error);
        return lines;
    };
    WatchDialog dialog(watch_ ? watch_->choice() : WatchChoice{}, lister, this);
    if (prompts_.execDialog(dialog) != QDialog::Accepted) return;

    WatchHooks hooks;
    hooks.beforeReading = [this] {
        static int nobody = 0;
        session_.attach_list_box(silentList(), &nobody, visibleLines_);
        session_.initialise(state_.EchoInputSwitch == kTrue);
        session_.set_plot_save(state_.DiscardPlotFiles == kTrue);
    };
    hooks.afterAnalysis = [this] {
        session_.attach_list_box(LogListBox::operations(), logList_.get(), visibleLines_);
        // The data-file rows hold the scans read, all active.
        syncDataFileRows();
        // The menus follow the session: files read, limits and the fit.
        updateCommands();
    };
    hooks.showEquilibrium = [this] {
        const session::Outcome plot = session_.equilibrium_plot();
        if (!plot.plot_written) return;
        PlotContent content;
        content.equilibrium = true;
        showThePlot(content, false);
    };
    hooks.sessionBusy = [this] { return busy(); };
    delete watch_;
    watch_ = new WatchController(session_, this, dialog.choice(), hooks);
    QString error;
    if (!watch_->start(error)) {
        prompts_.warn(this, QStringLiteral("Watch Folder"), error);
        return;
    }
    command->setText(kStopCaption);
    connect(watch_, &WatchController::ended, this, [command] { command->setText(kWatchCaption); });
    // Open Run and Close Run wait while the watch reads the session.
    connect(watch_, &WatchController::ended, this, &MainWindow::updateCommands);
}

}  // namespace quillane::frontend
