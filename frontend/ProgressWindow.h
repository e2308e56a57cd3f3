// SPDX-License-Identifier: MIT
// cmpltfrm: the "% Complete" window the plot viewer shows while it reads and
// draws a plot.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace quillane::frontend {

class ProgressWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    void setPercent(int percent);  // 0..100
    int percent() const;
    void setStatus(const QString &text);  // "Reading Data", "Creating Plot"
    QString status() const;

  private:
    QProgressBar *gauge_;
    QLabel *status_;
};

}  // namespace quillane::frontend
