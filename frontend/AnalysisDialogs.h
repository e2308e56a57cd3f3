// SPDX-License-Identifier: MIT
// The analysis dialogs behind the main window's fit, differentiation and
// result-graph commands: each hook shows its dialog modally, keeps the
// dialog's memories in the shared state and returns the user's choice; the
// main window hands it to the session.
#pragma once

#include <QString>

namespace quillane::session {
class Session;
}

namespace quillane::frontend {

struct AppState;
struct Hooks;
class Prompts;

// Fills in chooseRefSet, differParms, showSpanWarning, rmsVsTime, devVsPos
// and devsVsTime.
void installAnalysisDialogs(Hooks &hooks, AppState &state, const session::Session &session,
                            Prompts &prompts);

// The seven lines of the warning that some data set has too few points
// inside the limits for a fit of `span` points, one per line.
QString spanWarningText(int span);

// "Deviations of the fit against reference set 12 (00012.RA1)": which
// reference set the deviation graphs draw.
QString fitReferenceNote(const session::Session &session);

}  // namespace quillane::frontend
