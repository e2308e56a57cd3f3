// SPDX-License-Identifier: MIT
// A progress bar in the main window's status bar for the life of a scope:
// reading scan files (one step per file) or a step that cannot count its
// work (fitting), shown as a busy bar.  The window is repainted as the bar
// moves; while the step runs on a worker thread (MainWindow::
// runInBackground) the window goes on answering the user as well.
#pragma once

#include <QString>

class QLabel;
class QMainWindow;
class QProgressBar;

namespace quillane::frontend {

class StatusProgress {
  public:
    // `total` steps, or 0 for a busy bar.
    StatusProgress(QMainWindow &window, const QString &text, int total);
    ~StatusProgress();
    StatusProgress(const StatusProgress &) = delete;
    StatusProgress &operator=(const StatusProgress &) = delete;

    void step(int done, int total);
    QProgressBar *bar() const { return bar_; }

  private:
    QMainWindow &window_;
    QLabel *label_;
    QProgressBar *bar_;
};

}  // namespace quillane::frontend
