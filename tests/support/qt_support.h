// SPDX-License-Identifier: MIT
// What the Qt test programs (plot viewer and front end) share besides the
// scan files: a scratch folder that is the current folder while it lives,
// silence about window features the offscreen platform lacks, and a dark
// palette.
#pragma once

#include <QByteArray>
#include <QPalette>
#include <QString>
#include <QTemporaryDir>

namespace quillane::test_support {

// A fresh folder that is the current folder until the object goes; the
// folder before is current again afterwards, and the scratch one removed.
class CurrentFolder {
  public:
    CurrentFolder();
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

  private:
    QString previous_;
    QTemporaryDir dir_;
};

// The whole file, empty when it cannot be read (read_file with a Qt name).
QByteArray readFile(const QString &path);

// A dark Fusion palette, as dark desktop themes give the program.
QPalette darkPalette();

// Drops the offscreen platform's notes about window features it lacks.
void quietOffscreenNotes();

}  // namespace quillane::test_support
