// SPDX-License-Identifier: MIT
// The program's one door to the analysis library.
//
// The library is loaded by name at run time and every export is bound by its
// name into the session's table; the session then makes every call.
// Nothing else in the front end resolves or calls an export.
//
// Where the library is looked for: session::library_candidates() (the full
// path in QUILLANE_LIBRARY when set, which the tests use to put a stand-in
// library in its place; else next to the program, then where an installation
// puts it relative to the program, then the system's library search path).
#pragma once

#include <memory>

#include <QLibrary>
#include <QString>
#include <QStringList>

#include "exports.h"

namespace quillane::frontend {

class LibraryBinding {
  public:
    LibraryBinding();
    ~LibraryBinding();
    LibraryBinding(const LibraryBinding &) = delete;
    LibraryBinding &operator=(const LibraryBinding &) = delete;

    // Loads the library, binds every export and checks its version.  On
    // failure returns false and leaves a message for the user in error():
    // the file that could not be loaded, the exports it lacks, or the two
    // versions that do not match.  The table must not be used then.
    bool load();
    bool isLoaded() const { return loaded_; }
    QString error() const { return error_; }
    QString fileName() const;  // the file actually loaded
    QStringList missingExports() const { return missing_; }

    // The bound exports, for the session.
    const session::Exports &exports() const { return exports_; }

  private:
    std::unique_ptr<QLibrary> library_;
    session::Exports exports_;
    bool loaded_ = false;
    QString error_;
    QStringList missing_;
};

}  // namespace quillane::frontend
