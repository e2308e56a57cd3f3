// SPDX-License-Identifier: MIT
// File-system helpers shared by the windows.
#pragma once

#include <QString>

namespace quillane::frontend {

// True when `name` names a normal file.  A name whose last part holds the
// wildcards * or ? is taken as a pattern: true when at least one normal file
// in that folder matches it.
bool FileExists(const QString &name);

// The current folder with a trailing separator.
QString currentFolderWithSeparator();

}  // namespace quillane::frontend
