// SPDX-License-Identifier: MIT
// SetDSTimes, "Set Dataset Times": shows and edits the time of each active
// data set.  The caller gives the times as the library holds them and hands
// times() back after OK.
#pragma once

#include <array>
#include <vector>

#include <QDialog>

#include "AppState.h"

class QLabel;
class QLineEdit;
class QTabWidget;

namespace quillane::frontend {

class Prompts;

class DataSetTimesDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRowsPerPage = 10;

    // `names`: the file of each active set (element 0 = active set 1);
    // `times`: 50 times, element 0 = active set 1.
    DataSetTimesDialog(const std::vector<QString> &names, const std::vector<double> &times,
                       Prompts &prompts, QWidget *parent = nullptr);

    // The times after OK: the active sets' as entered, the others as they
    // were given (element 0 = active set 1).
    const std::vector<double> &times() const { return times_; }

    // OK: every box must hold a number; the first one that does not is
    // reported and gets the focus, and the dialog stays open.
    void accept() override;

    QLineEdit *timeBox(int set) const { return boxes_[set]; }  // active set 1..50
    QLabel *setLabel(int set) const { return labels_[set]; }
    QTabWidget *tabs() const { return tabs_; }

  private:
    Prompts &prompts_;
    int numActive_ = 0;
    std::vector<double> times_;
    std::array<QLineEdit *, kMaxDataSets + 1> boxes_{};
    std::array<QLabel *, kMaxDataSets + 1> labels_{};
    QTabWidget *tabs_ = nullptr;
};

}  // namespace quillane::frontend
