#include "Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace quillane::frontend {

void QtPrompts::warn(QWidget *parent, const QString &title, const QString &text) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

bool QtPrompts::ask(QWidget *parent, const QString &title, const QString &text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString QtPrompts::openFileName(QWidget *parent, const QString &title, const QString &filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

// The file dialog asks before overwriting; a name that does not exist yet is
// confirmed here, and answering No returns to the dialog.
QString QtPrompts::saveFileName(QWidget *parent, const QString &title, const QString &filter) {
    for (;;) {
        const QString name = QFileDialog::getSaveFileName(parent, title, QString(), filter);
        if (name.isEmpty() || QFileInfo::exists(name)) return name;
        const QString text = QStringLiteral("%1\nThis file does not exist.\nCreate the file?")
                                 .arg(QDir::toNativeSeparators(name));
        if (ask(parent, title, text)) return name;
    }
}

int QtPrompts::execDialog(QDialog &dialog) {
    return dialog.exec();
}

void QtPrompts::beep() {
    QApplication::beep();
}

}  // namespace quillane::frontend
