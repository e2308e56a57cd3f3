// SPDX-License-Identifier: MIT
#include "Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

#include "ScreenFit.h"

namespace quillane::frontend {

std::unique_ptr<QMessageBox> questionBox(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButton defaultButton) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, title, text,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(defaultButton);
    return box;
}

void QtPrompts::warn(QWidget *parent, const QString &title, const QString &text) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

bool QtPrompts::ask(QWidget *parent, const QString &title, const QString &text) {
    return questionBox(parent, title, text, QMessageBox::No)->exec() == QMessageBox::Yes;
}

bool QtPrompts::confirm(QWidget *parent, const QString &title, const QString &text) {
    return questionBox(parent, title, text, QMessageBox::Yes)->exec() == QMessageBox::Yes;
}

std::optional<int> QtPrompts::askNumber(QWidget *parent, const QString &title, const QString &label,
                                        int value, int minimum, int maximum) {
    bool ok = false;
    const int number = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &ok);
    if (!ok) return std::nullopt;
    return number;
}

QString QtPrompts::openFileName(QWidget *parent, const QString &title, const QString &filter,
                                const QString &folder) {
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QStringList QtPrompts::openFileNames(QWidget *parent, const QString &title, const QString &filter,
                                     const QString &folder) {
    return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}

QString QtPrompts::openFolder(QWidget *parent, const QString &title, const QString &folder) {
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

// The file dialog asks before overwriting; a name that does not exist yet is
// confirmed here (the user has just typed it, so Enter creates it), and
// answering No returns to the dialog.
QString QtPrompts::saveFileName(QWidget *parent, const QString &title, const QString &filter) {
    for (;;) {
        const QString name = QFileDialog::getSaveFileName(parent, title, QString(), filter);
        if (name.isEmpty() || QFileInfo::exists(name)) return name;
        const QString text = QStringLiteral("%1\nThis file does not exist.\nCreate the file?")
                                 .arg(QDir::toNativeSeparators(name));
        if (confirm(parent, title, text)) return name;
    }
}

QString QtPrompts::saveAsName(QWidget *parent, const QString &title, const QString &filter,
                              const QString &folder) {
    return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

int QtPrompts::execDialog(QDialog &dialog) {
    // A dialog larger than a small screen scrolls, its OK button in view.
    fitDialogToScreen(dialog);
    return dialog.exec();
}

void QtPrompts::beep() {
    QApplication::beep();
}

}  // namespace quillane::frontend
