// SPDX-License-Identifier: MIT
// ChooseSeries, "Choose a Series": the series the scans make (one cell, one
// rotor speed, one wavelength each), when each was scanned, and what their
// headers left in doubt.  After reading, the user picks the series to
// analyse among those read; opening a run (File > Open Run), among every
// series of the run's folder, however many scans it holds, with the files
// that are no scans named.  Closed otherwise, nothing changes.
#pragma once

#include <vector>

#include <QDialog>

#include "run_listing.h"
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
    // Every series of a run, before anything of it is read.
    explicit SeriesDialog(const session::RunListing &run, QWidget *parent = nullptr);

    // The series chosen (1-based) once accepted; 0 before.
    int chosen() const { return chosen_; }
    // Picks series k (1-based) in the list.
    void pick(int k);

    QListWidget *list() const { return list_; }
    QPushButton *analyseButton() const { return analyse_; }
    QLabel *notes() const { return notes_; }

    void accept() override;

    // A series' row: "Series 2: 10,000 rpm 260 nm, 6 scans, 2.00 h to 17.00 h
    // (00002.RA2 ... 00012.RA2)".
    static QString rowText(const session::SeriesSplit &split, int k,
                           const std::vector<session::ScanFacts> &scans);

  private:
    void build(const QString &intro, const session::SeriesSplit &split,
               const std::vector<session::ScanFacts> &scans, const std::vector<int> &active,
               const QStringList &notes, const QString &keepCaption);
    void updateButton();

    QListWidget *list_ = nullptr;
    QLabel *notes_ = nullptr;
    QPushButton *analyse_ = nullptr;
    int chosen_ = 0;
};

}  // namespace quillane::frontend
