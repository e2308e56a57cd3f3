#include "ViewerBridge.h"

#include <QCoreApplication>

#include "AppState.h"
#include "DataSetChooserDialog.h"
#include "Hooks.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "ProgressWindow.h"
#include "Prompts.h"
#include "TextPane.h"
#include "plot_window.h"

namespace quillane::frontend {

ViewerBridge::ViewerBridge(AppState &state, LibraryBinding &library, Prompts &prompts,
                           MainWindow &window)
    : state_(state), library_(library), prompts_(prompts), window_(window) {}

ViewerBridge::~ViewerBridge() = default;

void ViewerBridge::install() {
    Hooks &hooks = window_.hooks();
    hooks.newDSToPlot = [this](QWidget *parent) { chooseDataSets(parent); };
    hooks.loadPlotWindow = [this] { loadPlotWindow(); };
    hooks.showPlot = [this] {
        if (!plotit_) loadPlotWindow();
        plotit_->ShowPlot();
    };
    hooks.disposePlotFile = [this] {
        if (plotit_) plotit_->DisposePlotFile();
    };
    hooks.showPlotWindow = [this] {
        if (!plotit_) return;
        plotit_->show();
        plotit_->raise();
        plotit_->activateWindow();
    };
    hooks.closePlotWindow = [this] {
        if (plotit_) plotit_->unload();
    };
    hooks.closeLegendWindow = [this] {
        if (plotit_ && plotit_->legend()) plotit_->legend()->close();
    };
    hooks.setViewerPrinterChecked = [this](int index, bool checked) {
        if (plotit_ && checked) plotit_->checkPrinter(index - 1);
    };
}

void ViewerBridge::loadPlotWindow() {
    if (plotit_) return;
    plotit_ = std::make_unique<viewer::Plotit>(*this);
    plotit_->setPrinterNames(state_.PrinterNames);
    plotit_->setMessageHook([this](const QString &text, const QString &title) {
        prompts_.warn(plotit_.get(), title, text);
    });
}

void ViewerBridge::chooseDataSets(QWidget *parent) {
    state_.PlotReady = kFalse;
    const bool forDeviations = state_.ChoosingForDeviations == kTrue;
    DataSetChooserDialog dialog(state_, forDeviations, state_.RefSet, parent);
    prompts_.execDialog(dialog);
    const PlotList &list = dialog.chosen();
    if (list[0] <= 0) return;
    library_.put_plotlist(list.data());
    if (!forDeviations) library_.GENERIC_PLOT(state_.DataPlotKind, -1);
    state_.PlotReady = kTrue;
}

double ViewerBridge::xLow() const {
    return state_.XLow;
}
double ViewerBridge::xHigh() const {
    return state_.XHigh;
}
void ViewerBridge::setXLow(double value) {
    state_.XLow = value;
}
void ViewerBridge::setXHigh(double value) {
    state_.XHigh = value;
}
bool ViewerBridge::limitsMode() const {
    return state_.LimitsMode == kTrue;
}
void ViewerBridge::setxirange(double low, double high) {
    library_.setxirange(low, high);
}

bool ViewerBridge::set_lim_indices_vb() {
    int32_t ok = 0;
    library_.set_lim_indices_vb(ok);
    return ok != 0;
}

// Limits marked on the plot rebuild the active store: the last fit's
// deviations would be drawn against the new positions, so its plots wait
// for a new fit.
void ViewerBridge::TRANSFER_DATA() {
    library_.TRANSFER_DATA();
    window_.disableFitResults();
}

void ViewerBridge::tkrnd2(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) {
    library_.tkrnd2(lo, hi, out_lo, out_hi, n_intervals);
}

void ViewerBridge::showSpanWarning() {
    if (window_.hooks().showSpanWarning) window_.hooks().showSpanWarning(plotit_.get());
}

QString ViewerBridge::plotFileName() const {
    return state_.PlotFileName;
}
QString ViewerBridge::tempPlotFileName() const {
    return state_.TempPlotFileName;
}
QString ViewerBridge::workDir() const {
    return state_.WorkDir;
}
void ViewerBridge::setWorkDir(const QString &dir) {
    state_.WorkDir = dir;
}
QString ViewerBridge::programTitle() const {
    return state_.ProgramTitle;
}
QString ViewerBridge::defaultPrinterName() const {
    return state_.DefaultPrinterName;
}

void ViewerBridge::printerChosen(int index, const QString &) {
    // The main window's list follows, and with it DefaultPrinterName.
    window_.textPane().choosePrinter(index + 1);
}

bool ViewerBridge::showCoordsDefault() const {
    return state_.ShowCoordsDefault != kFalse;
}
void ViewerBridge::setPlotWindowOpen(bool open) {
    state_.PlotWindowOpen = open ? kTrue : kFalse;
}
void ViewerBridge::setLegendWindowOpen(bool open) {
    state_.LegendWindowOpen = open ? kTrue : kFalse;
}

void ViewerBridge::showProgress(const QString &text) {
    if (!progress_) progress_ = std::make_unique<ProgressWindow>();
    progress_->setStatus(text);
    progress_->setPercent(0);
    progress_->show();
}

void ViewerBridge::setProgress(int percent) {
    if (progress_) progress_->setPercent(percent);
}

void ViewerBridge::hideProgress() {
    if (progress_) progress_->hide();
}

}  // namespace quillane::frontend
