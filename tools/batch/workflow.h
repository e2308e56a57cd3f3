// The whole analysis without a display: read, select, limit, fit, and write
// every data plot and result graph as a kept plot file -- the program's
// steps, asked of the same session layer.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "plot_keeper.h"
#include "session.h"

namespace batch {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the run could not be completed
inline constexpr int kExitUsage = 2;   // the command line asks for something impossible

// Checks what the command line alone decides: enough active sets, each one
// of the files, the reference set among them.  Returns kExitOk or an exit
// code with error set.
int check_inputs(const Options &o, std::string &error);

// The runner's log view: every line the library posts goes to standard
// output.
class StdoutListBox {
  public:
    static const quillane_listbox_ctx_ops &operations();
    int lines = 0;
};

// Runs the analysis on a session whose library is loaded; the kept plot
// files are added to `plots` as they are written.  Returns an exit code; on
// failure error says why.
int run_workflow(const Options &o, quillane::session::Session &session,
                 std::vector<KeptPlot> &plots, std::string &error);

}  // namespace batch
