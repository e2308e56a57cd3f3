// SPDX-License-Identifier: MIT
// Help > Guide (F1): the user guide, docs/guide.md as the installation puts
// it, shown in a window of the program's own with its pictures.  Run from
// the build tree, the guide of the source tree is shown instead.
#pragma once

#include <QStringList>
#include <QWidget>

class QTextBrowser;

namespace quillane::frontend {

class GuideWindow : public QWidget {
    Q_OBJECT
  public:
    explicit GuideWindow(QWidget *parent = nullptr);

    // Shows the guide in `file` (Markdown, pictures beside it).
    void showFile(const QString &file);
    QString file() const { return file_; }
    QTextBrowser *text() const { return text_; }

    // Where the guide is looked for, in order, for a program in
    // `programFolder`: the installed documentation folder relative to it
    // (<prefix>/bin/../share/doc/quillane), then the source tree's docs/.
    static QStringList guidePlaces(const QString &programFolder);
    // The first of those that exists; empty when none does.
    static QString findGuide(const QString &programFolder);

  private:
    QTextBrowser *text_;
    QString file_;
};

}  // namespace quillane::frontend
