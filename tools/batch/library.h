// The runner's binding to libquillane.so: loaded at run time by file name,
// every export bound by name into the session's table, the way the desktop
// program binds it.  The only file of the runner that touches the library
// directly.
#pragma once

#include <string>

#include "exports.h"

namespace batch {

// Loads the library: $QUILLANE_LIBRARY when set, else libquillane.so next
// to this program, else libquillane.so on the library path.  Binds every
// export and refuses a library of another major or minor version.  On
// failure returns false and sets error.
bool load_library(quillane::session::Exports &api, std::string &where, std::string &error);

}  // namespace batch
