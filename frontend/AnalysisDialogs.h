// The analysis dialogs behind the main window's fit, differentiation and
// result-graph commands: each hook shows its dialog modally, stores the
// choice in the shared state and hands it to the library.
#pragma once

#include <QString>

namespace quillane::frontend {

struct AppState;
struct Hooks;
class LibraryBinding;
class Prompts;

// Fills in chooseRefSet, differParms, showSpanWarning, rmsVsTime, devVsPos
// and devsVsTime.
void installAnalysisDialogs(Hooks &hooks, AppState &state, LibraryBinding &library,
                            Prompts &prompts);

// The seven lines of the warning that some data set has too few points
// inside the limits for a fit of `span` points, one per line.
QString spanWarningText(int span);

}  // namespace quillane::frontend
