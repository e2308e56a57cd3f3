// SPDX-License-Identifier: MIT
// Quillane: the main window.  It holds the output list OutFileBox, which
// shows everything the library reports, and the menu bar that drives the
// whole run.  Each menu item has one handler named after the item; menu
// items and controls carry their names as Qt object names.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "Hooks.h"
#include "run_listing.h"
#include "session.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;

namespace quillane::frontend {

struct AppState;
class DataFilesDialog;
class GuideWindow;
class LogListBox;
class Prompts;
class ReportWindow;
class RunOverviewWindow;
class TextPane;
class WatchController;

// The main window's commands, by the object names they carry.  Null until
// the menus are built; ToggleXI_R is there but hidden.
struct MainActions {
    QAction *OpenRun = nullptr, *RecentRuns = nullptr, *CloseRun = nullptr;
    QAction *HelpGuide = nullptr, *HelpAbout = nullptr;
    QAction *ViewReport = nullptr, *SaveListAs = nullptr, *SaveResultsCsv = nullptr,
            *AllDone = nullptr;
    QAction *EditUndo = nullptr, *SelectAllLines = nullptr, *CopySelect = nullptr;
    QAction *GetDataFiles = nullptr, *ChooseSeries = nullptr, *SetLimits = nullptr,
            *FitIt = nullptr, *ToggleXI_R = nullptr, *GetNewTimes = nullptr,
            *DSTimeToDSIndex = nullptr, *RenumberFr = nullptr, *SetupDiffer = nullptr;
    QAction *PlotDummy1 = nullptr, *PlotRaw = nullptr, *PlotdCdX_X = nullptr, *PlotdCdX_C = nullptr,
            *PlotDummy2 = nullptr, *PlotRMS = nullptr, *PlotVar = nullptr, *PlotDevs = nullptr,
            *PlotPOffset = nullptr, *PlotDevvsT = nullptr, *PlotEquilibrium = nullptr,
            *SavePlots = nullptr;
    QAction *PrintDummy1 = nullptr, *PrintFitting = nullptr, *PrnSelect = nullptr;
};

// What decides whether a command may run, read from the session (and the
// list and the printers) each time the commands are brought up to date.
// Each need*() gives why a command waits, or an empty text when it may run.
struct CommandState {
    bool filesRead = false;
    int activeCount = 0;
    bool limitsChosen = false;
    bool fitted = false;
    bool fitCurrent = false;
    bool listLines = false;
    bool canUndoTimes = false;
    bool printer = false;
    bool watching = false;    // a folder is being watched
    bool recentRuns = false;  // a run has been opened before

    QString needNoWatch() const;          // the watch reads the session's runs itself
    QString needFilesAndNoWatch() const;  // a run to close, and no watch
    QString needRecentRuns() const;       // and no watch
    bool libraryFile = false;             // the analysis library's file is known

