// SPDX-License-Identifier: MIT
// Data > Watch Folder...: which run folder to follow, which of its files are
// scans, how often to look, which series to follow and what data limits the
// fits use.  The dialog only collects the choice; WatchController follows
// the folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace quillane::frontend {

// What the user chose, once accepted.
struct WatchChoice {
    QString folder;
    QString pattern = QStringLiteral("*");
    double intervalSeconds = 10.0;
    // "" the first series found; a number as listed; or "280nm",
    // "10000rpm", "cell2", joined by commas.
    QString series;
    bool useColumn = true;  // the fit's limits: the first solution column found
};

class WatchDialog : public QDialog {
    Q_OBJECT
  public:
    // The series of a folder now, one line each ("1: 10000 rpm, 280 nm, 20
    // scans, 00001.RA2 ... 00039.RA2"); empty when there are none.
    using SeriesLister =
        std::function<std::vector<std::string>(const QString &folder, const QString &pattern)>;

    WatchDialog(const WatchChoice &start, SeriesLister lister, QWidget *parent = nullptr);

    // The choice; valid once accepted.
    const WatchChoice &choice() const { return choice_; }

    QLineEdit *folderField() const { return folder_; }
    QLineEdit *patternField() const { return pattern_; }
    QDoubleSpinBox *intervalBox() const { return interval_; }
    QComboBox *seriesBox() const { return series_; }
    QCheckBox *columnBox() const { return column_; }
    QLabel *problemLabel() const { return problem_; }

    // Lists the series of the folder in the series box.
    void listSeries();
    // Accepts only a folder that exists and a series the watch understands;
    // otherwise says why in the dialog and stays open.
    void accept() override;

  private:
    void browse();

    SeriesLister lister_;
    WatchChoice choice_;
    QLineEdit *folder_;
    QLineEdit *pattern_;
    QDoubleSpinBox *interval_;
    QComboBox *series_;
    QCheckBox *column_;
    QLabel *problem_;
};

}  // namespace quillane::frontend
