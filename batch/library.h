// SPDX-License-Identifier: MIT
// The runner's binding to the analysis library: loaded at run time by file name,
// every export bound by name into the session's table, the way the desktop
// program binds it.  The only file of the runner that touches the library
// directly.
#pragma once

#include <string>

#include "exports.h"

namespace batch {

// Loads the library from the first of session::library_candidates() that
// loads ($QUILLANE_LIBRARY when set; else next to this program, where an
// installation puts it, or on the library path), and sets `where` to the
// file loaded.  Binds every export and refuses a library of another major or
// minor version.  On failure returns false and sets error.
bool load_library(quillane::session::Exports &api, std::string &where, std::string &error);

}  // namespace batch
