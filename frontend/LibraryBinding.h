// SPDX-License-Identifier: MIT
// The program's one door to the analysis library: the session's binding
// (session/library_binding.h), which finds, loads, checks and binds it,
// with its answers in the front end's terms.  The session then makes every
// call; nothing else in the front end resolves or calls an export.
//
// Where the library is looked for: session::library_candidates() (the full
// path in QUILLANE_LIBRARY when set, which the tests use to put a stand-in
// library in its place; else next to the program, then where an installation
// puts it relative to the program, then the system's library search path).
#pragma once

#include <QString>
#include <QStringList>

#include "exports.h"
#include "library_binding.h"

namespace quillane::frontend {

class LibraryBinding {
  public:
    // Loads the library, binds every export and checks its version.  On
    // failure returns false and leaves a message for the user in error():
    // the file that could not be loaded, the exports it lacks, or the two
    // versions that do not match.  The table must not be used then.
    bool load();
    bool isLoaded() const { return library_.loaded(); }
    QString error() const { return error_; }
    QString fileName() const;  // the file actually loaded
    QStringList missingExports() const;

    // The bound exports, for the session.
    const session::Exports &exports() const { return library_.exports(); }

  private:
    session::Library library_;
    QString error_;
};

}  // namespace quillane::frontend
