// SPDX-License-Identifier: MIT
// The active sets as the windows name them: the scan file's name without
// its folder, and the scan's time, from the session.
#pragma once

#include <vector>

#include <QString>

namespace quillane::session {
class Session;
}

namespace quillane::frontend {

struct ActiveSetEntry {
    QString file;       // the scan file's name without its folder
    double time = 0.0;  // the scan's time, s
};

// Active sets 1..n (element 0 = active set 1).
std::vector<ActiveSetEntry> activeSetEntries(const session::Session &session);

// The scan files of active sets 1..n with their folders, as the choosers
// and the times dialog list them.
std::vector<QString> activeSetFiles(const session::Session &session);

// "12: 00012.RA1", the file of active set k; "" outside the active sets.
QString activeSetName(const session::Session &session, int k);

// "12: 00012.RA1 (79200 s)": set number, file and time.
QString activeSetLabel(int k, const ActiveSetEntry &entry);

}  // namespace quillane::frontend
