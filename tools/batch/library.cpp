#include "library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace batch {
namespace {

constexpr const char *kLibraryName = "libquillane.so";

std::filesystem::path own_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

template <typename F>
bool bind(void *handle, const char *name, F &target, std::string &error) {
    void *symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        error = std::string("the library has no export ") + name;
        return false;
    }
    target = reinterpret_cast<F>(symbol);
    return true;
}

}  // namespace

bool load_library(Api &api, std::string &where, std::string &error) {
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
#define QUILLANE_BIND(name) \
    if (!bind(handle, #name, api.name, error)) return false
    QUILLANE_BIND(init_lbsink);
    QUILLANE_BIND(init_lbhandle);
    QUILLANE_BIND(init_namwr);
    QUILLANE_BIND(setplotfile);
    QUILLANE_BIND(initcommons);
    QUILLANE_BIND(set_plotsave);
    QUILLANE_BIND(getdatar);
    QUILLANE_BIND(setredir);
    QUILLANE_BIND(set_x_var);
    QUILLANE_BIND(find_smallest_range);
    QUILLANE_BIND(TRANSFER_DATA);
    QUILLANE_BIND(setxirange);
    QUILLANE_BIND(getxirange);
    QUILLANE_BIND(set_lim_indices_vb);
    QUILLANE_BIND(get_differ_parms);
    QUILLANE_BIND(set_differ_parms);
    QUILLANE_BIND(fit_allB);
    QUILLANE_BIND(put_plotlist);
    QUILLANE_BIND(GENERIC_PLOT);
    QUILLANE_BIND(setrchoice);
    QUILLANE_BIND(set_xs_to_plot);
    QUILLANE_BIND(plot_result_graphs);
    QUILLANE_BIND(tkrnd2);
#undef QUILLANE_BIND
    return true;
}

}  // namespace batch