    QString needFiles() const;
    QString needFitReady() const;    // files, 3 active sets and limits set
    QString needCurrentFit() const;  // a fit that still matches the data
    QString needLines() const;
    QString needUndo() const;
    QString needPrinter() const;
    QString needLibraryFile() const;  // a copy of the library of the overview's own
};

// Why `action` waits, or empty when it may run.
using CommandRule = std::function<QString(const CommandState &)>;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(AppState &state, session::Session &session, Prompts &prompts,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // The window's load: sizes the output list, hands it to the session as
    // the log view, builds the printer items and places the window.  Runs
    // once, before the window is shown.
    void load();

    // The windows of later parts; fill these in before the window is used.
    Hooks &hooks() { return hooks_; }

    QListWidget *outFileBox() const { return outFileBox_; }
    LogListBox &logList() const { return *logList_; }
    TextPane &textPane() const { return *textPane_; }
    int visibleLines() const { return visibleLines_; }
    // The menu item (or submenu, or separator) of that name.
    QAction *item(const QString &name) const;
    const MainActions &actions() const { return actions_; }

    // Every command's enabled state from the session's state: a command
    // that waits says why in its status tip.  Runs after every command.
    void updateCommands();
    // A command whose state follows `rule` from now on (one per action; a
    // later rule for the same action replaces the earlier).
    void addCommandRule(QAction *action, CommandRule rule);
    CommandState commandState() const;

    // After a warning about too few points inside the limits: offers the
    // largest span that fits every active set, and sets it on Yes.
    void offerSpanThatFits(QWidget *parent);
    // The data-file window, created on first use.
    DataFilesDialog &form1();

    // A long session call (reading, the fit) is running on a worker thread:
    // every command waits, saying why, and nothing else may reach the
    // session until it is done.
    bool busy() const { return !busyWith_.isEmpty(); }
    // Runs on the worker thread before each long call starts (tests hold
    // the call there to look at the window meanwhile).
    void setBeforeBackgroundCall(std::function<void()> hook) {
        beforeBackground_ = std::move(hook);
    }

    // The report window, once "View Report" has opened it, else null.
    ReportWindow *reportWindow() const { return report_; }

    // ---- menu handlers ----
    // File > Open Run...: a run folder (any number of files); its series
    // are listed and the one picked is read (MainOpenRun.cpp).
    void OpenRun();
    // File > Close Run: the run read is closed; another can be read.
    void CloseRun();
    void HelpGuide();   // the user guide (F1)
    void HelpAbout();   // the program's and the library's versions
    void ViewReport();  // the output file, read-only and searchable
    void GetDataFiles();
    // The series the scans read make: pick one to analyse.
    void ChooseSeries();
    void SetLimits();
    void FitIt();
    void ToggleXI_R();
    void GetNewTimes();
    void DSTimeToDSIndex();
    void EditUndo();  // takes back the last change of the times
    void RenumberFr();
    void SetupDiffer();
    void PlotRaw();
    void PlotdCdX_X();
    void PlotdCdX_C();
    void PlotRMS();
    void PlotVar();
    void PlotDevs();
    void PlotPOffset();
    void PlotDevvsT();
    void SavePlots();
    // The fit's results for other tools: every pair, and every scan with
    // its noise and its place in the verdict (MainResultsCommands.cpp).
    void SaveResultsCsv();
    void ExportRunReport();  // the analysis as a PDF to hand over (RunReportExport.cpp)
    void SaveResultsJson();
    // RMS against time of the no-offset and y-offset fits against the
    // latest scan, without a dialog: where a drifting baseline keeps the
    // scans apart, the y-offset curve shows whether their shape has settled.
    void PlotOffsetsAgainstLatest();
    void PlotEquilibrium();
    // Data > Watch Folder...: follow a run folder as scans arrive (again:
    // stop following it).  MainWatch.cpp.
    void WatchFolder();
    // The watch under way or last run, else null.
    WatchController *watchController() const { return watch_; }
    // Data > Run Overview...: every series of a run folder at once
    // (MainRunOverview.cpp).
    void ShowRunOverview();
    // The overview window, once opened, else null.
    RunOverviewWindow *runOverview() const { return overview_; }
    // The scans of one series of a run, opened from the overview: read as
    // a first reading reads them, once the user has agreed to put away the
    // files read before, if any.
    void openSeries(const QStringList &files, const QString &name);

    // Scan files named outside the menus (on the command line, or dropped
    // onto the window): with at least three, all of them readable, they are
    // read as data sets 1..n in this order, all active; otherwise they fill
    // the rows of the data-file window and the user is told why nothing was
    // read.  Once files have been read the user is asked whether to close
    // that run for these.  More files than can be read at once are opened
    // as a run (openRunFiles), so the user picks a series and its scans.
    void openDataFiles(const QStringList &files);

    // Every series of `folder` is listed and the one the user picks is read
    // (of more than 50 scans, those the user picks), in place of the run
    // read before; the folder joins File > Open Recent.  A folder dropped
    // onto the window comes here too.
    void openRun(const QString &folder);
    // The same for scan files named (more than fit, or of several series).
    void openRunFiles(const QStringList &files);
    // What was left out at reading (scans of the series, files that are
    // no scans, points outside the limits), as the status line shows it.
    QLabel *readSummary() const { return readSummary_; }
    // The guide window once Help > Guide has opened it, else null.
    GuideWindow *guideWindow() const { return guide_; }

    // The active store was rebuilt outside a menu command (limits marked
    // on the plot): the commands follow the session's state.
    void disableFitResults() { updateCommands(); }

  signals:
    // The user answered Yes to "Exit Program?"; the program is to end.
    void exitConfirmed();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // A folder dropped onto the window is opened as a run (openRun); scan
    // files dropped go to openDataFiles(), in the order
    // of their names.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    void buildMenus();
    QMenu *addMenu(QMenu *parent, const char *name, const QString &caption);
    QAction *addItem(QMenu *menu, const char *name, const QString &caption);
    QAction *addSeparator(QMenu *menu, const char *name);
    void setItemEnabled(const char *name, bool enabled);
    void addCommandRules();
    void sizeOutFileBox();
    // Select All, Copy and Save List As are there whenever the list has lines.
    void updateListCommands();

    // Shows the plot in the plot window, which comes to the front unless
    // `front` is false and it is open already (a watch redraws it after
    // every scan without taking the user's screen).
    void showThePlot(const PlotContent &content, bool front = true);
    void showResultGraph(const session::GraphRequest &request);
    std::vector<int> chooseDataSets(bool forDeviations);  // NewDSToPlot
    LimitsChoice chooseForLimits();                       // NewDSToPlot with typed limits
    void dataPlot(int kind);
    void rmsPlot(session::GraphKind kind, const QString &caption);
    // The name for results of `kind` ("CSV", "JSON") with its extension
    // added when the user typed none; empty when cancelled.
    QString resultsFileName(const QString &kind, const QString &suffix);
    // Says in the list, the report and the status bar what was saved where.
    void confirmSaved(const std::string &line);
    // Shows what an action reports: the span warning, a refusal, failures.
    void tell(const session::Outcome &outcome, const QString &refusalTitle);
    // Runs `work`, a session call, on a worker thread while the window stays
    // responsive; returns once it is done.  `what` ("fitting the data") says
    // in every command's tip why it waits.  Other windows of the program take
    // no input meanwhile.
    void runInBackground(const QString &what, const std::function<void()> &work);
    void holdCommands();
    void releaseCommands();
    // Reads the files of the data-file rows with `active` (first pass) or
    // selects `active` among the files read, and shows what came of it.
    void takeDataFiles(const std::vector<int> &active, bool firstPass);
    void restoreDataFileTicks();
    // The data-file rows hold the data sets the session read, all active
    // ones ticked.
    void syncDataFileRows();
    // What a first reading left out (files that are no scans) goes to the
    // report and the status line.
    void recordLeftOut(const std::vector<session::FileOutcome> &outcomes);
    // The series the user picks of `run` is read in place of the run before.
    void readFromRun(const session::RunListing &run);
    void closeRun();
    void rebuildRecentRuns();
    // The status line's account of what the reading left out; follows the
    // limits, so it is brought up to date with the commands.
    void updateReadSummary();
    // "column 2: 20.194-20.794 cm^2" while the limits in force are that
    // stretch's; empty otherwise.
    QString columnInForce();
    // After the first reading: puts what the headers say on record and,
    // when the scans make several series, asks which to analyse.
    void offerSeries(bool afterReading);

    AppState &state_;
    session::Session &session_;
    Prompts &prompts_;
    Hooks hooks_;
    QListWidget *outFileBox_ = nullptr;
    std::unique_ptr<LogListBox> logList_;
    TextPane *textPane_ = nullptr;
    DataFilesDialog *form1_ = nullptr;
    ReportWindow *report_ = nullptr;
    GuideWindow *guide_ = nullptr;
    WatchController *watch_ = nullptr;
    QMenu *recentMenu_ = nullptr;
    QLabel *readSummary_ = nullptr;
    // What the reading of the run in force left out, said once read; and
    // the lines the report gets once the files are read.
    QStringList readNotes_;
    QString leftOutFiles_;  // the files that are no scans or cannot be read
    // The column the limits in force are, as the status line names it, and
    // what it was worked out for: the finder reads every active scan, too
    // much for each line the list gets.
    QString columnKey_;
    QString columnText_;
    std::vector<std::string> pendingRecord_;
    RunOverviewWindow *overview_ = nullptr;
    QString libraryFile_;  // the analysis library's file, for the overview's copy
    QHash<QString, QAction *> items_;
    QHash<QString, QMenu *> menus_;
    MainActions actions_;
    struct RuleEntry {
        QAction *action;
        CommandRule rule;
        QString tip;  // the status tip while the command may run
    };
    std::vector<RuleEntry> rules_;
    // While a long call runs: what it does, and each command's state and
    // tips from before, given back when it is done.
    QString busyWith_;
    struct HeldCommand {
        QPointer<QAction> action;
        bool enabled;
        QString statusTip;
        QString toolTip;
    };
    std::vector<HeldCommand> heldCommands_;
    std::vector<QPointer<QWidget>> heldWindows_;
    std::function<void()> beforeBackground_;
    int visibleLines_ = 0;
};

}  // namespace quillane::frontend
