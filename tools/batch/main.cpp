// quillane-batch: the whole analysis of a series of scan files from the
// command line, without a display.  It drives libquillane.so through the
// same exports, in the same order, as the desktop program.
#include <cstdio>
#include <string>
#include <vector>

#include "library.h"
#include "options.h"
#include "workflow.h"

namespace {

int fail(int code, const std::string &message) {
    std::fprintf(stderr, "quillane-batch: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char **argv) {
    std::string error;
    const auto options = batch::parse_options(argc, argv, error);
    if (!options) return fail(batch::kExitUsage, error + "\n" + batch::usage_text());
    if (options->help) {
        std::fputs(batch::usage_text().c_str(), stdout);
        return batch::kExitOk;
    }
    if (const int code = batch::check_inputs(*options, error); code != batch::kExitOk)
        return fail(code, error);

    batch::Api api;
    std::string library;
    if (!batch::load_library(api, library, error)) return fail(batch::kExitFailed, error);

    std::vector<batch::KeptPlot> plots;
    if (const int code = batch::run_workflow(*options, api, plots, error); code != batch::kExitOk)
        return fail(code, error);
    std::fflush(stdout);

    // Rendering the kept plot files as images belongs here, once the
    // front end's renderer can be used without a window.

    std::printf("quillane-batch: report written to %s\n", options->report.c_str());
    std::printf("quillane-batch: %zu plot files kept in %s\n", plots.size(),
                options->plots_dir.c_str());
    return batch::kExitOk;
}
