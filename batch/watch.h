// Watching a run as it happens: the scans already in a folder, then every
// new one once it has stopped growing; after each the analysis runs again
// and one status line says where the cell stands.
#pragma once

#include <string>

#include "options.h"
#include "session.h"

namespace batch {

// Watches o.watch until Ctrl+C or SIGTERM (exit 0), or with
// o.until_equilibrium until the verdict says equilibrium (exit 0).  Returns
// an exit code; error says why when the watch could not run.
int watch_folder(const Options &o, quillane::session::Session &session, std::string &error);

}  // namespace batch
