// SPDX-License-Identifier: MIT
// A note on the desktop for news the user may be waiting for away from the
// program (a cell has reached equilibrium, the rotor speed can be changed):
// the system tray's message where there is a tray, else a message box that
// does not wait.  The title names what the note is about.
#pragma once

#include <QObject>
#include <QString>

class QSystemTrayIcon;
class QWidget;

namespace quillane::frontend {

class DesktopNote : public QObject {
    Q_OBJECT
  public:
    // `boxName` is the object name of the message box shown where there is
    // no tray (tests look for it); the note belongs to `owner`, else to
    // `window`.
    DesktopNote(QWidget *window, const QString &boxName, QObject *owner = nullptr);

    void show(const QString &title, const QString &text);

  private:
    QWidget *window_;
    QString boxName_;
    QSystemTrayIcon *tray_ = nullptr;
};

}  // namespace quillane::frontend
