// SPDX-License-Identifier: MIT
// The main window while a long session call runs on a worker thread: the
// window keeps repainting and answering, its commands wait with a tip that
// says why, and the program's other windows take no input, so that nothing
// reaches the session before the call is done.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

#include "BackgroundCall.h"
#include "LogListBox.h"
#include "MainWindow.h"
#include "ReportWindow.h"

namespace quillane::frontend {

void MainWindow::runInBackground(const QString &what, const std::function<void()> &work) {
    if (busy()) return;  // every command waits meanwhile: no second call comes here
    logList_->takePosted();
    busyWith_ = what;
    holdCommands();
    // The plot and legend windows ask the session as the user works them;
    // the report window only reads its file.
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window != this && window != report_ && window->isVisible() && window->isEnabled()) {
            window->setEnabled(false);
            heldWindows_.emplace_back(window);
        }
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    try {
        runOffGuiThread([this, &work] {
            if (beforeBackground_) beforeBackground_();
            work();
        });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        busyWith_.clear();
        releaseCommands();
        throw;
    }
    QApplication::restoreOverrideCursor();
    logList_->takePosted();
    busyWith_.clear();
    releaseCommands();
}

void MainWindow::holdCommands() {
    const QString why = QStringLiteral("Wait: Quillane is %1.").arg(busyWith_);
    if (heldCommands_.empty()) {
        // Every command of every menu, submenus included; the menu bar's
        // own titles stay, so the user can look at what waits and why.
        QSet<QAction *> seen;
        const QList<QAction *> titles = menuBar()->actions();
        auto hold = [&](QAction *action) {
            if (!action || action->isSeparator() || titles.contains(action) ||
                seen.contains(action))
                return;
            seen.insert(action);
            heldCommands_.push_back(
                {action, action->isEnabled(), action->statusTip(), action->toolTip()});
        };
        for (QAction *action : std::as_const(items_))
            hold(action);
        for (QMenu *menu : std::as_const(menus_))
            for (QAction *action : menu->actions())
                hold(action);
    }
    for (const HeldCommand &held : heldCommands_) {
        if (!held.action) continue;
        held.action->setEnabled(false);
        held.action->setStatusTip(why);
        held.action->setToolTip(why);
    }
}

void MainWindow::releaseCommands() {
    for (const HeldCommand &held : heldCommands_) {
        if (!held.action) continue;
        held.action->setEnabled(held.enabled);
        held.action->setStatusTip(held.statusTip);
        held.action->setToolTip(held.toolTip);
    }
    heldCommands_.clear();
    for (const QPointer<QWidget> &window : heldWindows_)
        if (window) window->setEnabled(true);
    heldWindows_.clear();
    updateCommands();
}

}  // namespace quillane::frontend
