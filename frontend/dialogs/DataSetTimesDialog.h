// SetDSTimes, "Set Dataset Times": shows and edits the time of each active
// data set.  The caller reads the times from the library before opening it
// (into AppState::DataSetTimes) and hands times() to the library after OK.
#pragma once

#include <array>

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

    DataSetTimesDialog(const AppState &state, Prompts &prompts, QWidget *parent = nullptr);

    // The times after OK: active sets 1..NumActive as entered, the others as
    // they were given.
    const SetArray<double> &times() const { return times_; }

    // OK: every box must hold a number; the first one that does not is
    // reported and gets the focus, and the dialog stays open.
    void accept() override;

    QLineEdit *timeBox(int set) const { return boxes_[set]; }  // active set 1..50
    QLabel *setLabel(int set) const { return labels_[set]; }
    QTabWidget *tabs() const { return tabs_; }

  private:
    Prompts &prompts_;
    int numActive_ = 0;
    SetArray<double> times_{};
    std::array<QLineEdit *, kMaxDataSets + 1> boxes_{};
    std::array<QLabel *, kMaxDataSets + 1> labels_{};
    QTabWidget *tabs_ = nullptr;
};

}  // namespace quillane::frontend
