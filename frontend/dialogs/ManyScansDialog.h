// SPDX-License-Identifier: MIT
// "More Scans Than Can Be Read": a series of a run holds more scans than
// the library reads at once (50).  The user is told how many and chooses
// which to read: the latest 50, or the latest scan and every Nth one
// before it (the assessment judges every scan against the latest, so the
// latest is always read).  What the user chose comes back as a plain
// ManyScansChoice once the dialog is accepted.
#pragma once

#include <QDialog>

class QLabel;
class QRadioButton;
class QSpinBox;

namespace quillane::frontend {

struct ManyScansChoice {
    bool latest = true;  // the latest scans; else every Nth
    int every = 2;       // N, when not the latest
};

class ManyScansDialog : public QDialog {
    Q_OBJECT
  public:
    // `series`: the series as the user knows it ("cell 1, 10,000 rpm 280
    // nm"); `scans`: how many it holds (more than `capacity`).
    ManyScansDialog(const QString &series, int scans, int capacity, QWidget *parent = nullptr);

    // What the user chose; meaningful once accepted.
    const ManyScansChoice &choice() const { return choice_; }

    QRadioButton *latestButton() const { return latest_; }
    QRadioButton *everyNthButton() const { return everyNth_; }
    QSpinBox *everyBox() const { return every_; }
    QLabel *everyCount() const { return count_; }

    void accept() override;

  private:
    void showCount();

    int scans_;
    QRadioButton *latest_;
    QRadioButton *everyNth_;
    QSpinBox *every_;
    QLabel *count_;
    ManyScansChoice choice_;
};

}  // namespace quillane::frontend
