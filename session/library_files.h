// SPDX-License-Identifier: MIT
// Where the program and the headless runner look for the analysis library.
//
// Both load it at run time by file name through the one binding
// (library_binding.h), which tries the places listed here in order.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

namespace quillane::session {

// The library's file name as the system's loader knows it: its shared-object
// name, such as "libquillane.so.0.99".  It changes whenever a program built
// against one version can no longer use the next (another major or minor
// version), so two versions can be installed side by side.
std::string library_file_name();

// The files to try, in order, for a program that lives in `program_folder`
// (empty when unknown):
//   1. $QUILLANE_LIBRARY when it is set, and nothing else: whoever names a
//      library means that one, and falling back to another copy would hide
//      the mistake;
//   2. the library next to the program (the build tree keeps the programs
//      and the library in one folder);
//   3. the library where an installation puts it, relative to the program
//      (<prefix>/bin/../lib/<arch>/), so that an installed tree works
//      wherever its root is, a package unpacked into a scratch folder
//      included;
//   4. the bare file name, which the system's loader looks up on its search
//      path.
// Places 2 and 3 are listed only when the file is there.
std::vector<std::string> library_candidates(const std::string &program_folder);

// The file the bound library was loaded from, as the system's loader names
// it (a full path also when the library was found on the search path);
// empty when that cannot be told.
std::string library_path(const Exports &table);

}  // namespace quillane::session
