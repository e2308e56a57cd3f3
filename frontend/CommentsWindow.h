// SPDX-License-Identifier: MIT
// Comments: shows the first two lines of a data file; any click closes it.
#pragma once

#include <QDialog>

class QLineEdit;

namespace quillane::frontend {

class CommentsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CommentsWindow(QWidget *parent = nullptr);

    // Fills both lines and the caption.
    void setLines(const QString &first, const QString &second, const QString &caption);
    QString firstLine() const;
    QString secondLine() const;

    // Places the window over the data-file window: centred across it, a
    // little below its top edge.
    void placeOver(const QWidget *form);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

  private:
    QLineEdit *text1_;
    QLineEdit *text2_;
};

}  // namespace quillane::frontend
