#include "plot_keeper.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace batch {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxNumber = 100000;

// Moves from to to unless to exists.  A hard link refuses an existing
// target in one step; where links are not possible, check and rename.
bool move_no_replace(const std::string &from, const std::string &to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    std::error_code ec;
    if (fs::exists(to, ec)) return false;
    fs::rename(from, to, ec);
    return !ec;
}

}  // namespace

std::string PlotKeeper::plot_file() const {
    return (fs::path(dir_) / "plot.dat").string();
}

bool PlotKeeper::prepare(std::string &error) {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec || !fs::is_directory(dir_)) {
        error = "cannot create the plot folder " + dir_ + (ec ? ": " + ec.message() : "");
        return false;
    }
    if (fs::exists(plot_file(), ec)) {
        fs::rename(plot_file(), fs::path(dir_) / "plot.bak", ec);
        if (ec) {
            error = "cannot move the old plot file " + plot_file() + " aside: " + ec.message();
            return false;
        }
    }
    return true;
}

bool PlotKeeper::keep(const std::string &what, std::vector<KeptPlot> &plots) {
    std::error_code ec;
    if (!fs::exists(plot_file(), ec)) {
        std::printf("quillane-batch: no plot file for the %s\n", what.c_str());
        return false;
    }
    for (; next_ < kMaxNumber; ++next_) {
        char name[32];
        std::snprintf(name, sizeof name, "plot_%03d.dat", next_);
        const std::string target = (fs::path(dir_) / name).string();
        if (!move_no_replace(plot_file(), target)) {
            if (fs::exists(plot_file(), ec)) continue;  // the name is taken: try the next
            break;
        }
        ++next_;
        plots.push_back({target, what});
        std::printf("quillane-batch: %s -> %s\n", what.c_str(), target.c_str());
        return true;
    }
    std::fprintf(stderr, "quillane-batch: cannot keep the plot file %s\n", plot_file().c_str());
    return false;
}

}  // namespace batch
