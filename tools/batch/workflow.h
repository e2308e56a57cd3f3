// The whole analysis without a display: read, select, limit, fit, and write
// every data plot and result graph as a kept plot file.
#pragma once

#include <string>
#include <vector>

#include "library.h"
#include "options.h"
#include "plot_keeper.h"

namespace batch {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the run could not be completed
inline constexpr int kExitUsage = 2;   // the command line asks for something impossible

// Checks what can be checked before the library is loaded: the files are
// readable, enough sets are active, the reference set is one of them.
// Returns kExitOk or an exit code with error set.
int check_inputs(const Options &o, std::string &error);

// Runs the analysis; the kept plot files are added to `plots` as they are
// written.  Returns an exit code; on failure error says why.
int run_workflow(const Options &o, const Api &api, std::vector<KeptPlot> &plots,
                 std::string &error);

}  // namespace batch
