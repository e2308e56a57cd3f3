// SPDX-License-Identifier: MIT
// Watching a run as it happens: the scans already in a folder, then every
// new one once it is whole; after each the analysis of its series runs
// again and one status line says where the cell stands.  Which files are
// whole scans, and of which series, the session's FolderWatch decides.
#pragma once

#include <string>

#include "folder_watch.h"
#include "options.h"
#include "session.h"

namespace batch {

// The watch ended as asked, but some scan files of the followed series were
// never used (still unfinished, unreadable, without points); they are
// listed.
inline constexpr int kExitScansUnused = 3;

// Watches o.watch until Ctrl+C or SIGTERM, or with o.until_equilibrium
// until every followed series has reached equilibrium (and the scans still
// arriving then have been judged, for a few looks at most).  The outputs
// are locked against another watch for as long as it runs.  Returns an
// exit code: 0 every scan used, 1 the folder vanished, could not be read
// or was replaced by another, or the latest analysis of a series had a
// problem, 2 another watch writes one of the outputs, 3 scans never used
// (at equilibrium: never used for another reason than still arriving);
// error says why when it is not 0.
int watch_folder(const Options &o, quillane::session::Session &session, std::string &error);

}  // namespace batch
