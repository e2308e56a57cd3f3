// The windows the main window opens but does not own: the analysis dialogs,
// the data-set chooser for plots and the plot viewer.  The main window calls
// them through these hooks; whoever builds those windows fills the hooks in
// (see MainWindow::hooks()).  An empty hook makes its menu command say that
// the window is not available yet, and nothing else happens.
//
// All of them work on the shared AppState the main window was given.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace quillane::frontend {

struct Hooks {
    // ---- fit command and differentiation parameters ----
    // ChooseRefSet, modal: leaves the chosen active set in RefSet.
    std::function<void(QWidget *parent)> chooseRefSet;
    // DifferParms, modal: returns true when it gave the library new
    // parameters (the derivative plots and result graphs then need a new fit).
    std::function<bool(QWidget *parent)> differParms;
    // The warning that some active set has too few points inside the limits.
    std::function<void(QWidget *parent)> showSpanWarning;

    // ---- result-graph option dialogs, modal; each sets DialogAccepted ----
    std::function<void(QWidget *parent, const QString &caption)> rmsVsTime;
    std::function<void(QWidget *parent)> devVsPos;
    std::function<void(QWidget *parent)> devsVsTime;

    // ---- data-set chooser for plots, modal ----
    // NewDSToPlot: clears PlotReady, and when the user chooses sets hands them
    // to the library (and for data plots has the plot written), then sets
    // PlotReady.
    std::function<void(QWidget *parent)> newDSToPlot;

    // ---- plot viewer ----
    std::function<void()> loadPlotWindow;     // create Plotit; sets PlotWindowOpen
    std::function<void()> showPlot;           // ShowPlot: read and draw the plot file
    std::function<void()> disposePlotFile;    // DisposePlotFile: delete or keep it
    std::function<void()> showPlotWindow;     // show Plotit, not modal
    std::function<void()> closePlotWindow;    // close Plotit
    std::function<void()> closeLegendWindow;  // close PlotLegend
    // Checks or unchecks the viewer's printer item `index` (1-based, in the
    // order of AppState::PrinterNames).
    std::function<void(int index, bool checked)> setViewerPrinterChecked;
};

}  // namespace quillane::frontend
