// SPDX-License-Identifier: MIT
// The one binding to the analysis library, for the program and the runner
// alike: it finds the library (library_candidates()), loads it with the
// system's loader, checks its version, binds every export of the session's
// table by name, and unloads it again when any step fails, with a message
// that says which.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

namespace quillane::session {

class Library {
  public:
    Library() = default;
    // A bound library stays loaded for the life of the process: plot
    // windows and pending list-box callbacks may still reach it while the
    // program shuts down.
    ~Library() = default;
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    // Loads the first of library_candidates() for this program that loads,
    // refuses it when its major or minor version is another one than this
    // program's or when it lacks an export, and binds it.  On failure the
    // library is unloaded, the table is left empty, and error() says why:
    // the files that could not be loaded, the versions that differ, or the
    // exports the library lacks (also in missing()).  Loading again after a
    // success does nothing.
    bool load();

    // Loads a copy of its own of the library in `file` (the one another
    // Library bound: library_path() of its table), checked and bound as
    // load() does.  The library keeps one state per loaded copy, so an
    // analysis made through this copy leaves the other copy's as it was: the
    // program's run overview analyses every series of a run while the main
    // window keeps the user's analysis.  The copy is made in a private
    // temporary folder and removed once the loader has mapped it.  False
    // with error() set when any step fails.
    bool load_own_copy(const std::string &file);

    bool loaded() const { return handle_ != nullptr; }
    const std::string &error() const { return error_; }
    const std::vector<std::string> &missing() const { return missing_; }
    // The candidate loaded (or refused last), as it was given to the loader.
    const std::string &file() const { return file_; }
    // The bound exports, for the session.
    const Exports &exports() const { return exports_; }

  private:
    // Checks and binds the library the loader gave as `handle` for
    // `candidate`; unloads it and sets error_ when that fails.
    bool bind(void *handle, const std::string &candidate);

    void *handle_ = nullptr;
    Exports exports_;
    std::string file_;
    std::string error_;
    std::vector<std::string> missing_;
};

}  // namespace quillane::session
