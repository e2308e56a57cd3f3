// SPDX-License-Identifier: MIT
#include "TextPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStatusBar>

#include "AppState.h"
#include "FixedFont.h"
#include "Hooks.h"
#include "Prompts.h"
#include "SessionText.h"
#include "WaitCursor.h"
#include "files.h"

namespace quillane::frontend {

namespace {

QFont printFont() {
    QFont font = reportFont();
    font.setPointSize(9);
    return font;
}

}  // namespace

TextPane::TextPane(AppState &state, QListWidget *list, Prompts &prompts, Hooks &hooks,
                   QWidget *window)
    : QObject(window),
      state_(state),
      list_(list),
      prompts_(prompts),
      hooks_(hooks),
      window_(window) {
    printerFactory = [](const QString &name) {
        auto printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name));
        return printer;
    };
}

TextPane::~TextPane() = default;

void TextPane::setupPrinterMenu(QMenu *menu, QAction *before) {
    bool matched = false;
    const QString wanted = state_.DefaultPrinterName.trimmed();
    for (int i = 1; i <= state_.PrinterNames.size(); ++i) {
        const QString name = state_.PrinterNames.at(i - 1);
        auto *action = new QAction(name, menu);
        action->setObjectName(QStringLiteral("Prn2Array_%1").arg(i));
        action->setCheckable(true);
        menu->insertAction(before, action);
        connect(action, &QAction::triggered, this, [this, i] { choosePrinter(i); });
        printerActions_ << action;
        const bool isDefault = !matched && name.trimmed() == wanted;
        action->setChecked(isDefault);
        if (isDefault) {
            matched = true;
            current_ = i;
        }
    }
    if (!matched && !printerActions_.isEmpty()) {
        printerActions_.first()->setChecked(true);
        current_ = 1;
    }
}

void TextPane::choosePrinter(int index) {
    if (index < 1 || index > printerActions_.size()) return;
    for (int k = 1; k <= printerActions_.size(); ++k) {
        printerActions_[k - 1]->setChecked(false);
        if (state_.PlotWindowOpen) hooks_.setViewerPrinterChecked(k, false);
    }
    printerActions_[index - 1]->setChecked(true);
    if (state_.PlotWindowOpen) hooks_.setViewerPrinterChecked(index, true);
    current_ = index;
    state_.DefaultPrinterName = state_.PrinterNames.value(index - 1);
}

QStringList TextPane::allLines() const {
    QStringList lines;
    for (int i = 0; i < list_->count(); ++i)
        lines << list_->item(i)->text();
    return lines;
}

QStringList TextPane::selectedLines() const {
    QStringList lines;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected()) lines << list_->item(i)->text();
    return lines;
}

QString TextPane::selectedText() const {
    QStringList trimmed;
    for (const QString &line : selectedLines())
        trimmed << line.trimmed();
    return trimmed.join(QStringLiteral("\r\n"));
}

void TextPane::printAll() {
    print(allLines());
}

void TextPane::printSelected() {
    print(selectedLines());
}

void TextPane::print(const QStringList &lines) {
    WaitCursor wait;
    const QString name = state_.PrinterNames.value(current_ - 1);
    std::unique_ptr<QPrinter> printer = printerFactory(name);
    const bool ok = printer && printLines(*printer, lines, printFont());
    wait.restore();
    if (!ok) {
        prompts_.warn(window_, QStringLiteral("Print Error"),
                      QStringLiteral("The text could not be printed on \"%1\".").arg(name));
    }
}

bool TextPane::printLines(QPrinter &printer, const QStringList &lines, const QFont &font) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), painter.device());
    const int lineHeight = metrics.lineSpacing();
    const int pageHeight = painter.viewport().height();
    int y = 0;
    for (const QString &line : lines) {
        if (y > 0 && y + lineHeight > pageHeight) {
            if (!printer.newPage()) return false;
            y = 0;
        }
        painter.drawText(0, y + metrics.ascent(), line);
        y += lineHeight;
    }
    const bool ended = painter.end();
    return ended && printer.printerState() != QPrinter::Error &&
           printer.printerState() != QPrinter::Aborted;
}

void TextPane::copySelected() {
    WaitCursor wait;
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    const QString text = selectedText();
    if (selectedLines().isEmpty()) {
        wait.restore();
        prompts_.warn(window_, QStringLiteral("Nothing Selected"),
                      QStringLiteral("No Text Was Selected!  Clipboard is Now Empty."));
        return;
    }
    clipboard->setText(text);
}

void TextPane::selectAll() {
    list_->selectAll();
}

void TextPane::saveList() {
    const QString folder = QFileInfo(state_.OutFileName).absolutePath();
    const QString name =
        prompts_.saveAsName(window_, QStringLiteral("Save List As"),
                            QStringLiteral("Text Files (*.txt);;All Files (*)"), folder);
    if (name.isEmpty()) return;
    // A name typed without an extension gets the text file's.
    const QString file = QFileInfo(name).suffix().isEmpty() ? name + QStringLiteral(".txt") : name;
    WaitCursor wait;
    QString error;
    const bool saved = writeLines(file, allLines(), &error);
    wait.restore();
    if (!saved) {
        prompts_.warn(window_, QStringLiteral("Save Error"),
                      QStringLiteral("The list could not be saved as\n%1\n%2").arg(file, error));
        return;
    }
    // Confirmed in the status bar: a line in the list would not be in the file.
    if (auto *main = qobject_cast<QMainWindow *>(window_))
        main->statusBar()->showMessage(QStringLiteral("List saved as %1").arg(file), 10000);
}

bool TextPane::writeLines(const QString &path, const QStringList &lines, QString *error) {
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    // By the session's rule for outputs: never a device or a pipe replaced
    // by a plain file.
    std::string why;
    if (session::write_file_atomically(toSession(path), bytes.toStdString(), why)) return true;
    if (error) *error = fromSession(why);
    return false;
}

}  // namespace quillane::frontend
