// SPDX-License-Identifier: MIT
#include "library.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

#include "library_files.h"

namespace batch {
namespace {

std::filesystem::path own_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::string joined(const std::vector<std::string> &names, const char *separator) {
    std::string text;
    for (const std::string &n : names)
        text += (text.empty() ? "" : separator) + n;
    return text;
}

}  // namespace

bool load_library(quillane::session::Exports &api, std::string &where, std::string &error) {
    std::vector<std::string> failures;
    for (const std::string &candidate : quillane::session::library_candidates(own_folder())) {
        // The library stays loaded for the life of the process.
        void *handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char *why = dlerror();
            failures.push_back("cannot load " + candidate + ": " + (why ? why : "unknown error"));
            continue;
        }
        where = candidate;
        std::vector<std::string> missing;
        if (!quillane::session::bind_exports(
                api, [handle](const char *name) { return dlsym(handle, name); }, missing)) {
            error = "the library " + candidate + " lacks these exports: " + joined(missing, ", ");
            return false;
        }
        if (!quillane::session::check_version(api, error)) {
            error = candidate + ": " + error;
            return false;
        }
        return true;
    }
    error = joined(failures, "; ");
    return false;
}

}  // namespace batch
