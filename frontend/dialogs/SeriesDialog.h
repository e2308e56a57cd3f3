// SPDX-License-Identifier: MIT
// ChooseSeries, "Choose a Series": the series the scans read make (one cell,
// one rotor speed, one wavelength each), and what their headers left in
// doubt.  The user picks the series to analyse; the main window then makes
// its scans the active sets.  Closed otherwise, the active sets stay.
#pragma once

#include <vector>

#include <QDialog>

#include "session.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace quillane::frontend {

class SeriesDialog : public QDialog {
    Q_OBJECT
  public:
    // `scans`: the facts of the data sets read, data set 1 first; `active`:
    // the data sets active now, so the series they are is marked.
    SeriesDialog(const session::SeriesSplit &split, const std::vector<session::ScanFacts> &scans,
                 const std::vector<int> &active, QWidget *parent = nullptr);

    // The series chosen (1-based) once accepted; 0 before.
    int chosen() const { return chosen_; }
    // Picks series k (1-based) in the list.
    void pick(int k);

    QListWidget *list() const { return list_; }
    QPushButton *analyseButton() const { return analyse_; }
    QLabel *notes() const { return notes_; }

    void accept() override;

    // A series' row: "Series 2: 10,000 rpm 260 nm, 6 scans (00002.RA2 ... 00012.RA2)".
    static QString rowText(const session::SeriesSplit &split, int k,
                           const std::vector<session::ScanFacts> &scans);

  private:
    void updateButton();

    QListWidget *list_;
    QLabel *notes_;
    QPushButton *analyse_;
    int chosen_ = 0;
};

}  // namespace quillane::frontend
