// SPDX-License-Identifier: MIT
// The main window: its menus, the enabling of commands through a first and
// a later pass, and what each command asks of the library.
#include <cmath>
#include <stdexcept>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QtTest>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "DataSetTimesDialog.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "SessionText.h"
#include "Settings.h"
#include "Twips.h"
#include "session.h"
#include "test_support.h"

using namespace quillane;
using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

// Before any data is read the user can read files, look at the report and
// leave; every command that needs data waits for it.
const char *const kOfferedAtStart[] = {"ViewReport", "AllDone", "GetDataFiles"};
const char *const kWaitingForData[] = {
    "SaveListAs",  "EditUndo",        "SelectAllLines", "SetLimits",   "FitIt",
    "GetNewTimes", "DSTimeToDSIndex", "RenumberFr",     "SetupDiffer", "PlotDummy1",
    "PlotDummy2",  "PrintDummy1",     "CopySelect"};

}  // namespace

class MainWindowTest : public StandInWindowTest {
    Q_OBJECT

  private:
    QStringList files_;

    bool enabled(const char *name) const {
        return window_->item(QString::fromLatin1(name))->isEnabled();
    }

    // Answers the data-file window: on a first pass names every file, then
    // clears the check boxes of `excluded` rows (0-based) and presses OK.
    void answerDataFiles(const QList<int> &excluded) {
        prompts_->onDialog = [this, excluded](QDialog &dialog) {
            auto *form = qobject_cast<DataFilesDialog *>(&dialog);
            QVERIFY(form);
            if (form->loadMode()) {
                for (int i = 0; i < files_.size(); ++i) {
                    prompts_->openNames.push_back(files_[i]);
                    form->pickFile(i);
                }
            }
            for (int row = 0; row < files_.size(); ++row)
                form->includeBox(row)->setChecked(!excluded.contains(row));
            form->accept();
        };
    }

    // A finished first pass with the given number of files, all active.
    void firstPass(int files) {
        makeFiles(files);
        answerDataFiles({});
        window_->GetDataFiles();
        record_.clear();
    }

    // A first pass and a fit against `reference`.
    void fitted(int files, int reference) {
        firstPass(files);
        window_->hooks().chooseRefSet = [reference](QWidget *, int) { return reference; };
        window_->FitIt();
        record_.clear();
    }

    void makeFiles(int count) {
        files_.clear();
        for (int i = 1; i <= count; ++i)
            files_ << writeFile(
                dir_->filePath(QStringLiteral("S%1.RA1").arg(i, 5, 10, QLatin1Char('0'))),
                scanFileContent(i));
    }

    static std::function<std::vector<int>(QWidget *, bool)> choose(std::vector<int> sets) {
        return [sets](QWidget *, bool) { return sets; };
    }

    // The viewer's hooks, each noting that it ran.
    void recordViewer(QStringList &viewer) {
        Hooks &hooks = window_->hooks();
        hooks.loadPlotWindow = [this, &viewer] {
            viewer << "load";
            state_->PlotWindowOpen = kTrue;
        };
        hooks.showPlot = [&viewer](const PlotContent &) { viewer << "show plot"; };
        hooks.disposePlotFile = [this, &viewer] {
            viewer << "dispose";
            QFile::remove(dir_->filePath(QStringLiteral("plot.dat")));
        };
        hooks.showPlotWindow = [&viewer] { viewer << "show window"; };
    }

