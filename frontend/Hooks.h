// SPDX-License-Identifier: MIT
// The windows the main window opens but does not own: the analysis dialogs,
// the data-set chooser for plots and the plot viewer.  The main window calls
// them through these hooks; whoever builds those windows fills the hooks in
// (see MainWindow::hooks()): the analysis dialogs (installAnalysisDialogs)
// and the plot viewer (ViewerBridge::install).  Every hook is required:
// MainWindow::load() refuses to start with one unset, so no command ever
// meets an empty hook.
//
// The dialog hooks show their dialog modally and return what the user chose
// (keeping their own memories in AppState); the main window hands the choice
// to the session.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "session.h"

class QWidget;

namespace quillane::frontend {

struct DifferChoice {
    int span = 0;
    int terms = 0;
};

// What a plot about to be shown holds, so that its legend can name each
// series.
using PlotContent = session::PlotSubject;

// Data limits typed in the data-set chooser of "Set Data Limits".
struct TypedLimits {
    bool fullRange = false;  // "Full Range" was the last word: the limits read at first
    // In the current position variable (the fields may show either unit;
    // the session converts what was typed).
    double low = 0.0;
    double high = 0.0;
};

// What the chooser of "Set Data Limits" collects: the sets of the limits
// plot, and new limits when the user typed them.
struct LimitsChoice {
    std::vector<int> sets;
    std::optional<TypedLimits> limits;
};

struct Hooks {
    // ---- fit command and differentiation parameters ----
    // ChooseRefSet, modal: the chosen active set (the dialog starts at
    // `current`); however the dialog is closed, its slider is the choice.
    std::function<int(QWidget *parent, int current)> chooseRefSet;
    // DifferParms, modal: new span and degree, or nothing when cancelled.
    std::function<std::optional<DifferChoice>(QWidget *parent)> differParms;
    // The warning that some active set has too few points inside the limits.
    std::function<void(QWidget *parent)> showSpanWarning;

    // ---- result-graph option dialogs, modal: the graph asked for, or
    // nothing when the dialog ended without one ----
    std::function<std::optional<session::GraphRequest>(QWidget *parent, const QString &caption)>
        rmsVsTime;
    std::function<std::optional<session::GraphRequest>(QWidget *parent)> devVsPos;
    std::function<std::optional<session::GraphRequest>(QWidget *parent)> devsVsTime;

    // ---- data-set chooser for plots, modal ----
    // NewDSToPlot: the active sets chosen (empty when none); with
    // `forDeviations` the fit's reference set cannot be chosen.
    std::function<std::vector<int>(QWidget *parent, bool forDeviations)> newDSToPlot;
    // NewDSToPlot for "Set Data Limits": the sets of the limits plot, with
    // fields for typing the limits beside them.
    std::function<LimitsChoice(QWidget *parent)> chooseForLimits;

    // ---- plot viewer ----
    std::function<void()> loadPlotWindow;  // create Plotit; sets PlotWindowOpen
    // ShowPlot: read and draw the plot file; its legend names what
    // `content` holds.
    std::function<void(const PlotContent &content)> showPlot;
    std::function<void()> disposePlotFile;    // DisposePlotFile: delete or keep it
    std::function<void()> showPlotWindow;     // show Plotit, not modal
    std::function<void()> redrawPlot;         // draw the plot on show again
    std::function<void()> closePlotWindow;    // close Plotit
    std::function<void()> closeLegendWindow;  // close PlotLegend
    // Checks or unchecks the viewer's printer item `index` (1-based, in the
    // order of AppState::PrinterNames).
    std::function<void(int index, bool checked)> setViewerPrinterChecked;

    // The names of the hooks not filled in, in the order above; empty when
    // the table is complete.
    std::vector<std::string> missing() const;
};

}  // namespace quillane::frontend
