// SPDX-License-Identifier: MIT
// Connects the plot viewer to the rest of the program: it answers the
// viewer's questions from the shared state and the session, and fills in
// the main window's plot hooks (the data-set chooser and showing, disposing
// and closing the plot window).
#pragma once

#include <memory>

#include <vector>

#include "Hooks.h"
#include "plot_answer.h"
#include "session.h"
#include "viewer_host.h"

class QWidget;

namespace quillane::viewer {
class Plotit;
}
namespace quillane::session {
class Session;
}

namespace quillane::frontend {

struct AppState;
class MainWindow;
class ProgressWindow;
class Prompts;

class ViewerBridge : public viewer::ViewerHost {
  public:
    ViewerBridge(AppState &state, session::Session &session, Prompts &prompts, MainWindow &window);
    ~ViewerBridge() override;

    // Fills in newDSToPlot and the viewer hooks of the main window.
    void install();

    // The plot window once a plot has been shown, else null.
    viewer::Plotit *plotWindow() const { return plotit_.get(); }

    // ---- ViewerHost ----
    double xLow() const override;
    double xHigh() const override;
    bool limitsMode() const override;
    viewer::LimitChange applyLimits(double low, double high) override;
    void tickRound(float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) override;
    void showSpanWarning() override;
    std::vector<viewer::StretchBand> stretchBands() const override;
    QString plotFileName() const override;
    QString tempPlotFileName() const override;
    QString workDir() const override;
    void setWorkDir(const QString &dir) override;
    QString programTitle() const override;
    QString defaultPrinterName() const override;
    void printerChosen(int index, const QString &name) override;
    bool showCoordsDefault() const override;
    std::optional<bool> timeInHoursChoice() const override;
    void timeInHoursChosen(bool hours) override;
    QString reportFileName() const override;
    QRect mainWindowFrame() const override;
    void setPlotWindowOpen(bool open) override;
    void setLegendWindowOpen(bool open) override;
    void showProgress(const QString &text) override;
    void setProgress(int percent) override;
    void hideProgress() override;

  private:
    void loadPlotWindow();
    // The verdict and line labels of the equilibrium plot; empty for others.
    viewer::PlotAnswer answerFor(const PlotContent &content);
    std::vector<int> chooseDataSets(QWidget *parent, bool forDeviations);
    LimitsChoice chooseForLimits(QWidget *parent);

    AppState &state_;
    session::Session &session_;
    Prompts &prompts_;
    MainWindow &window_;
    std::unique_ptr<viewer::Plotit> plotit_;
    std::unique_ptr<ProgressWindow> progress_;
    // What the plot window was last told, for repaints while the session is
    // busy on a worker thread.
    mutable session::Limits shownLimits_;
    mutable bool shownLimitsMode_ = false;
    mutable QString shownReport_;
    // The finder's stretches in the scans of the plot on show (none for
    // other plots), and the position variable that plot was drawn in.
    std::vector<session::ColumnStretch> stretches_;
    std::vector<session::StretchChoice> choices_;  // what taking each gives
    bool stretchesXi_ = true;
};

}  // namespace quillane::frontend
