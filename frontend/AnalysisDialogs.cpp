#include "AnalysisDialogs.h"

#include <QCoreApplication>
#include <QStringList>

#include "AppState.h"
#include "ChooseRefSetDialog.h"
#include "DifferParmsDialog.h"
#include "Hooks.h"
#include "LibraryBinding.h"
#include "NumberFormat.h"
#include "Prompts.h"
#include "ResultGraphDialogs.h"

namespace quillane::frontend {

QString spanWarningText(int span) {
    return QStringList{"At LEAST ONE data set is effectively OUT OF BOUNDS",
                       "with insufficient data points to perform a fit using",
                       "the current number of fitting points (" + vbDigits(span) + ").",
                       "You may either choose fewer fitting points using the",
                       "menu item - Data|Set Differentiation Parameters or",
                       "expand the data range using Data|Set Data Limits.",
                       "Please correct this problem before fitting data!"}
        .join('\n');
}

void installAnalysisDialogs(Hooks &hooks, AppState &state, LibraryBinding &library,
                            Prompts &prompts) {
    hooks.chooseRefSet = [&state, &prompts](QWidget *parent) {
        ChooseRefSetDialog dialog(state.NumActive, state.RefSet, parent);
        prompts.execDialog(dialog);
        state.RefSet = dialog.refSet();
    };

    hooks.differParms = [&library, &prompts](QWidget *parent) {
        int32_t span = 0, points = 0, terms = 0;
        library.get_differ_parms(span, points, terms);
        DifferParmsDialog dialog({span, points, terms}, parent);
        if (prompts.execDialog(dialog) != QDialog::Accepted) return false;
        const DifferParmsValues chosen = dialog.result();
        library.set_differ_parms(chosen.span, chosen.terms);
        return true;
    };

    hooks.showSpanWarning = [&library, &prompts](QWidget *parent) {
        int32_t span = 0, points = 0, terms = 0;
        library.get_differ_parms(span, points, terms);
        prompts.warn(parent, QCoreApplication::applicationName(), spanWarningText(span));
    };

    hooks.rmsVsTime = [&state, &library, &prompts](QWidget *parent, const QString &caption) {
        RmsChoice previous;
        previous.options = state.RmsPlotOptions;
        previous.logChoice = state.LogChoice;
        previous.refSet = state.RefSet;
        RmsVsTimeDialog dialog(prompts, caption, previous, state.NumActive, parent);
        state.DialogAccepted = kFalse;
        prompts.execDialog(dialog);
        const RmsChoice chosen = dialog.result();
        state.RmsPlotOptions = chosen.options;  // kept even when nothing was ticked
        if (!chosen.accepted) return;
        state.LogChoice = chosen.logChoice;
        state.RefSet = chosen.refSet;
        library.setrchoice(state.RmsPlotOptions.data(), state.LogChoice);
        state.DialogAccepted = kTrue;
    };

    hooks.devVsPos = [&state, &library, &prompts](QWidget *parent) {
        DevVsPosDialog dialog(state.LogChoice, parent);
        state.DialogAccepted = kFalse;
        prompts.execDialog(dialog);
        const DeviationChoice chosen = dialog.result();
        if (!chosen.accepted) return;
        state.DevOptions = chosen.devOptions;
        state.LogChoice = chosen.logChoice;
        library.setrchoice(state.DevOptions.data(), state.LogChoice);
        state.DialogAccepted = kTrue;
    };

    hooks.devsVsTime = [&state, &library, &prompts](QWidget *parent) {
        DevsVsTimeDialog dialog(prompts, state.XLow, state.XHigh, state.XiMode != kFalse,
                                state.LogChoice, parent);
        state.DialogAccepted = kFalse;
        prompts.execDialog(dialog);
        const DeviationChoice chosen = dialog.result();
        if (!chosen.accepted) return;
        state.PositionsToPlot.fill(0.0);
        state.PositionCount = static_cast<int32_t>(chosen.positions.size());
        for (size_t i = 0; i < chosen.positions.size(); ++i)
            state.PositionsToPlot[i] = chosen.positions[i];
        library.set_xs_to_plot(state.PositionsToPlot.data(), state.PositionCount);
        state.DevOptions = chosen.devOptions;
        state.LogChoice = chosen.logChoice;
        library.setrchoice(state.DevOptions.data(), state.LogChoice);
        state.DialogAccepted = kTrue;
    };
}

}  // namespace quillane::frontend
