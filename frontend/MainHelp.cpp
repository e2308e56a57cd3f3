// SPDX-License-Identifier: MIT
// The main window's Help menu: the user guide (F1) in a window of its own,
// and About, which names the program's and the library's versions.
#include <QCoreApplication>
#include <QDir>

#include "AboutDialog.h"
#include "GuideWindow.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"

namespace quillane::frontend {

void MainWindow::HelpGuide() {
    const QString program = QCoreApplication::applicationDirPath();
    const QString file = GuideWindow::findGuide(program);
    if (file.isEmpty()) {
        QStringList places;
        for (const QString &place : GuideWindow::guidePlaces(program))
            places << QDir::toNativeSeparators(place);
        prompts_.warn(this, QStringLiteral("Guide"),
                      QStringLiteral("The user guide was not found.  It was looked for at:\n%1")
                          .arg(places.join(QLatin1Char('\n'))));
        return;
    }
    if (!guide_) guide_ = new GuideWindow(this);
    guide_->showFile(file);
    guide_->show();
    guide_->raise();
    guide_->activateWindow();
}

void MainWindow::HelpAbout() {
    AboutDialog dialog(
        {QString::fromStdString(session::Session::program_version()),
         QString::fromStdString(session_.library_version()), fromSession(session_.library_file())},
        this);
    prompts_.execDialog(dialog);
}

}  // namespace quillane::frontend
