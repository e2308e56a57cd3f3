// SPDX-License-Identifier: MIT
// What the program remembers between runs: where its windows were, the
// folder the scan files were last picked from and the runs opened last.  Kept with QSettings under
// the organisation "Quillane" and the application "quillane" (on Linux in
// ~/.config/Quillane/quillane.conf).  Nothing that changes a result is
// remembered: every run starts the analysis afresh.
#pragma once

#include <memory>
#include <optional>

#include <QSettings>
#include <QString>
#include <QStringList>

class QWidget;

namespace quillane::frontend::settings {

inline constexpr char kOrganisation[] = "Quillane";
inline constexpr char kApplication[] = "quillane";

// The program's settings store.
std::unique_ptr<QSettings> store();

// The folder of the scan file picked last; empty before the first pick.
QString lastScanFolder();
// Remembers the folder of `file` (a scan file just picked).
void rememberScanFile(const QString &file);

// How many run folders File > Open Recent offers: the few a user goes back
// to within a week of work; more would make a menu to read through.
inline constexpr int kRecentRuns = 5;
// The run folders opened last, the latest first (at most kRecentRuns).
QStringList recentRuns();
// Puts `folder` first among the recent runs.
void rememberRun(const QString &folder);

// The user's last choice of "Time in Hours" in the plot window, or nothing
// before the first; and remembering a new one.
std::optional<bool> timeInHours();
void rememberTimeInHours(bool hours);

// Saves a top-level window's place and size under `key`.
void saveGeometry(const QWidget &window, const QString &key);
// Puts a window back where it was saved under `key`; false (the window
// untouched) when nothing was saved or the saved place is on no screen now.
bool restoreGeometry(QWidget &window, const QString &key);
// Both: puts the window back now (as restoreGeometry) and saves its place
// whenever it is hidden or closed from now on.
bool keepGeometry(QWidget &window, const QString &key);

}  // namespace quillane::frontend::settings
