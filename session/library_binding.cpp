// SPDX-License-Identifier: MIT
#include "library_binding.h"

#include <dlfcn.h>

#include <filesystem>

#include "library_files.h"

namespace quillane::session {

namespace {

std::string own_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string joined(const std::vector<std::string> &names, const char *separator) {
    std::string text;
    for (const std::string &n : names)
        text += (text.empty() ? "" : separator) + n;
    return text;
}

}  // namespace

bool Library::load() {
    if (loaded()) return true;
    error_.clear();
    missing_.clear();
    std::vector<std::string> failures;
    for (const std::string &candidate : library_candidates(own_folder())) {
        void *handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char *why = dlerror();
            failures.push_back("cannot load " + candidate + ": " + (why ? why : "unknown error"));
            continue;
        }
        file_ = candidate;
        const Resolver resolve = [handle](const char *name) { return dlsym(handle, name); };
        // The version first: a library of another version may well lack
        // exports, and then the versions are what the user needs to know.
        Exports table;
        table.quillane_version =
            reinterpret_cast<decltype(table.quillane_version)>(resolve("quillane_version"));
        std::string why;
        if (table.quillane_version != nullptr && !check_version(table, why)) {
            error_ = candidate + ": " + why;
        } else if (!bind_exports(table, resolve, missing_)) {
            error_ = "The analysis library " + candidate +
                     " lacks these operations: " + joined(missing_, ", ");
        } else {
            exports_ = table;
            handle_ = handle;
            return true;
        }
        dlclose(handle);
        return false;
    }
    error_ = "The analysis library \"" + library_file_name() +
             "\" could not be loaded: " + joined(failures, "; ");
    return false;
}

}  // namespace quillane::session
