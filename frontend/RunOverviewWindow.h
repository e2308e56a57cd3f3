// SPDX-License-Identifier: MIT
// Data > Run Overview...: every series of a run folder in one table (cell,
// speed, wavelength, scans, solution columns, verdict, forecast, noise,
// latest scan), kept up to date while the folder is followed, with a line
// -- and a desktop note -- once every series at the rotor's speed has
// reached equilibrium.  A row opens its series in the main window; the
// table goes out as CSV or, with every series' figures, as the run report.
//
// The overview analyses on a copy of the analysis library of its own
// (Library::load_own_copy), so the main window's analysis stays as the user
// left it, and on a worker thread, a series at a time, so the window stays
// responsive.  The session's RunOverview does the work; this window keeps
// its timer, its table and its outputs.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "library_binding.h"
#include "run_overview.h"

class QAction;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTemporaryDir;
class QThread;

namespace quillane::frontend {

class DesktopNote;
class Prompts;

// What the window's fields collect: the run folder, which of its files
// are scans, and how often a followed folder is looked at.
struct RunOverviewChoice {
    QString folder;
    QString pattern = QStringLiteral("*");
    double intervalSeconds = 10.0;
};

class RunOverviewWindow : public QMainWindow {
    Q_OBJECT
  public:
    // `libraryFile`: the analysis library the overview takes a copy of.
    RunOverviewWindow(const QString &libraryFile, Prompts &prompts, QWidget *parent = nullptr);
    ~RunOverviewWindow() override;

    RunOverviewChoice choice() const;
    void setChoice(const RunOverviewChoice &choice);

    // Reads the folder of the fields as it is now and analyses every series.
    void showFolder();
    // Follows the folder (shown first when it is another): series that get
    // whole scans are analysed again.  Again: stops.
    void toggleFollowing();
    bool following() const;
    // Analysing (or drawing the report) on the worker thread.
    bool busy() const { return worker_ != nullptr; }

    // File menu: the table as CSV, and the run report as PDF.
    void exportCsv();
    void exportReport();

    // The speed line ("all 21 series at 16,000 rpm reached equilibrium: the
    // speed can be changed"), empty while it does not hold.
    QString speedLine() const { return speedLine_; }

    QLineEdit *folderField() const { return folder_; }
    QLineEdit *patternField() const { return pattern_; }
    QDoubleSpinBox *intervalBox() const { return interval_; }
    QTableWidget *table() const { return table_; }
    QLabel *speedLabel() const { return speed_; }
    QLabel *statusLabel() const { return status_; }
    QPushButton *followButton() const { return follow_; }

  signals:
    // The user opened a row: the main window reads these scans.
    void openSeries(const QStringList &files, const QString &name);
    // Every series at the rotor's speed has reached equilibrium (said once
    // per line).
    void speedCanChange(const QString &line);
    // A worker's step is done and the table shows its result.
    void updated();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    bool ensureSession(QString &why);
    bool makeOverview(QString &why);
    void stopFollowing();
    void look();
    void analyseNext();
    // Runs `work` on the worker thread, then `done` on this one.
    void startWork(std::function<void()> work, std::function<void()> done);
    void refresh();
    void openRow(int row);
    void setStatus(const QString &text);
    void browse();

    Prompts &prompts_;
    QString libraryFile_;
    session::Library library_;
    std::unique_ptr<QTemporaryDir> work_;  // the overview's record and plot file
    std::unique_ptr<session::Session> session_;
    std::unique_ptr<session::RunOverview> overview_;
    QString shownFolder_;          // the folder the overview holds
    std::vector<int> rowNumbers_;  // series number of each table row

    QLineEdit *folder_ = nullptr;
    QLineEdit *pattern_ = nullptr;
    QDoubleSpinBox *interval_ = nullptr;
    QPushButton *show_ = nullptr;
    QPushButton *follow_ = nullptr;
    QTableWidget *table_ = nullptr;
    QLabel *speed_ = nullptr;
    QLabel *status_ = nullptr;
    QAction *exportCsv_ = nullptr;
    QAction *exportReport_ = nullptr;

    QTimer looks_;
    QThread *worker_ = nullptr;
    std::function<void()> done_;
    // What the analyses told, gathered on the worker thread and shown once
    // its step is done.
    std::vector<std::string> notices_;
    std::vector<std::string> problems_;

    QString speedLine_;
    std::set<QString> toldLines_;
    DesktopNote *note_ = nullptr;
};

}  // namespace quillane::frontend
