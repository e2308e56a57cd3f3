// SPDX-License-Identifier: MIT
// The program's live watch: follows one series of a run folder as the
// instrument writes it, with the session's FolderWatch (whole scans only),
// and after each new scan reads the series again, fits it, assesses it and
// brings the status line and the Equilibrium plot up to date.  A timer
// drives it: between looks the program is free, and a look only reads what
// changed.  When the verdict turns to equilibrium it says so on the desktop
// (the system tray's message where there is a tray, else a message box that
// does not wait), once the scans still arriving have been judged (a few
// looks at most: the next scan may overturn the verdict).
#pragma once

#include <functional>
#include <memory>

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "WatchDialog.h"
#include "folder_watch.h"
#include "session.h"
#include "watch_analysis.h"

class QMainWindow;

namespace quillane::frontend {

class DesktopNote;

// What the window around the watch does at each analysis.
struct WatchHooks {
    // Before the series is read again: the library starts afresh, and the
    // log list is kept quiet (every line still goes to the report).
    std::function<void()> beforeReading;
    // After a fit of the series (or a refusal): the list shows the
    // library's lines again, and menus follow the session.
    std::function<void()> afterAnalysis;
    // Draws the Equilibrium plot of the assessment just made.
    std::function<void()> showEquilibrium;
    // True while a long call of the window holds the session (a fit on a
    // worker thread): the look waits for the next interval.
    std::function<bool()> sessionBusy;
};

class WatchController : public QObject {
    Q_OBJECT
  public:
    // Without a clock the watch keeps real time.
    WatchController(session::Session &session, QMainWindow *window, const WatchChoice &choice,
                    WatchHooks hooks, session::FolderWatch::Clock clock = {});
    ~WatchController() override;

    // Starts looking (the first look at once).  False, with error set, when
    // the series asked for by number is not in the folder.
    bool start(QString &error);
    void stop();
    bool running() const { return timer_.isActive(); }
    const WatchChoice &choice() const { return choice_; }

    // The status line: where the watch and the cell stand.
    QLabel *statusLabel() const { return status_.data(); }
    QString statusText() const;
    // The series followed (its number in the watch), 0 until one appears.
    int followedSeries() const { return followed_; }

  public slots:
    // One look at the folder, and an analysis when the series has new scans.
    void lookNow();

  signals:
    void analysed(int scans);  // the series was fitted again with this many scans
    void equilibriumReached(const QString &verdict);
    void ended(const QString &why);  // the folder vanished: the watch stopped

  private:
    void analyse(int number);
    void setStatus(const QString &text);
    void record(const QString &line);
    void notify(const QString &verdict);
    void columnLost(bool lost, const QString &series);

    session::Session &session_;
    QMainWindow *window_;
    WatchChoice choice_;
    WatchHooks hooks_;
    session::FolderWatch::Clock clock_;
    std::unique_ptr<session::FolderWatch> watch_;
    std::unique_ptr<session::WatchAnalyst> analyst_;
    QTimer timer_;
    QPointer<QLabel> status_;  // in the window's status bar, which owns it
    DesktopNote *note_ = nullptr;
    int followed_ = 0;
    bool reached_ = false;     // the latest analysis says equilibrium
    QString verdict_;          // its verdict
    bool told_ = false;        // the desktop was told
    bool columnLost_ = false;  // the column kept is not in the latest scans
    session::ArrivalWait arrival_;
    QString lastStep_;  // the latest scan's line, kept for when the watch ends
};

}  // namespace quillane::frontend
