#include "library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace batch {
namespace {

constexpr const char *kLibraryName = "libquillane.so";

std::filesystem::path own_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::string joined(const std::vector<std::string> &names) {
    std::string text;
    for (const std::string &n : names)
        text += (text.empty() ? "" : ", ") + n;
    return text;
}

}  // namespace

bool load_library(quillane::session::Exports &api, std::string &where, std::string &error) {
    std::string candidate;
    if (const char *env = std::getenv("QUILLANE_LIBRARY"); env != nullptr && *env != '\0') {
        candidate = env;
    } else {
        const std::filesystem::path beside = own_folder() / kLibraryName;
        std::error_code ec;
        candidate = !own_folder().empty() && std::filesystem::exists(beside, ec) ? beside.string()
                                                                                 : kLibraryName;
    }
    // The library stays loaded for the life of the process.
    void *handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *why = dlerror();
        error = "cannot load " + candidate + ": " + (why ? why : "unknown error");
        return false;
    }
    where = candidate;
    std::vector<std::string> missing;
    if (!quillane::session::bind_exports(
            api, [handle](const char *name) { return dlsym(handle, name); }, missing)) {
        error = "the library " + candidate + " lacks these exports: " + joined(missing);
        return false;
    }
    if (!quillane::session::check_version(api, error)) {
        error = candidate + ": " + error;
        return false;
    }
    return true;
}

}  // namespace batch
