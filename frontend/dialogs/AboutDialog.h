// SPDX-License-Identifier: MIT
// Help > About: which program this is and which analysis library it runs
// on, each with its version, so a user reporting a result can say what
// gave it.  The library's version and file come through the session.
#pragma once

#include <QDialog>

class QLabel;

namespace quillane::frontend {

struct AboutFacts {
    QString programVersion;  // "0.99.0039"
    QString libraryVersion;  // as the loaded library reports it
    QString libraryFile;     // where it was loaded from; empty when unknown
};

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(const AboutFacts &facts, QWidget *parent = nullptr);

    // The versions as shown.
    QLabel *versions() const { return versions_; }

  private:
    QLabel *versions_;
};

}  // namespace quillane::frontend
