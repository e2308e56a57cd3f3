// SPDX-License-Identifier: MIT
// The front end's own state: one plain struct, owned by the application and
// handed by reference to every window, dialog and the plot viewer.  It holds
// what belongs to the windows (menu state, printer choice, dialog memories);
// the library-side state (the active sets, limits, position variable, the
// fit's reference) is the session's, and windows ask the session for it.
//
// Conventions kept from the library's interface: sets, active sets and rows
// are numbered from 1 (element 0 of a per-set table is unused), and flags are
// int32/int16 holding -1 for true and 0 for false, so that they can be passed
// to the library by reference as they are.
#pragma once

#include <array>
#include <cstdint>

#include <QString>
#include <QStringList>

#include "quillane.h"

namespace quillane::frontend {

inline constexpr int kMaxDataSets = QUILLANE_MAX_DATA_SETS;
inline constexpr int32_t kTrue = -1;
inline constexpr int32_t kFalse = 0;

template <typename T>
using SetArray = std::array<T, kMaxDataSets + 1>;  // [1..50]; [0] unused or a count

struct AppState {
    // ---- the data-file window's rows and options ----
    std::array<QString, kMaxDataSets + 2> DataFileNames{};  // [1..51], trimmed full paths
    SetArray<int32_t> ActiveFlags{};  // -1 = the row's data set takes part (the applied choice)
    int32_t NumFilesRead = 0;

    // Sequence-load options of the data-file dialog.
    int16_t FileIncrement = 1;
    int16_t UseIncrement = kFalse;
    int16_t MaxFiles = kMaxDataSets;
    int16_t UseMaxFiles = kFalse;

    // ---- menu state and modes ----
    int32_t EchoInputSwitch = kFalse;
    int32_t DiscardPlotFiles = kTrue;  // the caption of "Save Plot Files" follows it
    int16_t PlotWindowOpen = kFalse;
    int16_t LegendWindowOpen = kFalse;
    int16_t ShowCoordsDefault = kTrue;

    // ---- result-graph dialog memories ----
    // Every fit kind at first, so the first graph shows how the offsets
    // change the picture; then the user's last choice.
    std::array<int32_t, 3> RmsPlotOptions{kTrue, kTrue, kTrue};
    std::array<int32_t, 3> DevOptions{};
    // Each dialog keeps its own logarithm tick: ln RMS says nothing about
    // whether deviations, which have a sign, should be shown as ln|dev|.
    int32_t LogChoice = 0;          // RMS vs Time
    int32_t LogChoiceVariance = 0;  // Variance vs Time
    int32_t LogChoiceDevs = 0;      // Deviations vs Position
    int32_t LogChoiceDevsTime = 0;  // Deviations vs Time

    // ---- names ----
    QString ProgramTitle;    // exactly 16 characters, blank padded
    QString ProgramVersion;  // exactly 10 characters, blank padded
    QString OutFileName;     // trimmed
    QString WorkDir;         // always ends in a separator
    QString PlotFileName;
    QString TempPlotFileName;
    QString DefaultPrinterName;  // current printer; empty when none is installed
    QStringList PrinterNames;    // the system's printers, in the system's order
};

}  // namespace quillane::frontend
