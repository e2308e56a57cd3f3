// SPDX-License-Identifier: MIT
// Form1, "DataFiles For Fitting": naming the scan files to read (one by one
// or as a numbered sequence) and, once they are read, choosing which of them
// take part in the fit.
//
// The dialog works on its own copy of the choice (DataFileChoice), which the
// caller applies to the shared state when the dialog closes.  It is kept
// between openings, so reopening it shows the user's earlier choices.  Rows
// are numbered from 0 here (row r belongs to data set r + 1); the choice
// keeps the shared state's numbering from 1.
#pragma once

#include <array>
#include <cstdint>

#include <QDialog>

#include "AppState.h"
#include "DataFileChoice.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace quillane::frontend {

class Prompts;

class DataFilesDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRows = kMaxDataSets;
    static constexpr int kRowsPerPage = 10;

    DataFilesDialog(const AppState &state, Prompts &prompts, QWidget *parent = nullptr);

    // Sets up the dialog for the next showing: load mode while no file has
    // been read yet, selection mode afterwards.
    void prepare(bool loadMode);
    bool loadMode() const { return loadMode_; }

    const DataFileChoice &choice() const { return choice_; }
    int highlightedRow() const { return highlightedRow_; }

    // ---- the user's actions ----
    // Click on a name box in load mode: the files picked (any number) fill
    // the rows from `row` on, in the order of their names.
    void pickFile(int row);
    void enterAlterFileName();
    void loadSequence();
    void clearAllFiles();
    void showFileInfo(int row);  // the "?" button
    // Ticking the "Include in Fit" boxes of every named row at once: all,
    // none, or data sets 1, 1 + N, 1 + 2N, ... only (N asked for, or given).
    void tickAll();
    void tickNone();
    void tickEveryNth();
    void tickEveryNth(int n);
    void accept() override;  // "&OK"
    // Puts the check boxes of the rows read back to the selection in force
    // (`activeFlags`, -1 = active), after a choice that was cancelled or
    // refused: ticks the user did not confirm are not kept for next time.
    void restoreTicks(const SetArray<int32_t> &activeFlags);
    // Puts `names` (full paths, at most kRows) into the first rows in order,
    // in place of every name the rows held, each row ticked, as if the user
    // had picked them one by one: for scan files named outside the dialog.
    void setFiles(const QStringList &names);

    // ---- the controls, for callers and tests ----
    QCheckBox *includeBox(int row) const { return rows_[row].include; }
    QLineEdit *nameBox(int row) const { return rows_[row].name; }
    QLabel *setLabel(int row) const { return rows_[row].label; }
    bool rowShown(int row) const { return rowShown_[row]; }
    QTabWidget *tabs() const { return tabs_; }
    QLineEdit *maxFilesField() const { return maxField_; }
    QLineEdit *incrementField() const { return incrementField_; }
    QCheckBox *useMaxFilesBox() const { return useMaxBox_; }
    QCheckBox *useIncrementBox() const { return useIncrementBox_; }
    QString hintText() const;

    // The spin buttons of the two option fields.
    void stepMaxFiles(int direction);
    void stepIncrement(int direction);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    struct Row {
        QLabel *label = nullptr;
        QCheckBox *include = nullptr;
        QLineEdit *name = nullptr;
        QPushButton *info = nullptr;
    };

    QWidget *buildPage(int page);
    QWidget *buildOptionsPanel();
    QWidget *buildButtonsPanel();
    QHBoxLayout *buildTickRow();
    void showRow(int row, bool shown);
    void showNameInRow(int row, const QString &name, int bound);
    // Names row `row` (the empty row below the named ones adds a file).
    void putName(int row, const QString &name);
    void enablePages();
    void setRowHighlight(int row, bool on);
    void maxFieldEdited(const QString &text);
    void incrementFieldEdited(const QString &text);
    int rowOf(QObject *control) const;

    Prompts &prompts_;
    DataFileChoice choice_;
    std::array<Row, kRows> rows_{};
    std::array<bool, kRows> rowShown_{};
    QTabWidget *tabs_ = nullptr;
    QWidget *optionsPanel_ = nullptr;
    QWidget *buttonsPanel_ = nullptr;
    QLabel *hint_ = nullptr;
    QLineEdit *maxField_ = nullptr;
    QLineEdit *incrementField_ = nullptr;
    QCheckBox *useMaxBox_ = nullptr;
    QCheckBox *useIncrementBox_ = nullptr;
    QToolButton *maxUp_ = nullptr;
    QToolButton *maxDown_ = nullptr;
    QToolButton *incrementUp_ = nullptr;
    QToolButton *incrementDown_ = nullptr;
    int highlightedRow_ = 0;
    bool loadMode_ = true;
};

}  // namespace quillane::frontend
