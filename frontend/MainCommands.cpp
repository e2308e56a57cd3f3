// SPDX-License-Identifier: MIT
// The main window's menu commands.  Each runs its dialogs, hands the user's
// choice to the session, and shows what came of it.
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>

#include "ActiveSetNames.h"
#include "AppState.h"
#include "DataFilesDialog.h"
#include "DataSetTimesDialog.h"
#include "LogListBox.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SeriesDialog.h"
#include "SessionText.h"
#include "StatusProgress.h"
#include "WaitCursor.h"

namespace quillane::frontend {

// ---- shared steps ----

void MainWindow::tell(const session::Outcome &outcome, const QString &refusalTitle) {
    if (!outcome.done && !outcome.refusal.empty())
        prompts_.warn(this, refusalTitle, QString::fromStdString(outcome.refusal));
    if (!outcome.span_ok) {
        hooks_.showSpanWarning(this);
        offerSpanThatFits(this);
    }
    if (!outcome.errors.empty()) {
        QStringList lines;
        for (const std::string &e : outcome.errors)
            lines << fromSession(e);
        prompts_.warn(this, QStringLiteral("Quillane"), lines.join(QLatin1Char('\n')));
    }
    // Every command that reaches the session ends here: the menus follow.
    updateCommands();
}

void MainWindow::showThePlot(const PlotContent &content, bool front) {
    const bool open = state_.PlotWindowOpen == kTrue;
    if (!open) hooks_.loadPlotWindow();
    hooks_.showPlot(content);
    hooks_.disposePlotFile();
    if (front || !open) hooks_.showPlotWindow();
}

void MainWindow::showResultGraph(const session::GraphRequest &request) {
    session::Outcome outcome;
    {
        WaitCursor wait;
        outcome = session_.result_graph(request);
    }
    tell(outcome, QStringLiteral("Fit Results"));
    if (outcome.plot_written) showThePlot({{}, request});
}

std::vector<int> MainWindow::chooseDataSets(bool forDeviations) {
    NormalCursor choosing;
    return hooks_.newDSToPlot(this, forDeviations);
}

LimitsChoice MainWindow::chooseForLimits() {
    NormalCursor choosing;
    return hooks_.chooseForLimits(this);
}

void MainWindow::offerSpanThatFits(QWidget *parent) {
    const session::SpanCheck check = session_.span_check();
    if (check.fits || check.largest == 0) return;
    const QString question = QStringLiteral(
                                 "Use %1 points in each fit, the most that suits every active set "
                                 "(active set %2, %3, has %4 inside the limits)?")
                                 .arg(check.largest)
                                 .arg(check.active_set)
                                 .arg(fromSession(check.file))
                                 .arg(check.points);
    if (!prompts_.ask(parent, QStringLiteral("Points per Fit"), question)) return;
    tell(session_.fit_span_to_data(), QStringLiteral("Points per Fit"));
    updateCommands();
}

// The data-file window's ticks and the front end's flags follow the
// selection the session has in force.
void MainWindow::restoreDataFileTicks() {
    for (int i = 1; i <= kMaxDataSets; ++i)
        state_.ActiveFlags[i] = kFalse;
    for (int d : session_.active_sets())
        if (d >= 1 && d <= kMaxDataSets) state_.ActiveFlags[d] = kTrue;
    form1().restoreTicks(state_.ActiveFlags);
}

// ---- data ----

void MainWindow::GetDataFiles() {
    DataFilesDialog &form = form1();
    const bool firstPass = !session_.files_read();
    form.prepare(firstPass);
    const bool accepted = prompts_.execDialog(form) == QDialog::Accepted;
    const DataFileChoice choice = form.choice();
    applyDataFileChoice(state_, choice, accepted);
    // A dialog closed without OK changes nothing, and keeps no ticks.
    if (!accepted) {
        if (!firstPass) restoreDataFileTicks();
        return;
    }

    std::vector<int> active;
    for (int k = 1; k <= choice.numActive && k <= kMaxDataSets; ++k)
        active.push_back(choice.activeSetTable[k]);
    takeDataFiles(active, firstPass);
}

void MainWindow::takeDataFiles(const std::vector<int> &active, bool firstPass) {
    session::Outcome outcome;
    std::vector<session::FileOutcome> outcomes;
    if (firstPass) {
        std::vector<std::string> files;
        for (int i = 1; i <= state_.NumFilesRead && i <= kMaxDataSets; ++i)
            files.push_back(toSession(state_.DataFileNames[i]));
        StatusProgress progress(*this, QStringLiteral("Reading scan files"),
                                static_cast<int>(files.size()));
        // Told on the worker thread; the bar moves on this one, before the
        // reading's end is (both are queued here in that order), and a few
        // dozen times a second at most: each step repaints it at once.
        const QPointer<QProgressBar> bar(progress.bar());
        QElapsedTimer lastStep;
        session_.set_read_progress([this, bar, &lastStep](int done, int total) {
            if (done < total && lastStep.isValid() && lastStep.elapsed() < LogListBox::kIntervalMs)
                return;
            lastStep.start();
            QMetaObject::invokeMethod(
                this,
                [bar, done, total] {
                    if (!bar) return;
                    bar->setMaximum(total);
                    bar->setValue(done);
                },
                Qt::QueuedConnection);
        });
        runInBackground(QStringLiteral("reading the scan files"),
                        [&] { outcome = session_.read_and_select(files, active, &outcomes); });
        session_.set_read_progress({});
    } else {
        WaitCursor wait;
        outcome = session_.select(active);
    }
    if (outcome.done) {
        if (firstPass) recordLeftOut(outcomes);
        tell(outcome, QString());
    } else {
        // A refused selection leaves the one in force, on both sides.
        if (!firstPass) restoreDataFileTicks();
        // Nothing was read: nothing was left out either.
        if (firstPass) {
            readNotes_.clear();
            leftOutFiles_.clear();
            pendingRecord_.clear();
        }
        prompts_.warn(this, QStringLiteral("Need More Active Datasets"),
                      fromSession(outcome.refusal));
    }
    updateCommands();
    if (firstPass && outcome.done) offerSeries(true);
}

void MainWindow::ChooseSeries() {
    offerSeries(false);
}

void MainWindow::offerSeries(bool afterReading) {
    const std::vector<session::ScanFacts> scans = session_.data_set_headers();
    const session::SeriesSplit split = session::split_into_series(scans);
    if (afterReading) {
        std::vector<std::string> record;
        if (split.series.size() > 1)
            record.push_back("The scans read make " + session::series_summary(split));
        for (const std::string &note : split.notes)
            record.push_back("Note: " + note);
        tell(session_.add_to_report(record), QString());
        if (split.series.size() <= 1) return;
    }
    SeriesDialog dialog(split, scans, session_.active_sets(), this);
    if (prompts_.execDialog(dialog) != QDialog::Accepted || dialog.chosen() < 1) return;
    session::Outcome outcome;
    {
        WaitCursor wait;
        outcome = session_.select(split.series[static_cast<size_t>(dialog.chosen() - 1)].scans);
    }
    if (!outcome.done) {
        prompts_.warn(this, QStringLiteral("Need More Active Datasets"),
                      QString::fromStdString(outcome.refusal));
        return;
    }
    const session::Outcome recorded =
        session_.add_to_report({session::series_choice_line(split, dialog.chosen())});
    outcome.errors.insert(outcome.errors.end(), recorded.errors.begin(), recorded.errors.end());
    // The data-file window ticks the series' scans; the user can still
    // change them there.
    restoreDataFileTicks();
    tell(outcome, QString());
}

// The chooser comes first: closed without a choice it changes nothing.
// Limits typed beside it replace the ones in force before the limits plot
// is drawn, so the plot (or the one on show) marks them.
void MainWindow::SetLimits() {
    const LimitsChoice choice = chooseForLimits();
    session::Outcome outcome;
    session::Outcome applied;
    {
        WaitCursor wait;
        if (choice.limits) {
            const TypedLimits &typed = *choice.limits;
            applied = typed.fullRange ? session_.reset_limits()
                                      : session_.set_limits(typed.low, typed.high);
            if (!applied.done)
                prompts_.warn(this, QStringLiteral("Invalid Operation"),
                              QString::fromStdString(applied.refusal));
        }
        outcome = session_.limits_plot([&choice] { return choice.sets; });
    }
    if (!outcome.plot_written) outcome.span_ok = applied.span_ok;
    outcome.errors.insert(outcome.errors.begin(), applied.errors.begin(), applied.errors.end());
    if (outcome.plot_written)
        showThePlot({choice.sets, std::nullopt, false, true});
    else if (choice.limits && applied.done && session_.limits_mode() &&
             state_.PlotWindowOpen == kTrue)
        hooks_.redrawPlot();
    tell(outcome, QStringLiteral("Set Data Limits"));
}

void MainWindow::FitIt() {
    const int reference = hooks_.chooseRefSet(this, session_.suggested_reference());
    session::Outcome outcome;
    {
        StatusProgress progress(*this, QStringLiteral("Fitting"), 0);
        runInBackground(QStringLiteral("fitting the data"),
                        [&] { outcome = session_.fit(reference); });
    }
    tell(outcome, QStringLiteral("Fit Data"));
}

void MainWindow::ToggleXI_R() {
    const bool toXi = !session_.xi_mode();
    const session::Outcome outcome = session_.set_position_variable(toXi);
    item(QStringLiteral("ToggleXI_R"))
        ->setText(toXi ? QStringLiteral("&Toggle XI to R") : QStringLiteral("&Toggle R to XI"));
    tell(outcome, QString());
}

void MainWindow::GetNewTimes() {
    const std::vector<QString> names = activeSetFiles(session_);
    DataSetTimesDialog dialog(names, session_.times(), prompts_, this);
    if (prompts_.execDialog(dialog) != QDialog::Accepted) return;
    tell(session_.set_times(dialog.times(), "Enter New DS Times"), QString());
}

// Replacing every time is asked first, and Edit > Undo takes it back.
void MainWindow::DSTimeToDSIndex() {
    const std::vector<double> times = session_.times();
    const int sets = session_.active_count();
    QString question = QStringLiteral(
                           "The times of the %1 active data sets (now %2 s to %3 s) become "
                           "their numbers, 1 to %1.")
                           .arg(sets)
                           .arg(times.empty() ? 0.0 : times.front(), 0, 'g', 7)
                           .arg(sets >= 1 ? times[static_cast<size_t>(sets - 1)] : 0.0, 0, 'g', 7);
    if (session_.fit_current())
        question += QStringLiteral("  The last fit's graphs then wait for a new fit.");
    question += QStringLiteral(
        "  Edit > Undo puts the times back.\n\nSet the times to the data "
        "set numbers?");
    if (!prompts_.confirm(this, QStringLiteral("Set DS Time to DS Number"), question)) return;
    tell(session_.set_times_to_set_numbers(), QString());
}

void MainWindow::EditUndo() {
    if (!session_.can_undo_times()) return;
    tell(session_.undo_times(), QStringLiteral("Undo"));
}

void MainWindow::RenumberFr() {
    session::Outcome outcome;
    {
        WaitCursor wait;
        outcome = session_.renumber_fringes();
    }
    tell(outcome, QString());
}

void MainWindow::SetupDiffer() {
    const std::optional<DifferChoice> choice = hooks_.differParms(this);
    if (!choice) return;
    const session::Outcome outcome = session_.set_differ_parms(choice->span, choice->terms);
    tell(outcome, QStringLiteral("Set Differentiation Parameters"));
}

// ---- data plots ----

void MainWindow::dataPlot(int kind) {
    std::vector<int> sets;
    const session::Outcome outcome = session_.data_plot(kind, [this, &sets] {
        sets = chooseDataSets(false);
        return sets;
    });
    tell(outcome, QStringLiteral("Plot Data"));
    // The values are the scans themselves; slopes show no stretches.
    if (outcome.plot_written) showThePlot({sets, std::nullopt, false, kind == 1});
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

void MainWindow::rmsPlot(session::GraphKind kind, const QString &caption) {
    std::optional<session::GraphRequest> request = hooks_.rmsVsTime(this, caption);
    if (!request) return;
    request->kind = kind;
    showResultGraph(*request);
}

void MainWindow::PlotRMS() {
    rmsPlot(session::GraphKind::rms, QStringLiteral("Plot RMS vs Time"));
}
void MainWindow::PlotVar() {
    rmsPlot(session::GraphKind::variance, QStringLiteral("Plot Variance vs Time"));
}

// A chooser closed without a choice makes no graph at all.
void MainWindow::PlotDevs() {
    std::optional<session::GraphRequest> request = hooks_.devVsPos(this);
    if (!request) return;
    request->kind = session::GraphKind::deviations_vs_position;
    request->sets = chooseDataSets(true);
    if (request->sets.empty()) return;
    showResultGraph(*request);
}

void MainWindow::PlotDevvsT() {
    std::optional<session::GraphRequest> request = hooks_.devsVsTime(this);
    if (!request) return;
    request->kind = session::GraphKind::deviations_vs_time;
    showResultGraph(*request);
}

// The offsets graph takes its own reference set; the fit keeps its own.
void MainWindow::PlotPOffset() {
    session::GraphRequest request;
    request.kind = session::GraphKind::offsets;
    request.reference = hooks_.chooseRefSet(this, session_.fit_reference());
    showResultGraph(request);
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
    tell(session_.set_plot_save(state_.DiscardPlotFiles == kTrue), QString());
}

// ---- the equilibrium (saving results: MainResultsCommands.cpp) ----

// The assessment goes into the report and the output list (noise, verdict,
// forecast); the graph shows how the scans close in on the latest one.
void MainWindow::PlotEquilibrium() {
    session::Outcome outcome;
    {
        WaitCursor wait;
        outcome = session_.assess(true, nullptr);
    }
    tell(outcome, QStringLiteral("Equilibrium"));
    if (!outcome.done) return;
    const session::Outcome plot = session_.equilibrium_plot();
    tell(plot, QStringLiteral("Equilibrium"));
    if (plot.plot_written) {
        PlotContent content;
        content.equilibrium = true;
        showThePlot(content);
    }
}

}  // namespace quillane::frontend
