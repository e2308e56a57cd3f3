// SPDX-License-Identifier: MIT
#include "library_binding.h"

#include <dlfcn.h>
#include <stdlib.h>

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

bool Library::bind(void *handle, const std::string &candidate) {
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
        return bind(handle, candidate);
    }
    error_ = "The analysis library \"" + library_file_name() +
             "\" could not be loaded: " + joined(failures, "; ");
    return false;
}

bool Library::load_own_copy(const std::string &file) {
    if (loaded()) return true;
    error_.clear();
    missing_.clear();
    namespace fs = std::filesystem;
    std::error_code ec;
    // The loader hands out a library it has loaded already whenever the
    // name or the file is the same: the copy gets a file of its own.
    std::string folder = (fs::temp_directory_path(ec) / "quillane-library-XXXXXX").string();
    if (ec || ::mkdtemp(folder.data()) == nullptr) {
        error_ = "no private folder for a copy of the analysis library " + file;
        return false;
    }
    const fs::path copy = fs::path(folder) / fs::path(file).filename();
    fs::copy_file(file, copy, ec);
    void *handle = ec ? nullptr : dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    const char *why = handle ? nullptr : dlerror();
    if (!handle)
        error_ = "cannot load a copy of the analysis library " + file + ": " +
                 (ec    ? ec.message()
                  : why ? why
                        : "unknown error");
    // Mapped, the copy needs no file any more.
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return handle && bind(handle, file);
}

}  // namespace quillane::session
