// The main window: its menus, the enabling of commands through a first and
// a later pass, and what each command asks of the library.
#include <cmath>

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
#include "DataSetOps.h"
#include "DataSetTimesDialog.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "Twips.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

struct MenuRow {
    const char *name;
    const char *caption;
    bool enabled;
    bool visible;
};

// Every menu item with its caption and its state at start-up.
const MenuRow kStartItems[] = {
    {"FileDummy", "&File", true, true},
    {"AllDone", "&Exit", true, true},
    {"DataDummy", "&Data", true, true},
    {"GetDataFiles", "&Read Data Files", true, true},
    {"SetLimits", "&Set Data Limits", false, true},
    {"FitIt", "&Fit Data", false, true},
    {"spacer1", "", true, true},
    {"ToggleXI_R", "&Toggle XI to R", false, false},
    {"GetNewTimes", "&Enter New DS Times", false, true},
    {"DSTimeToDSIndex", "Set &DS Time to DS Number", false, true},
    {"RenumberFr", "Re&calculate Fringe Numbers", false, true},
    {"spacer2", "", true, true},
    {"SetupDiffer", "Set Differentiation &Parameters", false, true},
    {"PlotDummy0", "&Plots", true, true},
    {"PlotDummy1", "Plot &Data", false, true},
    {"PlotRaw", "&Raw Data", true, true},
    {"PlotdCdX_X", "&dC/dX vs Indep.Var.", false, true},
    {"PlotdCdX_C", "d&C/dX vs Dep.Var.", false, true},
    {"PlotDummy2", "&Plot &Results", false, true},
    {"PlotRMS", "&RMS vs Time", true, true},
    {"PlotVar", "&Variance vs Time", true, true},
    {"PlotDummy4", "", true, true},
    {"PlotDevs", "&Deviations vs Position", true, true},
    {"PlotPOffset", "&Position (XI / R) Offsets vs Time", true, true},
    {"PlotDevvsT", "D&eviations vs Time (selected XI / R)", true, true},
    {"PlotDummy5", "", true, true},
    {"SavePlots", "&Save Plot Files", true, true},
    {"PrintDummy1", "P&rint", true, true},
    {"Prn2Array_0", "", true, false},
    {"PrintDummy3", "", true, true},
    {"PrintFitting", "&All Text", true, true},
    {"PrnSelect", "&Selected Text", true, true},
    {"PrintDummy4", "", true, true},
    {"CopySelect", "&Copy Selected to Clipboard", true, true},
    {"PrintDummy2", "&Select Printer", true, false},
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    CallRecord record_;
    LibraryBinding library_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<AppState> state_;
    std::unique_ptr<RecordingPrompts> prompts_;
    std::unique_ptr<MainWindow> window_;
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

    void makeFiles(int count) {
        files_.clear();
        for (int i = 1; i <= count; ++i)
            files_ << writeFile(
                dir_->filePath(QStringLiteral("S%1.RA1").arg(i, 5, 10, QLatin1Char('0'))),
                scanFileContent(i));
    }

  private slots:
    void initTestCase() { QVERIFY2(library_.load(), qPrintable(library_.error())); }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        state_ = std::make_unique<AppState>();
        state_->OutFileName = dir_->filePath(QStringLiteral("out.txt"));
        prompts_ = std::make_unique<RecordingPrompts>();
        window_ = std::make_unique<MainWindow>(*state_, library_, *prompts_);
        window_->load();
        library_.setxirange(16.0, 26.0);  // the stand-in keeps its limits between tests
        record_.clear();
    }

    void cleanup() {
        prompts_->answers.push_back(true);
        window_.reset();
    }

    void startStateFollowsTheMenuTable() {
        QCOMPARE(window_->objectName(), QStringLiteral("Quillane"));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Quillane V0.99"));
        for (const MenuRow &row : kStartItems) {
            QAction *action = window_->item(QString::fromLatin1(row.name));
            QVERIFY2(action, row.name);
            if (*row.caption)
                QCOMPARE(action->text(), QString::fromLatin1(row.caption));
            else
                QVERIFY2(action->isSeparator(), row.name);
            // Without a printer the print menu and its commands are off.
            const bool printing =
                QByteArray(row.name).startsWith("Pr") || QByteArray(row.name) == "CopySelect";
            if (!printing) QVERIFY2(action->isEnabled() == row.enabled, row.name);
            QVERIFY2(action->isVisible() == row.visible, row.name);
        }
        QCOMPARE(window_->item(QStringLiteral("CopySelect"))->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+C")));
        QVERIFY(!enabled("PrintDummy1"));
        QVERIFY(!enabled("CopySelect"));
        QCOMPARE(window_->outFileBox()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QVERIFY(window_->visibleLines() >= 1);
        QVERIFY(sameLines(record_.names(), {}));
    }

    void loadHandsTheListToTheLibraryTableFirst() {
        record_.clear();
        AppState state;
        MainWindow window(state, library_, *prompts_);
        window.load();
        QVERIFY(sameLines(record_.names(), {"init_lbsink", "init_lbhandle"}));
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
            expected << QStringLiteral("getdatar %1 127 %2").arg(i).arg(files_[i - 1]);
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
                 QStringLiteral("Select Active Data Files"));
        QCOMPARE(state_->FirstSelection, int16_t(kFalse));
        QCOMPARE(state_->NumActive, 3);
        QCOMPARE(state_->RefSet, 3);
        QCOMPARE(state_->FullXLow, 16.0);
        QCOMPARE(state_->FullXHigh, 26.0);
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
        QCOMPARE(state_->FirstSelection, int16_t(kTrue));
        QCOMPARE(window_->item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("&Read Data Files"));
        for (const char *name : {"FitIt", "SetLimits", "PlotDummy1", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
    }

    void laterPassReselectsWithoutReadingAndKeepsTheUserLimits() {
        firstPass(5);
        state_->XLow = 18.0;  // as the viewer leaves them after the user marked a range
        state_->XHigh = 24.0;
        state_->LimitsSet = kTrue;
        answerDataFiles({1, 3});
        window_->GetDataFiles();
        QVERIFY(sameLines(
            record_.lines(),
            {"setxirange 16 26", "setredir 3 1 3 5", "find_smallest_range", "TRANSFER_DATA",
             "setxirange 18 24", "set_lim_indices_vb", "TRANSFER_DATA"}));
        QVERIFY(enabled("FitIt"));
        QVERIFY(!enabled("PlotDummy2"));
        QCOMPARE(state_->ActiveSetTable[2], 3);

        // A later pass that ends with the warning keeps the new caption.
        record_.clear();
        answerDataFiles({0, 1, 2});
        window_->GetDataFiles();
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(!enabled("FitIt"));
        QCOMPARE(window_->item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("Select Active Data Files"));
        QVERIFY(record_.lines().isEmpty());
    }

    void closingTheDataFileWindowWithoutOkKeepsTheEarlierSelection() {
        firstPass(4);
        prompts_->onDialog = [](QDialog &dialog) {
            qobject_cast<DataFilesDialog *>(&dialog)->includeBox(0)->setChecked(false);
        };
        window_->GetDataFiles();
        QCOMPARE(state_->NumActive, 4);
        QVERIFY(record_.lines().contains(QStringLiteral("setredir 4 1 2 3 4")));
    }

    void setLimitsWithAPlotEnablesFittingAndShowsThePlot() {
        firstPass(3);
        QStringList viewer;
        Hooks &hooks = window_->hooks();
        hooks.newDSToPlot = [this, &viewer](QWidget *) {
            viewer << QStringLiteral("chooser kind %1").arg(state_->DataPlotKind);
            state_->PlotReady = kTrue;
        };
        hooks.loadPlotWindow = [this, &viewer] {
            viewer << "load";
            state_->PlotWindowOpen = kTrue;
        };
        hooks.showPlot = [&viewer] { viewer << "show plot"; };
        hooks.disposePlotFile = [&viewer] { viewer << "dispose"; };
        hooks.showPlotWindow = [&viewer] { viewer << "show window"; };
        state_->XLow = 17.0;
        state_->XHigh = 25.0;
        window_->SetLimits();
        QVERIFY(
            sameLines(viewer, {"chooser kind 1", "load", "show plot", "dispose", "show window"}));
        QVERIFY(sameLines(
            record_.lines(),
            {"setxirange 16 26", "setredir 3 1 2 3", "set_lim_indices_vb", "TRANSFER_DATA",
             "setredir 3 1 2 3", "setxirange 17 25", "set_lim_indices_vb", "TRANSFER_DATA"}));
        QCOMPARE(state_->LimitsSet, int16_t(kTrue));
        QCOMPARE(state_->LimitsMode, int16_t(kTrue));
        QVERIFY(enabled("FitIt"));

        // The viewer stays open: the next plot does not load it again.
        viewer.clear();
        window_->PlotRaw();
        QVERIFY(sameLines(viewer, {"chooser kind 1", "show plot", "dispose", "show window"}));
        QCOMPARE(state_->LimitsMode, int16_t(kFalse));
    }

    void setLimitsWithoutAChoiceShowsNoPlotAndKeepsFittingOff() {
        firstPass(3);
        bool shown = false;
        window_->hooks().newDSToPlot = [this](QWidget *) { state_->PlotReady = kFalse; };
        window_->hooks().showPlot = [&shown] { shown = true; };
        window_->SetLimits();
        QVERIFY(!shown);
        QVERIFY(!enabled("FitIt"));
        QVERIFY(prompts_->warnings.isEmpty());
    }

    void setLimitsRebuildsTheStoreSoTheFitsPlotsWaitForANewFit() {
        firstPass(3);
        window_->hooks().chooseRefSet = [](QWidget *) {};
        window_->hooks().newDSToPlot = [this](QWidget *) { state_->PlotReady = kFalse; };
        window_->FitIt();
        QVERIFY(enabled("PlotDummy2"));
        window_->SetLimits();
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
    }

    void commandsWhoseWindowsAreMissingSayNotAvailable() {
        firstPass(3);
        window_->SetLimits();
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(prompts_->warnings[0].text.endsWith(QStringLiteral("is not available yet.")));
        QVERIFY(!enabled("FitIt"));
        for (auto command :
             {&MainWindow::FitIt, &MainWindow::SetupDiffer, &MainWindow::PlotRMS,
              &MainWindow::PlotDevs, &MainWindow::PlotDevvsT, &MainWindow::PlotPOffset}) {
            prompts_->warnings.clear();
            (window_.get()->*command)();
            QCOMPARE(prompts_->warnings.size(), 1);
        }
        QVERIFY(!record_.names().contains(QStringLiteral("fit_allB")));
        QVERIFY(!record_.names().contains(QStringLiteral("plot_result_graphs")));
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
        state_->XLow = 16;
        state_->XHigh = 26;
        window_->ToggleXI_R();
        setSpanOk(1);
        QCOMPARE(warnings, 1);
    }

    void fittingEnablesResultsAndRenumberingDisablesThemAgain() {
        firstPass(4);
        window_->hooks().chooseRefSet = [this](QWidget *) { state_->RefSet = 2; };
        window_->FitIt();
        QVERIFY(sameLines(record_.lines(), {"fit_allB 2"}));
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(enabled(name), name);
        record_.clear();
        state_->XLow = 17;
        state_->XHigh = 25;
        window_->RenumberFr();
        QVERIFY(sameLines(record_.lines(), {"renumber_fringes", "setxirange 17 25",
                                            "set_lim_indices_vb", "TRANSFER_DATA"}));
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);

        window_->FitIt();
        window_->hooks().differParms = [](QWidget *) { return false; };
        window_->SetupDiffer();
        QVERIFY(enabled("PlotDummy2"));  // parameters unchanged: the fit still holds
        window_->hooks().differParms = [](QWidget *) { return true; };
        window_->SetupDiffer();
        QVERIFY(!enabled("PlotDummy2"));
    }

    void toggleConvertsAllFourLimitsBetweenXiAndRadius() {
        firstPass(3);
        window_->hooks().showSpanWarning = [](QWidget *) {};
        state_->XLow = 18.0;
        state_->XHigh = 24.5;
        window_->ToggleXI_R();
        QCOMPARE(state_->XiMode, kFalse);
        QCOMPARE(window_->item(QStringLiteral("ToggleXI_R"))->text(),
                 QStringLiteral("Toggle R to XI"));
        QCOMPARE(state_->XLow, 6.0);
        QCOMPARE(state_->XHigh, 7.0);
        QCOMPARE(state_->FullXLow, std::sqrt(32.0));
        QCOMPARE(record_.lines().first(), QStringLiteral("set_x_var 0"));
        window_->ToggleXI_R();
        QCOMPARE(state_->XiMode, kTrue);
        QCOMPARE(window_->item(QStringLiteral("ToggleXI_R"))->text(),
                 QStringLiteral("Toggle XI to R"));
        QVERIFY(std::fabs(state_->XHigh - 24.5) < 1e-12);  // round trip through the square root
        QVERIFY(record_.lines().contains(QStringLiteral("set_x_var -1")));
    }

    void timesCommandsHandTheTimesToTheLibrary() {
        firstPass(3);
        window_->DSTimeToDSIndex();
        QVERIFY(sameLines(record_.lines(), {"set_times 1 2 3"}));
        record_.clear();
        prompts_->onDialog = [](QDialog &dialog) {
            auto *times = qobject_cast<DataSetTimesDialog *>(&dialog);
            QVERIFY(times);
            times->timeBox(2)->setText(QStringLiteral("7.5"));
            times->accept();
        };
        window_->GetNewTimes();
        QVERIFY(sameLines(record_.lines(), {"get_times", "set_times 1 7.5 3"}));
        QCOMPARE(state_->DataSetTimes[2], 7.5);
        record_.clear();
        prompts_->onDialog = nullptr;  // closed without OK
        window_->GetNewTimes();
        QVERIFY(sameLines(record_.lines(), {"get_times"}));
    }

    void resultGraphsAreMadeOnlyAfterTheirDialogAccepts() {
        firstPass(3);
        int shown = 0;
        QString caption;
        window_->hooks().showPlot = [&shown] { ++shown; };
        window_->hooks().rmsVsTime = [this, &caption](QWidget *, const QString &c) {
            caption = c;
            state_->DialogAccepted = kFalse;
        };
        window_->PlotVar();
        QCOMPARE(caption, QStringLiteral("Plot Variance vs Time"));
        QVERIFY(record_.lines().isEmpty());
        window_->hooks().rmsVsTime = [this, &caption](QWidget *, const QString &c) {
            caption = c;
            state_->DialogAccepted = kTrue;
        };
        state_->RefSet = 2;
        window_->PlotRMS();
        QCOMPARE(caption, QStringLiteral("Plot RMS vs Time"));
        QVERIFY(sameLines(record_.lines(), {"plot_result_graphs 1 2"}));
        QCOMPARE(shown, 1);
        QCOMPARE(state_->PlotReady, int16_t(kTrue));
    }

    void deviationsGraphNeedsBothItsDialogAndAChoiceOfSets() {
        firstPass(4);
        int shown = 0;
        int16_t choosing = 0;
        window_->hooks().showPlot = [&shown] { ++shown; };
        window_->hooks().devVsPos = [this](QWidget *) { state_->DialogAccepted = kTrue; };
        window_->hooks().newDSToPlot = [this, &choosing](QWidget *) {
            choosing = state_->ChoosingForDeviations;
            state_->PlotReady = kFalse;
        };
        window_->PlotDevs();
        QCOMPARE(choosing, int16_t(kTrue));
        QCOMPARE(shown, 0);
        QVERIFY(record_.lines().isEmpty());
        QCOMPARE(state_->ChoosingForDeviations, int16_t(kFalse));
        window_->hooks().newDSToPlot = [this](QWidget *) { state_->PlotReady = kTrue; };
        window_->PlotDevs();
        QVERIFY(sameLines(record_.lines(), {"plot_result_graphs 3 4"}));
        QCOMPARE(shown, 1);
    }

    void positionOffsetGraphPutsTheReferenceSetBack() {
        firstPass(4);
        state_->RefSet = 3;
        window_->hooks().chooseRefSet = [this](QWidget *) { state_->RefSet = 1; };
        window_->hooks().showPlot = [] {};
        window_->PlotPOffset();
        QVERIFY(sameLines(record_.lines(), {"plot_result_graphs 5 1"}));
        QCOMPARE(state_->RefSet, 3);
        QCOMPARE(state_->DialogAccepted, int16_t(kTrue));
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

    void buildActiveListNumbersTheActiveSetsInRowOrder() {
        state_->NumFilesRead = 12;
        for (int i = 1; i <= 12; ++i)
            state_->DataFileNames[i] = QStringLiteral("C:\\DATA\\S%1.IP3").arg(i);
        state_->ActiveFlags[3] = kTrue;
        state_->ActiveFlags[7] = kTrue;
        state_->ActiveFlags[12] = kTrue;
        state_->RefSet = 9;  // left from a larger selection
        BuildActiveList(*state_, library_, window_->logList(), *prompts_, window_.get());
        const QStringList expected{" Orig.DS# 3 :: C:\\DATA\\S3.IP3 is active DS#1.",
                                   " Orig.DS# 7 :: C:\\DATA\\S7.IP3 is active DS#2.",
                                   " Orig.DS# 12 :: C:\\DATA\\S12.IP3 is active DS#3."};
        QStringList listed;
        for (int i = 0; i < window_->outFileBox()->count(); ++i)
            listed << window_->outFileBox()->item(i)->text();
        QVERIFY(sameLines(listed, expected));
        QCOMPARE(readFile(state_->OutFileName), (expected.join("\r\n") + "\r\n").toLocal8Bit());
        QVERIFY(sameLines(record_.lines(), {"setredir 3 3 7 12"}));
        QCOMPARE(state_->NumActive, 3);
        QCOMPARE(state_->RefSet, 3);
    }

    void buildActiveListWithNoActiveSetWritesNothingButTellsTheLibrary() {
        state_->NumFilesRead = 2;
        BuildActiveList(*state_, library_, window_->logList(), *prompts_, window_.get());
        QCOMPARE(window_->outFileBox()->count(), 0);
        QVERIFY(!QFile::exists(state_->OutFileName));
        QVERIFY(sameLines(record_.lines(), {"setredir 0"}));
        QCOMPARE(state_->NumActive, 0);
    }

    void anOutputFileThatCannotBeAppendedToIsReported() {
        state_->OutFileName = dir_->filePath(QStringLiteral("missing/out.txt"));
        state_->NumFilesRead = 1;
        state_->ActiveFlags[1] = kTrue;
        BuildActiveList(*state_, library_, window_->logList(), *prompts_, window_.get());
        QCOMPARE(prompts_->warnings.size(), 1);
        QCOMPARE(window_->outFileBox()->count(), 1);
        QVERIFY(sameLines(record_.lines(), {"setredir 1 1"}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
