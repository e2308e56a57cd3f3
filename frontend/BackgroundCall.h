// SPDX-License-Identifier: MIT
// One long call (a fit, a reading of many files) on a worker thread while
// the calling thread goes on handling its events: the windows repaint, move
// and answer the user, and the call returns once the work is done, so the
// caller carries on as after any other call.  Whatever the work throws is
// thrown again here.
//
// The caller keeps everything the work touches away from its own thread
// meanwhile (the main window disables its commands while it waits).
#pragma once

#include <functional>

namespace quillane::frontend {

void runOffGuiThread(const std::function<void()> &work);

}  // namespace quillane::frontend
