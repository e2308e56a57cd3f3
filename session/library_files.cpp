// SPDX-License-Identifier: MIT
#include "library_files.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// Set by the build: the library's shared-object name and the path from the
// folder the programs are installed in to the folder the library is
// installed in.
#ifndef QUILLANE_LIBRARY_SONAME
#error "QUILLANE_LIBRARY_SONAME must name the library's shared-object file"
#endif
#ifndef QUILLANE_LIBDIR_FROM_BINDIR
#error "QUILLANE_LIBDIR_FROM_BINDIR must give the installed library folder"
#endif

namespace quillane::session {

std::string library_file_name() {
    return QUILLANE_LIBRARY_SONAME;
}

std::vector<std::string> library_candidates(const std::string &program_folder) {
    if (const char *named = std::getenv("QUILLANE_LIBRARY"); named != nullptr && *named != '\0')
        return {named};
    std::vector<std::string> files;
    if (!program_folder.empty()) {
        const std::filesystem::path folder(program_folder);
        for (const std::filesystem::path &file :
             {folder / library_file_name(),
              (folder / QUILLANE_LIBDIR_FROM_BINDIR / library_file_name()).lexically_normal()}) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(file, ec) &&
                (files.empty() || files.back() != file.string()))
                files.push_back(file.string());
        }
    }
    files.push_back(library_file_name());
    return files;
}

namespace {

// The file mapped at `address`, from the kernel's list of this process's
// mappings, which always names files by their full path.
std::string mapped_file(const void *address) {
    std::ifstream maps("/proc/self/maps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::string line;
    while (std::getline(maps, line)) {
        std::uintptr_t low = 0, high = 0;
        char *rest = nullptr;
        low = std::strtoull(line.c_str(), &rest, 16);
        if (rest == nullptr || *rest != '-') continue;
        high = std::strtoull(rest + 1, &rest, 16);
        if (at < low || at >= high) continue;
        const size_t slash = line.find('/');
        return slash == std::string::npos ? std::string() : line.substr(slash);
    }
    return {};
}

}  // namespace

std::string library_path(const Exports &table) {
    if (table.quillane_version == nullptr) return {};
    const auto *address = reinterpret_cast<const void *>(table.quillane_version);
    Dl_info info{};
    std::string file;
    if (dladdr(address, &info) != 0 && info.dli_fname != nullptr) file = info.dli_fname;
    // The loader names a library found on the search path as it found it,
    // which may be a bare or a relative name; the full path of the file
    // actually loaded is what tells a user which copy runs.
    if (file.empty() || file.front() != '/') {
        const std::string mapped = mapped_file(address);
        if (!mapped.empty()) file = mapped;
    }
    if (!file.empty() && file.front() != '/') {
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(file, ec);
        if (!ec) file = full.lexically_normal().string();
    }
    return file;
}

}  // namespace quillane::session
