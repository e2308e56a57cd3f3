// SPDX-License-Identifier: MIT
// What the data-files dialog collects (the files named, the options of a
// sequence, the active sets ticked), and the one state change it makes:
// the caller applies the choice to the shared state when the dialog closes.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "AppState.h"

namespace quillane::frontend {

struct DataFileChoice {
    std::array<QString, kMaxDataSets + 2> names{};  // [1..51]
    int32_t numFilesRead = 0;
    SetArray<int32_t> activeFlags{};
    SetArray<int32_t> activeSetTable{};
    int32_t numActive = 0;
    int16_t fileIncrement = 1;
    int16_t useIncrement = kFalse;
    int16_t maxFiles = kMaxDataSets;
    int16_t useMaxFiles = kFalse;
};

// The names and options always reach the shared state (they were changed as
// the user worked); the selection of active sets only when the dialog ended
// with OK.
void applyDataFileChoice(AppState &state, const DataFileChoice &choice, bool accepted);

}  // namespace quillane::frontend
