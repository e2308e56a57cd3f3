// SPDX-License-Identifier: MIT
// The report as the program writes it: the output file in a read-only,
// searchable text window.  The window follows the file: whatever the
// library appends shows up, and a window scrolled to the end stays at the
// end.
#pragma once

#include <QWidget>

class QCheckBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace quillane::frontend {

class ReportWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ReportWindow(QWidget *parent = nullptr);

    // Shows `path` (the output file); reads it all again when it is another
    // file than the one shown.
    void setFile(const QString &path);
    QString file() const { return path_; }

    // Reads what was added to the file since the last look (all of it again
    // when the file became shorter).
    void refresh();

    // Looks for the search box's text after (or, backwards, before) the
    // cursor, going round the end; false when the text is nowhere.
    bool findNext();
    bool findPrevious();

    QPlainTextEdit *text() const { return text_; }
    QLineEdit *findBox() const { return find_; }
    QCheckBox *matchCase() const { return matchCase_; }
    QLabel *status() const { return status_; }

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    bool find(bool backward);
    void watch();
    void reload();

    QPlainTextEdit *text_;
    QLineEdit *find_;
    QCheckBox *matchCase_;
    QLabel *status_;
    QFileSystemWatcher *watcher_;
    QString path_;
    qint64 offset_ = 0;  // bytes of the file shown so far (whole lines only)
};

}  // namespace quillane::frontend
