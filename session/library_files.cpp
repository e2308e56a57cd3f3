#include "library_files.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

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

std::string library_path(const Exports &table) {
    Dl_info info{};
    if (table.quillane_version == nullptr ||
        dladdr(reinterpret_cast<void *>(table.quillane_version), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    return info.dli_fname;
}

}  // namespace quillane::session
