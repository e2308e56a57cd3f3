// SPDX-License-Identifier: MIT
#include "EquilibriumAnswer.h"

#include "SessionText.h"
#include "equilibrium_answer.h"

namespace quillane::frontend {

QString driftRemark(const session::Assessment &a) {
    return viewer::driftRemark(a, fromSession);
}

viewer::PlotAnswer equilibriumAnswer(const session::Assessment &a,
                                     std::function<void()> showOffsets) {
    viewer::FigureAnswer said = viewer::equilibriumFigureAnswer(a, fromSession);
    viewer::PlotAnswer answer;
    answer.text = said.text;
    answer.note = said.note;
    answer.lines = std::move(said.lines);
    // The offset fits are offered where they decided the verdict.
    if (!driftRemark(a).isEmpty() && showOffsets) {
        answer.actionCaption = QStringLiteral("Show &Offset Fits");
        answer.action = std::move(showOffsets);
    }
    answer.hoursByDefault = true;
    return answer;
}

}  // namespace quillane::frontend
