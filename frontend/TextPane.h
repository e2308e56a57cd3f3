// SPDX-License-Identifier: MIT
// The output list's commands: the "P&rint" menu of the main window (the
// list of printers with the current one checked, printing all or the
// selected lines) and getting the lines out without a printer: selecting
// all of them, copying the selected lines to the clipboard and saving the
// list as a text file.
#pragma once

#include <functional>
#include <memory>

#include <QFont>
#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class QListWidget;
class QMenu;
class QPrinter;
class QWidget;

namespace quillane::frontend {

struct AppState;
struct Hooks;
class Prompts;

class TextPane : public QObject {
    Q_OBJECT
  public:
    TextPane(AppState &state, QListWidget *list, Prompts &prompts, Hooks &hooks, QWidget *window);
    ~TextPane() override;

    // Adds one checkable item per printer of AppState::PrinterNames to
    // `menu`, in front of `before`, and makes the printer named
    // DefaultPrinterName current (the first one when none matches).
    void setupPrinterMenu(QMenu *menu, QAction *before);
    QList<QAction *> printerActions() const { return printerActions_; }

    // Prn2Array click: printer `index` (1-based) becomes the current printer.
    void choosePrinter(int index);
    int currentPrinter() const { return current_; }

    void printAll();       // PrintFitting
    void printSelected();  // PrnSelect
    void copySelected();   // CopySelect
    void selectAll();      // every line of the list
    // "Save List As...": every line of the list, as shown, to a text file of
    // the user's choice, each line ended by CR LF like the report's.
    void saveList();

    // Writes `lines` to `path`, each ended by CR LF, in one checked write.
    // False with the reason in `error` when it fails.
    static bool writeLines(const QString &path, const QStringList &lines, QString *error);

    // The clipboard text of the selected lines: trimmed, joined by CR LF.
    // Empty when nothing is selected.
    QString selectedText() const;
    QStringList allLines() const;
    QStringList selectedLines() const;

    // Prints lines, one printed line each; the printer breaks the pages.
    // False when the printer could not be used.
    static bool printLines(QPrinter &printer, const QStringList &lines, const QFont &font);

    // Makes the printer used by the print commands; by default the system
    // printer of that name.  Tests put a PDF printer in its place.
    std::function<std::unique_ptr<QPrinter>(const QString &printerName)> printerFactory;

  private:
    void print(const QStringList &lines);

    AppState &state_;
    QListWidget *list_;
    Prompts &prompts_;
    Hooks &hooks_;
    QWidget *window_;
    QList<QAction *> printerActions_;
    int current_ = 0;
};

}  // namespace quillane::frontend
