// SPDX-License-Identifier: MIT
#include "ActiveSetNames.h"

#include "SessionText.h"
#include "session.h"

namespace quillane::frontend {

namespace {

QString fileOf(const session::Session &session, int k) {
    return fileNameOf(session.active_file_name(k));
}

}  // namespace

std::vector<QString> activeSetFiles(const session::Session &session) {
    std::vector<QString> files;
    for (int k = 1; k <= session.active_count(); ++k)
        files.push_back(fromSession(session.active_file_name(k)));
    return files;
}

std::vector<ActiveSetEntry> activeSetEntries(const session::Session &session) {
    const std::vector<double> times = session.times();
    std::vector<ActiveSetEntry> entries;
    for (int k = 1; k <= session.active_count(); ++k)
        entries.push_back({fileOf(session, k), times.at(static_cast<size_t>(k - 1))});
    return entries;
}

QString activeSetName(const session::Session &session, int k) {
    if (k < 1 || k > session.active_count()) return {};
    return QStringLiteral("%1: %2").arg(k).arg(fileOf(session, k));
}

QString activeSetLabel(int k, const ActiveSetEntry &entry) {
    return QStringLiteral("%1: %2 (%3 s)").arg(k).arg(entry.file).arg(entry.time, 0, 'g', 7);
}

}  // namespace quillane::frontend
