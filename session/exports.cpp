// SPDX-License-Identifier: MIT
#include "exports.h"

#include <cstdio>

namespace quillane::session {

namespace {

std::string version_text(int major, int minor, int revision) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d.%04d", major, minor, revision);
    return text;
}

}  // namespace

bool bind_exports(Exports &table, const Resolver &resolve, std::vector<std::string> &missing) {
    Exports bound;
    missing.clear();
#define QUILLANE_SESSION_RESOLVE(name)                                   \
    bound.name = reinterpret_cast<decltype(bound.name)>(resolve(#name)); \
    if (bound.name == nullptr) missing.emplace_back(#name);
    QUILLANE_SESSION_EXPORTS(QUILLANE_SESSION_RESOLVE)
#undef QUILLANE_SESSION_RESOLVE
    if (!missing.empty()) return false;
    table = bound;
    return true;
}

std::string built_version() {
    return version_text(QUILLANE_VERSION_MAJOR, QUILLANE_VERSION_MINOR, QUILLANE_VERSION_REVISION);
}

std::string library_version(const Exports &table) {
    int32_t major = -1, minor = -1, revision = -1;
    if (table.quillane_version) table.quillane_version(&major, &minor, &revision);
    return version_text(major, minor, revision);
}

bool check_version(const Exports &table, std::string &error) {
    int32_t major = -1, minor = -1, revision = -1;
    if (table.quillane_version) table.quillane_version(&major, &minor, &revision);
    if (major == QUILLANE_VERSION_MAJOR && minor == QUILLANE_VERSION_MINOR) return true;
    error = "The analysis library has version " + version_text(major, minor, revision) +
            ", but this program needs version " + built_version() +
            " (the same major and minor version).";
    return false;
}

}  // namespace quillane::session
