// SPDX-License-Identifier: MIT
#include "ViewerBridge.h"

#include <QCoreApplication>

#include "ActiveSetNames.h"
#include "AppState.h"
#include "DataSetChooserDialog.h"
#include "EquilibriumAnswer.h"
#include "Hooks.h"
#include "MainWindow.h"
#include "ProgressWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "Settings.h"
#include "TextPane.h"
#include "plot_window.h"
#include "session.h"

namespace quillane::frontend {

ViewerBridge::ViewerBridge(AppState &state, session::Session &session, Prompts &prompts,
                           MainWindow &window)
    : state_(state), session_(session), prompts_(prompts), window_(window) {}

ViewerBridge::~ViewerBridge() = default;

void ViewerBridge::install() {
    Hooks &hooks = window_.hooks();
    hooks.newDSToPlot = [this](QWidget *parent, bool forDeviations) {
        return chooseDataSets(parent, forDeviations);
    };
    hooks.chooseForLimits = [this](QWidget *parent) { return chooseForLimits(parent); };
    hooks.loadPlotWindow = [this] { loadPlotWindow(); };
    hooks.showPlot = [this](const PlotContent &content) {
        if (!plotit_) loadPlotWindow();
        // Asked once per plot: the finder reads every scan shown.
        stretches_ =
            content.scans ? session_.column_stretches() : std::vector<session::ColumnStretch>{};
        stretchesXi_ = session_.xi_mode();
        choices_ = session::stretch_choices(
            stretches_,
            stretches_.empty() ? std::vector<session::Column>{}
                               : session_.solution_columns(session::kDefaultColumnMargin),
            session::kDefaultColumnMargin, stretchesXi_);
        plotit_->setSeriesNames(viewer::seriesNamesFor(content, session_, fromSession));
        plotit_->setAnswer(answerFor(content));
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
    hooks.redrawPlot = [this] {
        if (plotit_) plotit_->redrawPlot();
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

viewer::PlotAnswer ViewerBridge::answerFor(const PlotContent &content) {
    if (!content.equilibrium) return {};
    session::Assessment assessment;
    if (!session_.assess(false, &assessment).done) return {};
    return equilibriumAnswer(assessment, [this] { window_.PlotOffsetsAgainstLatest(); });
}

void ViewerBridge::loadPlotWindow() {
    if (plotit_) return;
    plotit_ = std::make_unique<viewer::Plotit>(*this);
    // Where the user left it last time, else beside the main window.
    settings::keepGeometry(*plotit_, QStringLiteral("plot"));
    plotit_->setPrinterNames(state_.PrinterNames);
    plotit_->setMessageHook([this](const QString &text, const QString &title) {
        prompts_.warn(plotit_.get(), title, text);
    });
}

std::vector<int> ViewerBridge::chooseDataSets(QWidget *parent, bool forDeviations) {
    const std::vector<QString> names = activeSetFiles(session_);
    DataSetChooserDialog dialog(names, forDeviations, session_.fit_reference(), parent);
    prompts_.execDialog(dialog);
    return dialog.chosenSets();
}

LimitsChoice ViewerBridge::chooseForLimits(QWidget *parent) {
    const std::vector<QString> names = activeSetFiles(session_);
    DataSetChooserDialog dialog(names, false, session_.fit_reference(), parent);
    const session::Limits now = session_.limits();
    const session::Limits full = session_.full_range();
    dialog.addLimitsPanel(prompts_, session_.xi_mode(), now.low, now.high, full.low, full.high);
    dialog.addColumnsPanel(
        [this](double margin) {
            session::Outcome outcome;
            std::vector<session::Column> columns = session_.solution_columns(margin, &outcome);
            for (const std::string &e : outcome.errors)
                prompts_.warn(nullptr, QStringLiteral("Quillane"), fromSession(e));
            return columns;
        },
        session_.xi_mode());
    // OK on the limits as they stand confirms them: fitting may start.
    const bool accepted = prompts_.execDialog(dialog) == QDialog::Accepted;
    std::optional<TypedLimits> typed = dialog.typedLimits();
    if (accepted && !typed) typed = TypedLimits{false, now.low, now.high};
    return {dialog.chosenSets(), typed};
}

// While a long call holds the session (MainWindow::busy) the plot is
// repainted with the limits last asked for; they cannot change meanwhile.
double ViewerBridge::xLow() const {
    if (!window_.busy()) shownLimits_ = session_.limits();
    return shownLimits_.low;
}
double ViewerBridge::xHigh() const {
    if (!window_.busy()) shownLimits_ = session_.limits();
    return shownLimits_.high;
}
bool ViewerBridge::limitsMode() const {
    if (!window_.busy()) shownLimitsMode_ = session_.limits_mode();
    return shownLimitsMode_;
}

// Limits marked on the plot rebuild the active store: the last fit's
// deviations would be drawn against the new positions, so its plots wait
// for a new fit.
viewer::LimitChange ViewerBridge::applyLimits(double low, double high) {
    const session::Outcome outcome = session_.set_limits(low, high);
    viewer::LimitChange change;
    change.applied = outcome.done;
    change.spanOk = outcome.span_ok;
    change.refusal = QString::fromStdString(outcome.refusal);
    if (outcome.done) window_.disableFitResults();
    for (const std::string &e : outcome.errors)
        prompts_.warn(plotit_.get(), QStringLiteral("Quillane"), fromSession(e));
    return change;
}

std::vector<viewer::StretchBand> ViewerBridge::stretchBands() const {
    // Limits are set in the position variable in use: a plot drawn in the
    // other one has no stretches to take until it is drawn again.
    if (stretches_.empty() || stretchesXi_ != session_.xi_mode()) return {};
    const bool xi = stretchesXi_;
    const int inForce = session::stretch_in_force(choices_, {xLow(), xHigh()});
    std::vector<viewer::StretchBand> bands;
    for (size_t i = 0; i < stretches_.size() && i < choices_.size(); ++i) {
        const session::ColumnStretch &s = stretches_[i];
        const session::StretchChoice &c = choices_[i];
        viewer::StretchBand band;
        band.from = session::convert_position(s.from_cm, false, xi);
        band.to = session::convert_position(s.to_cm, false, xi);
        band.low = c.limits.low;
        band.high = c.limits.high;
        band.number = c.column;
        band.taken = s.column;
        band.inForce = static_cast<int>(i) == inForce;
        band.limits = fromSession(session::column_limits_text(c.limits, xi));
        band.tip = s.column ? QStringLiteral("Column %1: %2").arg(band.number).arg(band.limits)
                            : fromSession(s.reason);
        bands.push_back(band);
    }
    return bands;
}

void ViewerBridge::tickRound(float lo, float hi, float &out_lo, float &out_hi,
                             int32_t &n_intervals) {
    int n = 0;
    session_.tick_round(lo, hi, out_lo, out_hi, n);
    n_intervals = n;
}

void ViewerBridge::showSpanWarning() {
    window_.hooks().showSpanWarning(plotit_.get());
    window_.offerSpanThatFits(plotit_.get());
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

std::optional<bool> ViewerBridge::timeInHoursChoice() const {
    return settings::timeInHours();
}
void ViewerBridge::timeInHoursChosen(bool hours) {
    settings::rememberTimeInHours(hours);
}
QString ViewerBridge::reportFileName() const {
    if (!window_.busy()) shownReport_ = fromSession(session_.report_path());
    return shownReport_;
}

bool ViewerBridge::showCoordsDefault() const {
    return state_.ShowCoordsDefault != kFalse;
}
QRect ViewerBridge::mainWindowFrame() const {
    return window_.frameGeometry();
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
