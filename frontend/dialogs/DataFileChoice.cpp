// SPDX-License-Identifier: MIT
#include "DataFileChoice.h"

namespace quillane::frontend {

void applyDataFileChoice(AppState &state, const DataFileChoice &choice, bool accepted) {
    state.DataFileNames = choice.names;
    state.NumFilesRead = choice.numFilesRead;
    state.FileIncrement = choice.fileIncrement;
    state.UseIncrement = choice.useIncrement;
    state.MaxFiles = choice.maxFiles;
    state.UseMaxFiles = choice.useMaxFiles;
    if (!accepted) return;
    state.ActiveFlags = choice.activeFlags;
}

}  // namespace quillane::frontend
