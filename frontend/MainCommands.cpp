// The main window's menu commands.
#include <cmath>

#include <QAction>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "DataSetOps.h"
#include "DataSetTimesDialog.h"
#include "LibraryBinding.h"
#include "LogListBox.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "WaitCursor.h"

namespace quillane::frontend {

// ---- shared steps ----

void MainWindow::applyLimits() {
    library_.setxirange(state_.XLow, state_.XHigh);
    int32_t status = 0;
    library_.set_lim_indices_vb(status);
    if (status == 0) {
        if (hooks_.showSpanWarning)
            hooks_.showSpanWarning(this);
        else
            notAvailable(QStringLiteral("The warning about too few points inside the limits"));
    }
    library_.TRANSFER_DATA();
}

void MainWindow::showThePlot() {
    if (!hooks_.showPlot) {
        notAvailable(QStringLiteral("The plot window"));
        return;
    }
    if (state_.PlotWindowOpen == kFalse && hooks_.loadPlotWindow) hooks_.loadPlotWindow();
    hooks_.showPlot();
    if (hooks_.disposePlotFile) hooks_.disposePlotFile();
    if (hooks_.showPlotWindow) hooks_.showPlotWindow();
}

// The library writes result graph ResultPlotKind for RefSet; the viewer
// shows it.
void MainWindow::showResultGraph() {
    {
        WaitCursor wait;
        library_.plot_result_graphs(state_.ResultPlotKind, state_.RefSet);
    }
    state_.LimitsMode = kFalse;
    state_.PlotReady = kTrue;
    showThePlot();
}

void MainWindow::chooseDataSets() {
    if (!hooks_.newDSToPlot) {
        state_.PlotReady = kFalse;
        notAvailable(QStringLiteral("Choosing data sets for a plot"));
        return;
    }
    hooks_.newDSToPlot(this);
}

// ---- data ----

void MainWindow::GetDataFiles() {
    DataFilesDialog &form = form1();
    form.prepare(state_.FirstSelection == kTrue);
    const bool accepted = prompts_.execDialog(form) == QDialog::Accepted;
    applyDataFileChoice(state_, form.choice(), accepted);

    QAction *self = item(QStringLiteral("GetDataFiles"));
    if (state_.FirstSelection == kFalse) self->setText(QStringLiteral("Select Active Data Files"));
    WaitCursor wait;
    if (state_.NumActive > 2) {
        if (state_.FirstSelection == kTrue) {
            for (int i = 1; i <= state_.NumFilesRead; ++i)
                ReadDataFile(state_, library_, static_cast<int16_t>(i));
        } else {
            library_.setxirange(state_.FullXLow, state_.FullXHigh);
            if (state_.LimitsSet == kTrue) setItemEnabled("FitIt", true);
        }
        BuildActiveList(state_, library_, *logList_, prompts_, this);
        state_.RefSet = state_.NumActive;
        library_.find_smallest_range();
        library_.TRANSFER_DATA();
        if (state_.FirstSelection == kTrue) {
            library_.getxirange(state_.XLow, state_.XHigh);
            state_.FullXLow = state_.XLow;
            state_.FullXHigh = state_.XHigh;
            state_.FirstSelection = kFalse;
        } else {
            applyLimits();
        }
        disableFitResults();
        for (const char *name : {"PlotDummy1", "SetLimits", "ToggleXI_R", "GetNewTimes",
                                 "DSTimeToDSIndex", "RenumberFr", "SetupDiffer"})
            setItemEnabled(name, true);
    } else {
        wait.restore();
        prompts_.warn(this, QStringLiteral("Need More Active Datasets"),
                      QStringLiteral("At Least 3 Datasets MUST Be Active!  Fitting is Disabled!"));
        setItemEnabled("FitIt", false);
        disableFitResults();
    }
    if (state_.FirstSelection == kFalse) self->setText(QStringLiteral("Select Active Data Files"));
}

void MainWindow::SetLimits() {
    library_.setxirange(state_.FullXLow, state_.FullXHigh);
    BuildActiveList(state_, library_, *logList_, prompts_, this);
    int32_t status = 0;
    library_.set_lim_indices_vb(status);
    library_.TRANSFER_DATA();
    // The rebuilt store has no slopes, and the limits marked next may move
    // every point the fit compared: its plots wait for a new fit.
    disableFitResults();

    state_.DataPlotKind = 1;
    chooseDataSets();
    state_.LimitsMode = kTrue;
    if (state_.PlotReady == kTrue) {
        state_.LimitsSet = kTrue;
        showThePlot();
    }
    BuildActiveList(state_, library_, *logList_, prompts_, this);
    applyLimits();
    if (state_.NumActive > 2 && state_.LimitsSet == kTrue) setItemEnabled("FitIt", true);
}

void MainWindow::FitIt() {
    if (!hooks_.chooseRefSet) {
        notAvailable(QStringLiteral("Fitting"));
        return;
    }
    hooks_.chooseRefSet(this);
    {
        WaitCursor wait;
        library_.fit_allB(state_.RefSet);
    }
    setItemEnabled("PlotdCdX_X", true);
    setItemEnabled("PlotdCdX_C", true);
    setItemEnabled("PlotDummy2", true);
}

void MainWindow::ToggleXI_R() {
    QAction *self = item(QStringLiteral("ToggleXI_R"));
    double *values[] = {&state_.XLow, &state_.XHigh, &state_.FullXLow, &state_.FullXHigh};
    if (state_.XiMode == kFalse) {
        state_.XiMode = kTrue;
        self->setText(QStringLiteral("Toggle XI to R"));
        for (double *v : values)
            *v = *v * *v / 2.0;
    } else {
        state_.XiMode = kFalse;
        self->setText(QStringLiteral("Toggle R to XI"));
        for (double *v : values)
            *v = std::sqrt(2.0 * *v);
    }
    const double mode = static_cast<double>(state_.XiMode);
    library_.set_x_var(mode);
    applyLimits();
    disableFitResults();
}

void MainWindow::GetNewTimes() {
    library_.get_times(&state_.DataSetTimes[1]);
    DataSetTimesDialog dialog(state_, prompts_, this);
    if (prompts_.execDialog(dialog) != QDialog::Accepted) return;
    state_.DataSetTimes = dialog.times();
    library_.set_times(&state_.DataSetTimes[1]);
}

void MainWindow::DSTimeToDSIndex() {
    for (int k = 1; k <= state_.NumActive && k <= kMaxDataSets; ++k)
        state_.DataSetTimes[k] = k;
    library_.set_times(&state_.DataSetTimes[1]);
}

void MainWindow::RenumberFr() {
    {
        WaitCursor wait;
        library_.renumber_fringes();
        library_.setxirange(state_.XLow, state_.XHigh);
        int32_t status = 0;
        library_.set_lim_indices_vb(status);
        library_.TRANSFER_DATA();
    }
    disableFitResults();
}

void MainWindow::SetupDiffer() {
    if (!hooks_.differParms) {
        notAvailable(QStringLiteral("Setting the differentiation parameters"));
        return;
    }
    if (hooks_.differParms(this)) disableFitResults();
}

// ---- data plots ----

void MainWindow::dataPlot(int kind) {
    state_.DataPlotKind = kind;
    chooseDataSets();
    state_.LimitsMode = kFalse;
    if (state_.PlotReady == kTrue) showThePlot();
}

void MainWindow::PlotRaw() {
    dataPlot(1);
}
void MainWindow::PlotdCdX_X() {
    dataPlot(2);
}
void MainWindow::PlotdCdX_C() {
    dataPlot(3);
}

// ---- result graphs ----

void MainWindow::rmsPlot(int kind, const QString &caption) {
    state_.DialogAccepted = kFalse;
    if (!hooks_.rmsVsTime) {
        notAvailable(QStringLiteral("The result graph options"));
        return;
    }
    hooks_.rmsVsTime(this, caption);
    state_.ResultPlotKind = kind;
    if (state_.DialogAccepted == kFalse) return;
    showResultGraph();
}

void MainWindow::PlotRMS() {
    rmsPlot(1, QStringLiteral("Plot RMS vs Time"));
}
void MainWindow::PlotVar() {
    rmsPlot(2, QStringLiteral("Plot Variance vs Time"));
}

// A chooser closed without a choice makes no graph at all: the library keeps
// the previous choice, but a graph the user did not ask for is not shown.
void MainWindow::PlotDevs() {
    state_.DialogAccepted = kFalse;
    if (!hooks_.devVsPos) {
        notAvailable(QStringLiteral("The result graph options"));
        return;
    }
    hooks_.devVsPos(this);
    state_.ResultPlotKind = 3;
    if (state_.DialogAccepted == kTrue) {
        state_.ChoosingForDeviations = kTrue;
        chooseDataSets();
        if (state_.PlotReady == kTrue) {
            showResultGraph();
        }
    }
    state_.ChoosingForDeviations = kFalse;
}

void MainWindow::PlotDevvsT() {
    if (!hooks_.devsVsTime) {
        notAvailable(QStringLiteral("The result graph options"));
        return;
    }
    hooks_.devsVsTime(this);
    state_.ResultPlotKind = 4;
    if (state_.DialogAccepted == kFalse) return;
    showResultGraph();
}

void MainWindow::PlotPOffset() {
    const int32_t remembered = state_.RefSet;
    state_.DialogAccepted = kFalse;
    if (!hooks_.chooseRefSet) {
        notAvailable(QStringLiteral("Choosing the reference set"));
        return;
    }
    hooks_.chooseRefSet(this);
    state_.ResultPlotKind = 5;
    state_.DialogAccepted = kTrue;
    showResultGraph();
    state_.RefSet = remembered;
}

void MainWindow::SavePlots() {
    QAction *self = item(QStringLiteral("SavePlots"));
    if (state_.DiscardPlotFiles == kTrue) {
        self->setText(QStringLiteral("Discard Plot Files"));
        state_.DiscardPlotFiles = kFalse;
    } else {
        self->setText(QStringLiteral("Save Plot Files"));
        state_.DiscardPlotFiles = kTrue;
    }
    library_.set_plotsave(state_.DiscardPlotFiles);
}

}  // namespace quillane::frontend
