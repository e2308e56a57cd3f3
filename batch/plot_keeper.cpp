// SPDX-License-Identifier: MIT
#include "plot_keeper.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace batch {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxNumber = 100000;

}  // namespace

PlotKeeper::PlotKeeper(std::string dir)
    : dir_(std::move(dir)), own_name_(".quillane-plot-" + std::to_string(::getpid()) + ".dat") {}

PlotKeeper::~PlotKeeper() {
    ::unlink(plot_file().c_str());
}

std::string PlotKeeper::plot_file() const {
    return (fs::path(dir_) / own_name_).string();
}

bool PlotKeeper::prepare(std::string &error) {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec || !fs::is_directory(dir_)) {
        error = "cannot create the plot folder " + dir_ + (ec ? ": " + ec.message() : "");
        return false;
    }
    // A plot file of an earlier run of this process number was never kept.
    fs::remove(plot_file(), ec);
    return true;
}

// A hard link claims the numbered name in one step: it fails when the name
// is taken, so two runs never get the same one.
bool PlotKeeper::keep(KeptPlot plot, std::vector<KeptPlot> &plots, std::string &error) {
    const std::string &what = plot.what;
    std::error_code ec;
    if (!fs::exists(plot_file(), ec)) {
        error = "no plot file was written for the " + what;
        return false;
    }
    for (; next_ < kMaxNumber; ++next_) {
        char name[32];
        std::snprintf(name, sizeof name, "plot_%03d.dat", next_);
        const std::string target = (fs::path(dir_) / name).string();
        int claimed = ::link(plot_file().c_str(), target.c_str());
        if (claimed != 0 && (errno == EPERM || errno == EOPNOTSUPP)) {
            // A file system without hard links: a rename that refuses to
            // replace claims the name just as well.
            claimed = ::renameat2(AT_FDCWD, plot_file().c_str(), AT_FDCWD, target.c_str(),
                                  RENAME_NOREPLACE);
        }
        if (claimed != 0) {
            if (errno == EEXIST) continue;
            error = "cannot keep the plot file for the " + what + " as " + target + ": " +
                    std::strerror(errno);
            return false;
        }
        ::unlink(plot_file().c_str());
        ++next_;
        plot.path = target;
        plots.push_back(std::move(plot));
        std::printf("quillane-batch: %s -> %s\n", plots.back().what.c_str(), target.c_str());
        return true;
    }
    error = "no free plot file number in " + dir_;
    return false;
}

}  // namespace batch
