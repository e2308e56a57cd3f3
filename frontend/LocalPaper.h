// SPDX-License-Identifier: MIT
// The paper of the run reports the program writes: Letter where the user's
// locale uses the US measures, A4 elsewhere.
#pragma once

#include <QLocale>

#include "run_report.h"

namespace quillane::frontend {

inline viewer::ReportPaper localPaper() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
               ? viewer::ReportPaper::letter
               : viewer::ReportPaper::a4;
}

}  // namespace quillane::frontend
