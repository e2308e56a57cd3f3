// SPDX-License-Identifier: MIT
#include "AnalysisDialogs.h"

#include <QCoreApplication>
#include <QStringList>

#include "ActiveSetNames.h"
#include "AppState.h"
#include "ChooseRefSetDialog.h"
#include "DifferParmsDialog.h"
#include "Hooks.h"
#include "NumberFormat.h"
#include "Prompts.h"
#include "ResultGraphDialogs.h"
#include "SessionText.h"

namespace quillane::frontend {

namespace {

std::array<bool, 3> chosenKinds(const std::array<int32_t, 3> &options) {
    return {options[0] != 0, options[1] != 0, options[2] != 0};
}

}  // namespace

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

QString fitReferenceNote(const session::Session &session) {
    const int ref = session.fit_reference();
    if (ref < 1) return {};
    const QString file = fileNameOf(session.active_file_name(ref));
    return QStringLiteral("Deviations of the fit against reference set %1 (%2)").arg(ref).arg(file);
}

void installAnalysisDialogs(Hooks &hooks, AppState &state, const session::Session &session,
                            Prompts &prompts) {
    hooks.chooseRefSet = [&session, &prompts](QWidget *parent, int current) {
        ChooseRefSetDialog dialog(activeSetEntries(session), current, parent);
        prompts.execDialog(dialog);
        return dialog.refSet();
    };

    hooks.differParms = [&session, &prompts](QWidget *parent) -> std::optional<DifferChoice> {
        const session::DifferParms now = session.differ_parms();
        DifferParmsDialog dialog({now.span, now.points, now.terms}, parent);
        if (prompts.execDialog(dialog) != QDialog::Accepted) return std::nullopt;
        const DifferParmsValues chosen = dialog.result();
        return DifferChoice{chosen.span, chosen.terms};
    };

    hooks.showSpanWarning = [&session, &prompts](QWidget *parent) {
        // The lines in capitals, and which set falls short, by how much.
        const std::string plain = session::span_shortfall_text(session.span_check());
        QString text = spanWarningText(session.differ_parms().span);
        if (!plain.empty()) text += QStringLiteral("\n\n") + QString::fromStdString(plain);
        prompts.warn(parent, QCoreApplication::applicationName(), text);
    };

    // The graph's own reference set starts at the fit's and stays the graph's.
    hooks.rmsVsTime = [&state, &session, &prompts](
                          QWidget *parent,
                          const QString &caption) -> std::optional<session::GraphRequest> {
        // The variance graph keeps a logarithm tick of its own.
        int32_t &logChoice = caption.contains(QStringLiteral("Variance")) ? state.LogChoiceVariance
                                                                          : state.LogChoice;
        RmsChoice previous;
        previous.options = state.RmsPlotOptions;
        previous.logChoice = logChoice;
        previous.refSet = session.fit_reference();
        RmsVsTimeDialog dialog(prompts, caption, previous, activeSetEntries(session), parent);
        prompts.execDialog(dialog);
        const RmsChoice chosen = dialog.result();
        state.RmsPlotOptions = chosen.options;  // kept even when nothing was ticked
        if (!chosen.accepted) return std::nullopt;
        logChoice = chosen.logChoice;
        session::GraphRequest request;
        request.fit_kinds = chosenKinds(state.RmsPlotOptions);
        request.logarithms = logChoice != 0;
        request.reference = chosen.refSet;
        return request;
    };

    hooks.devVsPos = [&state, &session,
                      &prompts](QWidget *parent) -> std::optional<session::GraphRequest> {
        DevVsPosDialog dialog(state.LogChoiceDevs, fitReferenceNote(session), parent);
        prompts.execDialog(dialog);
        const DeviationChoice chosen = dialog.result();
        if (!chosen.accepted) return std::nullopt;
        state.DevOptions = chosen.devOptions;
        state.LogChoiceDevs = chosen.logChoice;
        session::GraphRequest request;
        request.fit_kinds = chosenKinds(state.DevOptions);
        request.logarithms = state.LogChoiceDevs != 0;
        return request;
    };

    hooks.devsVsTime = [&state, &session,
                        &prompts](QWidget *parent) -> std::optional<session::GraphRequest> {
        const session::Limits limits = session.limits();
        DevsVsTimeDialog dialog(prompts, limits.low, limits.high, session.xi_mode(),
                                state.LogChoiceDevsTime, fitReferenceNote(session), parent);
        prompts.execDialog(dialog);
        const DeviationChoice chosen = dialog.result();
        if (!chosen.accepted) return std::nullopt;
        state.DevOptions = chosen.devOptions;
        state.LogChoiceDevsTime = chosen.logChoice;
        session::GraphRequest request;
        request.fit_kinds = chosenKinds(state.DevOptions);
        request.logarithms = state.LogChoiceDevsTime != 0;
        request.positions = chosen.positions;
        return request;
    };
}

}  // namespace quillane::frontend