  private slots:
    void initTestCase() { loadLibrary(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void atStartOnlyTheCommandsThatNeedNoDataAreOffered() {
        for (const char *name : kOfferedAtStart)
            QVERIFY2(enabled(name), name);
        for (const char *name : kWaitingForData)
            QVERIFY2(!enabled(name), name);
        // The position variable cannot be toggled before there is one.
        QVERIFY(!window_->item(QStringLiteral("ToggleXI_R"))->isVisible());
        QCOMPARE(window_->outFileBox()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QVERIFY(window_->visibleLines() >= 1);
        QVERIFY(sameLines(record_.names(), {}));
    }

    void loadHandsTheListToTheLibraryFirst() {
        record_.clear();
        AppState state;
        MainWindow window(state, *session_, *prompts_);
        fillHooks(window.hooks());
        window.load();
        QVERIFY(sameLines(record_.names(), {"init_lbsink_ctx", "init_lbhandle"}));
        prompts_->answers.push_back(true);
    }

    void outputListKeepsItsMarginsAndTheWindowItsMinimumSize() {
        window_->show();
        window_->resize(twipsToPixelsX(9000), twipsToPixelsY(6000));
        const QRect list = window_->outFileBox()->geometry();
        QCOMPARE(list.left(), twipsToPixelsX(200));
        QCOMPARE(list.top(), twipsToPixelsY(200));
        QCOMPARE(list.width(), window_->width() - twipsToPixelsX(500));
        QCOMPARE(list.height(), window_->height() - twipsToPixelsY(1000));
        window_->resize(50, 50);
        QVERIFY(window_->width() >= twipsToPixelsX(3500));
        QVERIFY(window_->height() >= twipsToPixelsY(3500));
    }

    void firstPassReadsEveryFileAndEnablesTheDataCommands() {
        makeFiles(4);
        answerDataFiles({1});  // data set 2 left out
        window_->GetDataFiles();
        QVERIFY(prompts_->warnings.isEmpty());
        QStringList expected;
        for (int i = 1; i <= 4; ++i)
            expected << QStringLiteral("getdatar %1 %2 %3")
                            .arg(i)
                            .arg(QFile::encodeName(files_[i - 1]).size())
                            .arg(files_[i - 1]);
        expected << "setredir 3 1 3 4"
                 << "find_smallest_range"
                 << "TRANSFER_DATA"
                 << "getxirange";
        QVERIFY(sameLines(record_.lines(), expected));
        // (ToggleXI_R is enabled too, but a hidden action always reports itself disabled.)
        for (const char *name : {"PlotDummy1", "SetLimits", "GetNewTimes", "DSTimeToDSIndex",
                                 "RenumberFr", "SetupDiffer", "GetDataFiles", "SavePlots"})
            QVERIFY2(enabled(name), name);
        for (const char *name : {"FitIt", "PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
        QCOMPARE(window_->item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("Select &Active Data Files"));
        QVERIFY(session_->files_read());
        QCOMPARE(session_->active_count(), 3);
        QCOMPARE(session_->suggested_reference(), 3);
        // The full range is where the stand-in's points lie.
        QCOMPARE(session_->full_range().low, 18.0);
        QCOMPARE(session_->full_range().high, 24.0);
        const QString line = QStringLiteral(" Orig.DS# 3 :: %1 is active DS#2.").arg(files_[2]);
        QListWidget *list = window_->outFileBox();
        QVERIFY(!list->findItems(line, Qt::MatchExactly).isEmpty());
        QVERIFY(readFile(state_->OutFileName).contains((line + "\r\n").toLocal8Bit()));
    }

    void firstPassWithTwoActiveSetsReadsNothingAndWarns() {
        makeFiles(3);
        answerDataFiles({0});
        window_->GetDataFiles();
        QVERIFY(!record_.names().contains(QStringLiteral("getdatar")));
        QCOMPARE(prompts_->warnings.size(), 1);
        QCOMPARE(prompts_->warnings[0].title, QStringLiteral("Need More Active Datasets"));
        QCOMPARE(prompts_->warnings[0].text,
                 QStringLiteral("At Least 3 Datasets MUST Be Active!  Fitting is Disabled!"));
        QVERIFY(!session_->files_read());
        QCOMPARE(window_->item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("&Read Data Files"));
        for (const char *name : {"FitIt", "SetLimits", "PlotDummy1", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
    }

    void laterPassReselectsWithoutReadingAndKeepsTheUserLimits() {
        firstPass(5);
        session_->set_limits(19.0, 23.0);  // as the viewer leaves them after a marked range
        record_.clear();
        answerDataFiles({1, 3});
        window_->GetDataFiles();
        // The full range (where the stand-in's points lie), then the limits.
        QVERIFY(sameLines(
            record_.lines(),
            {"setxirange 18 24", "setredir 3 1 3 5", "find_smallest_range", "TRANSFER_DATA",
             "setxirange 19 23", "set_lim_indices_vb", "TRANSFER_DATA"}));
        QVERIFY(enabled("FitIt"));
        QVERIFY(!enabled("PlotDummy2"));
        QCOMPARE(session_->active_sets(), (std::vector<int>{1, 3, 5}));
    }

    // A refused reselection leaves the selection in force on both sides, and
    // the window's ticks show it.
    void aRefusedReselectionKeepsThePreviousSetsEverywhere() {
        firstPass(5);
        answerDataFiles({1, 3});
        window_->GetDataFiles();
        record_.clear();
        answerDataFiles({0, 1, 2});
        window_->GetDataFiles();
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(!enabled("FitIt"));
        QCOMPARE(window_->item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("Select &Active Data Files"));
        QVERIFY(record_.lines().isEmpty());
        QCOMPARE(session_->active_sets(), (std::vector<int>{1, 3, 5}));
        QCOMPARE(session_->active_file_name(2), toSession(files_[2]));
        for (int row = 0; row < 5; ++row)
            QCOMPARE(window_->form1().includeBox(row)->isChecked(), row % 2 == 0);
    }

    void closingTheDataFileWindowWithoutOkChangesNothing() {
        firstPass(4);
        prompts_->onDialog = [](QDialog &dialog) {
            qobject_cast<DataFilesDialog *>(&dialog)->includeBox(0)->setChecked(false);
        };
        window_->GetDataFiles();
        QVERIFY(record_.lines().isEmpty());
        QCOMPARE(session_->active_count(), 4);
        QVERIFY(window_->outFileBox()
                    ->findItems(QStringLiteral("Orig.DS#"), Qt::MatchContains)
                    .size() == 4);
        QVERIFY2(window_->form1().includeBox(0)->isChecked(), "the unconfirmed tick is undone");
    }

    void setLimitsWithAPlotEnablesFittingAndShowsThePlot() {
        firstPass(3);
        QStringList viewer;
        recordViewer(viewer);
        window_->hooks().newDSToPlot = [&viewer](QWidget *, bool) {
            viewer << "chooser";
            return std::vector<int>{1};
        };
        session_->set_limits(17.0, 25.0);
        record_.clear();
        window_->SetLimits();
        QVERIFY(sameLines(viewer, {"chooser", "load", "show plot", "dispose", "show window"}));
        QVERIFY(
            sameLines(record_.lines(),
                      {"setxirange 18 24", "setredir 3 1 2 3", "set_lim_indices_vb",
                       "TRANSFER_DATA", "put_plotlist 1 1", "GENERIC_PLOT 1 -1", "setredir 3 1 2 3",
                       "setxirange 17 25", "set_lim_indices_vb", "TRANSFER_DATA"}));
        QVERIFY(session_->limits_chosen());
        QVERIFY(session_->limits_mode());
        QVERIFY(enabled("FitIt"));

        // A data plot closed without a choice leaves the limits plot in charge.
        window_->hooks().newDSToPlot = choose({});
        window_->PlotRaw();
        QVERIFY(session_->limits_mode());

        // The viewer stays open: the next plot does not load it again.
        viewer.clear();
        window_->hooks().newDSToPlot = choose({2});
        window_->PlotRaw();
        QVERIFY(sameLines(viewer, {"show plot", "dispose", "show window"}));
        QVERIFY(!session_->limits_mode());
    }

    void setLimitsWithoutAChoiceShowsNoPlotAndStartsNoLimitsMode() {
        firstPass(3);
        bool shown = false;
        window_->hooks().newDSToPlot = choose({});
        window_->hooks().showPlot = [&shown](const PlotContent &) { shown = true; };
        window_->SetLimits();
        QVERIFY(!shown);
        QVERIFY(!session_->limits_mode());
        QVERIFY(!enabled("FitIt"));
        QVERIFY(prompts_->warnings.isEmpty());
    }

    void setLimitsRebuildsTheStoreSoTheFitsPlotsWaitForANewFit() {
        fitted(3, 3);
        window_->hooks().newDSToPlot = choose({});
        QVERIFY(enabled("PlotDummy2"));
        window_->SetLimits();  // closed without a choice: nothing changes
        QVERIFY(record_.lines().isEmpty());
        QVERIFY(enabled("PlotDummy2"));
        window_->hooks().newDSToPlot = choose({1});
        window_->SetLimits();
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
        QVERIFY(!session_->fit_current());
    }

    void aWindowMissingAHookRefusesToLoadAndNamesIt() {
        AppState state;
        MainWindow window(state, *session_, *prompts_);
        fillHooks(window.hooks());
        window.hooks().showPlot = nullptr;
        window.hooks().differParms = nullptr;
        try {
            window.load();
            QFAIL("load() went on without its hooks");
        } catch (const std::logic_error &e) {
            QCOMPARE(
                QString::fromUtf8(e.what()),
                QStringLiteral("the main window's hooks are not all set: differParms, showPlot"));
        }
        prompts_->answers.push_back(true);
    }

    void aSpanTooShortForTheLimitsIsWarnedAbout() {
        firstPass(3);
        int warnings = 0;
        window_->hooks().showSpanWarning = [&warnings](QWidget *) { ++warnings; };
        QLibrary recorder(QString::fromLocal8Bit(qgetenv("QUILLANE_LIBRARY")));
        auto setSpanOk =
            reinterpret_cast<void (*)(int32_t)>(recorder.resolve("recorder_set_span_ok"));
        QVERIFY(setSpanOk);
        setSpanOk(0);
        window_->RenumberFr();  // no check here
        QCOMPARE(warnings, 0);
        window_->ToggleXI_R();
        setSpanOk(1);
        QCOMPARE(warnings, 1);
    }

    void fittingEnablesResultsAndRenumberingDisablesThemAgain() {
        firstPass(4);
        window_->hooks().chooseRefSet = [](QWidget *, int current) {
            return current == 4 ? 2 : current;
        };
        window_->FitIt();
        QVERIFY(sameLines(record_.lines(), {"fit_allB 2"}));
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(enabled(name), name);
        session_->set_limits(17.0, 25.0);
        record_.clear();
        window_->RenumberFr();
        QVERIFY(sameLines(record_.lines(), {"renumber_fringes", "setxirange 17 25",
                                            "set_lim_indices_vb", "TRANSFER_DATA"}));
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);

        window_->FitIt();
        QCOMPARE(record_.lines().last(), QStringLiteral("fit_allB 2"));  // the fit's reference
        window_->hooks().differParms = [](QWidget *) { return std::optional<DifferChoice>(); };
        window_->SetupDiffer();
        QVERIFY(enabled("PlotDummy2"));  // parameters unchanged: the fit still holds
        window_->hooks().differParms = [](QWidget *) {
            return std::optional<DifferChoice>(DifferChoice{40, 2});
        };
        window_->SetupDiffer();
        QCOMPARE(record_.lines().last(), QStringLiteral("set_differ_parms 40 2"));
        QVERIFY(!enabled("PlotDummy2"));
    }

    void toggleConvertsTheLimitsBetweenXiAndRadius() {
        firstPass(3);
        window_->hooks().showSpanWarning = [](QWidget *) {};
        session_->set_limits(18.0, 24.5);
        record_.clear();
        window_->ToggleXI_R();
        QVERIFY(!session_->xi_mode());
        QCOMPARE(window_->item(QStringLiteral("ToggleXI_R"))->text(),
                 QStringLiteral("&Toggle R to XI"));
        QCOMPARE(session_->limits().low, 6.0);
        QCOMPARE(session_->limits().high, 7.0);
        QCOMPARE(session_->full_range().low, std::sqrt(36.0));
        QCOMPARE(record_.lines().first(), QStringLiteral("set_x_var 0"));
        window_->ToggleXI_R();
        QVERIFY(session_->xi_mode());
        QCOMPARE(window_->item(QStringLiteral("ToggleXI_R"))->text(),
                 QStringLiteral("&Toggle XI to R"));
        QVERIFY(std::fabs(session_->limits().high - 24.5) < 1e-12);  // round trip
        QVERIFY(record_.lines().contains(QStringLiteral("set_x_var -1")));
    }

    void timesCommandsHandTheTimesToTheLibrary() {
        firstPass(3);
        prompts_->onDialog = [](QDialog &dialog) {
            auto *times = qobject_cast<DataSetTimesDialog *>(&dialog);
            QVERIFY(times);
            times->timeBox(2)->setText(QStringLiteral("7.5"));
            times->accept();
        };
        window_->GetNewTimes();
        QVERIFY(sameLines(record_.lines(), {"get_times", "get_times", "set_times 1 7.5 3"}));
        record_.clear();
        window_->DSTimeToDSIndex();  // asked first (and shown the times), then done
        QCOMPARE(prompts_->confirmations.size(), 1);
        QVERIFY(sameLines(record_.lines(), {"get_times", "get_times", "set_times 1 2 3"}));
        record_.clear();
        prompts_->onDialog = nullptr;  // closed without OK
        window_->GetNewTimes();
        QVERIFY(sameLines(record_.lines(), {"get_times"}));
    }

    void resultGraphsAreMadeOnlyAfterTheirDialogAccepts() {
        fitted(3, 3);
        int shown = 0;
        QString caption;
        window_->hooks().showPlot = [&shown](const PlotContent &) { ++shown; };
        window_->hooks().rmsVsTime = [&caption](QWidget *, const QString &c) {
            caption = c;
            return std::optional<session::GraphRequest>();
        };
        window_->PlotVar();
        QCOMPARE(caption, QStringLiteral("Plot Variance vs Time"));
        QVERIFY(record_.lines().isEmpty());
        window_->hooks().rmsVsTime = [&caption](QWidget *, const QString &c) {
            caption = c;
            session::GraphRequest request;
            request.reference = 2;
            return std::optional<session::GraphRequest>(request);
        };
        window_->PlotRMS();
        QCOMPARE(caption, QStringLiteral("Plot RMS vs Time"));
        QVERIFY(sameLines(record_.lines(), {"setrchoice 0 0 -1 0", "plot_result_graphs 1 2"}));
        QCOMPARE(shown, 1);
    }

    // The deviations are the fit's: the graph takes the fit's reference set,
    // whatever reference an RMS graph chose before it.
    void deviationsGraphNeedsBothItsDialogAndAChoiceOfSets() {
        fitted(4, 4);
        int shown = 0;
        bool forDeviations = false;
        window_->hooks().showPlot = [&shown](const PlotContent &) { ++shown; };
        window_->hooks().devVsPos = [](QWidget *) {
            return std::optional<session::GraphRequest>(session::GraphRequest{});
        };
        window_->hooks().newDSToPlot = [&forDeviations](QWidget *, bool deviations) {
            forDeviations = deviations;
            return std::vector<int>{};
        };
        window_->PlotDevs();
        QVERIFY(forDeviations);
        QCOMPARE(shown, 0);
        QVERIFY(record_.lines().isEmpty());
        window_->hooks().rmsVsTime = [](QWidget *, const QString &) {
            session::GraphRequest request;
            request.reference = 1;
            return std::optional<session::GraphRequest>(request);
        };
        window_->PlotRMS();
        window_->hooks().newDSToPlot = choose({1, 2});
        window_->PlotDevs();
        QCOMPARE(record_.lines().last(), QStringLiteral("plot_result_graphs 3 4"));
        QVERIFY(record_.lines().contains(QStringLiteral("put_plotlist 2 1 2")));
        QCOMPARE(shown, 2);
    }

    void theOffsetsGraphTakesItsOwnReferenceSet() {
        fitted(4, 3);
        int offered = 0;
        window_->hooks().chooseRefSet = [&offered](QWidget *, int current) {
            offered = current;
            return 1;
        };
        window_->hooks().showPlot = [](const PlotContent &) {};
        window_->PlotPOffset();
        QCOMPARE(offered, 3);
        QVERIFY(sameLines(record_.lines(), {"plot_result_graphs 5 1"}));
        QCOMPARE(session_->fit_reference(), 3);
    }

    void aResultGraphOfAStaleFitIsRefusedWithTheReason() {
        fitted(3, 3);
        window_->hooks().showSpanWarning = [](QWidget *) {};
        session_->set_limits(17.0, 25.0);
        record_.clear();
        window_->hooks().rmsVsTime = [](QWidget *, const QString &) {
            return std::optional<session::GraphRequest>(session::GraphRequest{});
        };
        window_->PlotRMS();
        QVERIFY(record_.lines().isEmpty());
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(prompts_->warnings[0].text.contains(QStringLiteral("Fit the data again")));
    }

    // After a fit the assessment goes into the report and the list, its
    // graph is shown, and the pairs can be saved for other tools.
    void equilibriumAndResultsFollowTheFit() {
        QVERIFY(!enabled("PlotEquilibrium"));
        QVERIFY(!enabled("SaveResultsCsv"));
        fitted(3, 3);
        QVERIFY(enabled("PlotEquilibrium"));
        int shown = 0;
        window_->hooks().showPlot = [&shown](const PlotContent &content) {
            QVERIFY(content.equilibrium);
            ++shown;
        };
        window_->PlotEquilibrium();
        QVERIFY(sameLines(record_.lines(), {"quillane_assess 1", "quillane_plot_equilibrium"}));
        QCOMPARE(shown, 1);
        const QString csv = dir_->filePath(QStringLiteral("pairs.csv"));
        prompts_->saveNames.push_back(csv);
        window_->SaveResultsCsv();
        QVERIFY(readFile(csv).startsWith("reference_set,reference_file,compared_set,"));
        window_->hooks().showPlot = [](const PlotContent &) {};
        window_->hooks().newDSToPlot = choose({1});
        window_->SetLimits();
        QVERIFY(!enabled("PlotEquilibrium"));
    }

    void savePlotsTogglesBetweenKeepingAndDiscarding() {
        QAction *save = window_->item(QStringLiteral("SavePlots"));
        save->trigger();
        QCOMPARE(save->text(), QStringLiteral("Discard Plot Files"));
        QCOMPARE(state_->DiscardPlotFiles, kFalse);
        save->trigger();
        QCOMPARE(save->text(), QStringLiteral("Save Plot Files"));
        QCOMPARE(state_->DiscardPlotFiles, kTrue);
        QVERIFY(sameLines(record_.lines(), {"set_plotsave 0", "set_plotsave -1"}));
    }

    void exitAsksFirstAndNoKeepsEverythingOpen() {
        window_->show();
        QSignalSpy exits(window_.get(), &MainWindow::exitConfirmed);
        QStringList closed;
        window_->hooks().closePlotWindow = [&closed] { closed << "plot"; };
        window_->hooks().closeLegendWindow = [&closed] { closed << "legend"; };
        state_->PlotWindowOpen = kTrue;
        prompts_->answers.push_back(false);
        window_->item(QStringLiteral("AllDone"))->trigger();
        QCOMPARE(prompts_->questions.size(), 1);
        QCOMPARE(prompts_->questions[0].text, QStringLiteral("Exit Program?"));
        QVERIFY(window_->isVisible());
        QCOMPARE(exits.count(), 0);
        QVERIFY(closed.isEmpty());

        prompts_->answers.push_back(true);
        QVERIFY(window_->close());
        QCOMPARE(exits.count(), 1);
        QVERIFY(sameLines(closed, {"plot"}));  // no legend was open
    }

    // Runs last: the place it saves would otherwise be where the windows of
    // the tests after it open.
    void theWindowOpensWhereTheUserLeftIt() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->setGeometry(120, 70, 640, 400);
        const QRect left = window_->geometry();
        prompts_->answers.push_back(true);  // "Exit Program?"
        QVERIFY(window_->close());
        AppState state;
        MainWindow again(state, *session_, *prompts_);
        fillHooks(again.hooks());
        again.load();
        QCOMPARE(again.geometry(), left);
        settings::store()->clear();
        prompts_->answers.push_back(true);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
