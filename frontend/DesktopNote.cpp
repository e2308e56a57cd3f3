// SPDX-License-Identifier: MIT
#include "DesktopNote.h"

#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QWidget>

namespace quillane::frontend {

DesktopNote::DesktopNote(QWidget *window, const QString &boxName, QObject *owner)
    : QObject(owner ? owner : window), window_(window), boxName_(boxName) {}

void DesktopNote::show(const QString &title, const QString &text) {
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        if (!tray_) {
            tray_ = new QSystemTrayIcon(window_->windowIcon(), this);
            tray_->setToolTip(QStringLiteral("Quillane"));
        }
        tray_->show();
        tray_->showMessage(title, text);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, window_);
    box->setObjectName(boxName_);
    box->setModal(false);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    box->raise();
}

}  // namespace quillane::frontend
