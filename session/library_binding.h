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

    bool loaded() const { return handle_ != nullptr; }
    const std::string &error() const { return error_; }
    const std::vector<std::string> &missing() const { return missing_; }
    // The candidate loaded (or refused last), as it was given to the loader.
    const std::string &file() const { return file_; }
    // The bound exports, for the session.
    const Exports &exports() const { return exports_; }

  private:
    void *handle_ = nullptr;
    Exports exports_;
    std::string file_;
    std::string error_;
    std::vector<std::string> missing_;
};

}  // namespace quillane::session
