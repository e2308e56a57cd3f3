// SPDX-License-Identifier: MIT
#include "MainWindow.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "FixedFont.h"
#include "GuideWindow.h"
#include "LogListBox.h"
#include "Prompts.h"
#include "ReportWindow.h"
#include "RunOverviewWindow.h"
#include "SessionText.h"
#include "Settings.h"
#include "TextFormat.h"
#include "TextPane.h"
#include "Twips.h"
#include "WatchController.h"

namespace quillane::frontend {

namespace {

constexpr int kMinimumTwips = 3500;
constexpr int kListLeftTwips = 200;
constexpr int kListTopTwips = 200;
constexpr int kListWidthMarginTwips = 500;
constexpr int kListHeightMarginTwips = 1000;
const QString kGeometryKey = QStringLiteral("main");

}  // namespace

MainWindow::MainWindow(AppState &state, session::Session &session, Prompts &prompts,
                       QWidget *parent)
    : QMainWindow(parent), state_(state), session_(session), prompts_(prompts) {
    setObjectName(QStringLiteral("Quillane"));
    setWindowTitle(programName());

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);
    outFileBox_ = new QListWidget(central);
    outFileBox_->setObjectName(QStringLiteral("OutFileBox"));
    outFileBox_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    outFileBox_->setUniformItemSizes(true);
    outFileBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The report is laid out in columns; a fixed-pitch font keeps them aligned.
    outFileBox_->setFont(reportFont());
    logList_ = std::make_unique<LogListBox>(outFileBox_);
    textPane_ = new TextPane(state_, outFileBox_, prompts_, hooks_, this);

    // Progress and confirmations of saves (StatusProgress, MainResultsCommands),
    // and what the reading left out (updateReadSummary).
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    readSummary_ = new QLabel(this);
    readSummary_->setObjectName(QStringLiteral("ReadSummary"));
    // The account can be long: the window does not widen for it, and the
    // whole text stands in its tip and in the report.
    readSummary_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(readSummary_, 1);
    buildMenus();
    QAbstractItemModel *lines = outFileBox_->model();
    connect(lines, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateListCommands);
    connect(lines, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateListCommands);
    connect(lines, &QAbstractItemModel::modelReset, this, &MainWindow::updateListCommands);
    resize(twipsToPixelsX(10800, this), twipsToPixelsY(7200, this));
    setAcceptDrops(true);  // scan files dropped onto the window (MainOpenFiles.cpp)
}

MainWindow::~MainWindow() {
    // The list goes after this window's own members: its last signals must
    // find no receiver here.
    outFileBox_->model()->disconnect(this);
}

QMenu *MainWindow::addMenu(QMenu *parent, const char *name, const QString &caption) {
    QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    const QString objectName = QString::fromLatin1(name);
    menu->setObjectName(objectName);
    menu->menuAction()->setObjectName(objectName);
    menu->setToolTipsVisible(true);  // why a command waits (updateCommands)
    menus_.insert(objectName, menu);
    items_.insert(objectName, menu->menuAction());
    return menu;
}

QAction *MainWindow::addItem(QMenu *menu, const char *name, const QString &caption) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    items_.insert(action->objectName(), action);
    return action;
}

QAction *MainWindow::addSeparator(QMenu *menu, const char *name) {
    QAction *action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    items_.insert(action->objectName(), action);
    return action;
}

QAction *MainWindow::item(const QString &name) const {
    return items_.value(name, nullptr);
}

void MainWindow::setItemEnabled(const char *name, bool enabled) {
    if (QAction *action = item(QString::fromLatin1(name))) action->setEnabled(enabled);
}

void MainWindow::buildMenus() {
    MainActions &a = actions_;
    auto command = [this](QMenu *menu, const char *name, const QString &caption,
                          void (MainWindow::*handler)()) {
        QAction *action = addItem(menu, name, caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu *file = addMenu(nullptr, "FileDummy", QStringLiteral("&File"));
    a.OpenRun = command(file, "OpenRun", QStringLiteral("&Open Run..."), &MainWindow::OpenRun);
    a.OpenRun->setShortcut(QKeySequence::Open);
    recentMenu_ = addMenu(file, "RecentRuns", QStringLiteral("Open Rece&nt"));
    a.RecentRuns = recentMenu_->menuAction();
    a.CloseRun = command(file, "CloseRun", QStringLiteral("C&lose Run"), &MainWindow::CloseRun);
    addSeparator(file, "RunSpacer");
    a.ViewReport =
        command(file, "ViewReport", QStringLiteral("View &Report"), &MainWindow::ViewReport);
    a.SaveListAs = addItem(file, "SaveListAs", QStringLiteral("Save List &As..."));
    a.SaveListAs->setShortcut(QKeySequence::Save);
    connect(a.SaveListAs, &QAction::triggered, textPane_, &TextPane::saveList);
    a.SaveResultsCsv = command(file, "SaveResultsCsv", QStringLiteral("Save Results as &CSV..."),
                               &MainWindow::SaveResultsCsv);
    command(file, "SaveResultsJson", QStringLiteral("Save Results as &JSON..."),
            &MainWindow::SaveResultsJson);
    command(file, "ExportRunReport", QStringLiteral("Export Run Re&port..."),
            &MainWindow::ExportRunReport);
    addSeparator(file, "FileSpacer");
    a.AllDone = addItem(file, "AllDone", QStringLiteral("&Exit"));
    // Ctrl+Q is Exit itself: the same question before the program ends.
    a.AllDone->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(a.AllDone, &QAction::triggered, this, &QWidget::close);

    // Getting the lines out needs no printer.
    QMenu *edit = addMenu(nullptr, "EditDummy", QStringLiteral("&Edit"));
    a.EditUndo = command(edit, "EditUndo", QStringLiteral("&Undo"), &MainWindow::EditUndo);
    a.EditUndo->setShortcut(QKeySequence::Undo);
    addSeparator(edit, "EditSpacer");
    a.SelectAllLines = addItem(edit, "SelectAllLines", QStringLiteral("Select &All"));
    a.SelectAllLines->setShortcut(QKeySequence::SelectAll);
    connect(a.SelectAllLines, &QAction::triggered, textPane_, &TextPane::selectAll);

    QMenu *data = addMenu(nullptr, "DataDummy", QStringLiteral("&Data"));
    a.GetDataFiles = command(data, "GetDataFiles", QStringLiteral("&Read Data Files"),
                             &MainWindow::GetDataFiles);
    a.ChooseSeries = command(data, "ChooseSeries", QStringLiteral("C&hoose Series..."),
                             &MainWindow::ChooseSeries);
    a.SetLimits =
        command(data, "SetLimits", QStringLiteral("&Set Data Limits"), &MainWindow::SetLimits);
    a.FitIt = command(data, "FitIt", QStringLiteral("&Fit Data"), &MainWindow::FitIt);
    addSeparator(data, "spacer1");
    a.ToggleXI_R =
        command(data, "ToggleXI_R", QStringLiteral("&Toggle XI to R"), &MainWindow::ToggleXI_R);
    a.ToggleXI_R->setVisible(false);
    a.GetNewTimes = command(data, "GetNewTimes", QStringLiteral("&Enter New DS Times"),
                            &MainWindow::GetNewTimes);
    a.DSTimeToDSIndex =
        command(data, "DSTimeToDSIndex", QStringLiteral("Set &DS Time to DS Number"),
                &MainWindow::DSTimeToDSIndex);
    a.RenumberFr = command(data, "RenumberFr", QStringLiteral("Re&calculate Fringe Numbers"),
                           &MainWindow::RenumberFr);
    addSeparator(data, "spacer2");
    a.SetupDiffer = command(data, "SetupDiffer", QStringLiteral("Set Differentiation &Parameters"),
                            &MainWindow::SetupDiffer);
    addSeparator(data, "spacer3");
    command(data, "WatchFolder", QStringLiteral("&Watch Folder..."), &MainWindow::WatchFolder);
    command(data, "RunOverview", QStringLiteral("Run &Overview..."), &MainWindow::ShowRunOverview);

    QMenu *plots = addMenu(nullptr, "PlotDummy0", QStringLiteral("&Plots"));
    QMenu *plotData = addMenu(plots, "PlotDummy1", QStringLiteral("Plot &Data"));
    a.PlotDummy1 = plotData->menuAction();
    a.PlotRaw = command(plotData, "PlotRaw", QStringLiteral("&Raw Data"), &MainWindow::PlotRaw);
    a.PlotdCdX_X = command(plotData, "PlotdCdX_X", QStringLiteral("&dC/dX vs Indep.Var."),
                           &MainWindow::PlotdCdX_X);
    a.PlotdCdX_C = command(plotData, "PlotdCdX_C", QStringLiteral("d&C/dX vs Dep.Var."),
                           &MainWindow::PlotdCdX_C);
    // One access key per caption: "Plot &Results" underlines R alone.
    QMenu *results = addMenu(plots, "PlotDummy2", QStringLiteral("Plot &Results"));
    a.PlotDummy2 = results->menuAction();
    a.PlotRMS = command(results, "PlotRMS", QStringLiteral("&RMS vs Time"), &MainWindow::PlotRMS);
    a.PlotVar =
        command(results, "PlotVar", QStringLiteral("&Variance vs Time"), &MainWindow::PlotVar);
    addSeparator(results, "PlotDummy4");
    a.PlotDevs = command(results, "PlotDevs", QStringLiteral("&Deviations vs Position"),
                         &MainWindow::PlotDevs);
    a.PlotPOffset =
        command(results, "PlotPOffset", QStringLiteral("&Position (XI / R) Offsets vs Time"),
                &MainWindow::PlotPOffset);
    a.PlotDevvsT =
        command(results, "PlotDevvsT", QStringLiteral("D&eviations vs Time (selected XI / R)"),
                &MainWindow::PlotDevvsT);
    a.PlotEquilibrium = command(plots, "PlotEquilibrium", QStringLiteral("&Equilibrium"),
                                &MainWindow::PlotEquilibrium);
    addSeparator(plots, "PlotDummy5");
    a.SavePlots =
        command(plots, "SavePlots", QStringLiteral("&Save Plot Files"), &MainWindow::SavePlots);

    QMenu *print = addMenu(nullptr, "PrintDummy1", QStringLiteral("P&rint"));
    a.PrintDummy1 = print->menuAction();
    QAction *printerZero = addSeparator(print, "Prn2Array_0");
    printerZero->setVisible(false);
    addSeparator(print, "PrintDummy3");
    a.PrintFitting = addItem(print, "PrintFitting", QStringLiteral("&All Text"));
    connect(a.PrintFitting, &QAction::triggered, textPane_, &TextPane::printAll);
    a.PrnSelect = addItem(print, "PrnSelect", QStringLiteral("&Selected Text"));
    connect(a.PrnSelect, &QAction::triggered, textPane_, &TextPane::printSelected);
    addSeparator(print, "PrintDummy4");
    a.CopySelect = addItem(print, "CopySelect", QStringLiteral("&Copy Selected to Clipboard"));
    a.CopySelect->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(a.CopySelect, &QAction::triggered, textPane_, &TextPane::copySelected);
    // The same command in the Edit menu, so it is there without a printer.
    edit->addAction(a.CopySelect);

    // And on the list itself, under the right mouse button.
    outFileBox_->setContextMenuPolicy(Qt::ActionsContextMenu);
    outFileBox_->addActions({a.SelectAllLines, a.CopySelect, a.SaveListAs, a.ViewReport});

    QMenu *selectPrinter = addMenu(nullptr, "PrintDummy2", QStringLiteral("&Select Printer"));
    selectPrinter->menuAction()->setVisible(false);

    QMenu *help = addMenu(nullptr, "HelpDummy", QStringLiteral("&Help"));
    a.HelpGuide = command(help, "HelpGuide", QStringLiteral("&Guide"), &MainWindow::HelpGuide);
    a.HelpGuide->setShortcut(QKeySequence(Qt::Key_F1));
    a.HelpAbout =
        command(help, "HelpAbout", QStringLiteral("&About Quillane"), &MainWindow::HelpAbout);
    rebuildRecentRuns();

    addCommandRules();
    // Every command leaves the menus following the session's state; these
    // connections come after the handlers', so they run once each is done.
    for (QAction *action : std::as_const(items_))
        connect(action, &QAction::triggered, this, &MainWindow::updateCommands);
    updateCommands();
}

// ---- which command may run when ----

QString CommandState::needFiles() const {
    return filesRead ? QString()
                     : QStringLiteral("Read the data files first (Data > Read Data Files).");
}

QString CommandState::needFitReady() const {
    if (!filesRead) return needFiles();
    if (activeCount < session::kMinActiveSets)
        return QStringLiteral(
            "At least 3 data sets must be active (Data > Select Active Data "
            "Files).");
    if (!limitsChosen)
        return QStringLiteral(
            "Set the data limits first (Data > Set Data Limits: type them, "
            "or mark them on the plot).");
    return {};
}

QString CommandState::needCurrentFit() const {
    if (!fitted) return QStringLiteral("Fit the data first (Data > Fit Data).");
    if (!fitCurrent)
        return QStringLiteral(
            "The data have changed since the last fit: fit again (Data > Fit "
            "Data).");
    return {};
}

QString CommandState::needNoWatch() const {
    return watching ? QStringLiteral(
                          "A folder is being watched: stop watching it first (Data > "
                          "Stop Watching).")
                    : QString();
}

QString CommandState::needFilesAndNoWatch() const {
    if (!filesRead) return QStringLiteral("No run has been read.");
    return needNoWatch();
}

QString CommandState::needRecentRuns() const {
    if (!recentRuns) return QStringLiteral("No run has been opened yet (File > Open Run).");
    return needNoWatch();
}

QString CommandState::needLines() const {
    return listLines ? QString() : QStringLiteral("The list holds no lines yet.");
}

QString CommandState::needUndo() const {
    return canUndoTimes ? QString() : QStringLiteral("There is nothing to undo.");
}

QString CommandState::needPrinter() const {
    return printer ? QString() : QStringLiteral("No printer is installed.");
}

QString CommandState::needLibraryFile() const {
    return libraryFile ? QString()
                       : QStringLiteral(
                             "The analysis library's file cannot be found, so the "
                             "overview cannot have a copy of its own.");
}

CommandState MainWindow::commandState() const {
    CommandState c;
    c.filesRead = session_.files_read();
    c.activeCount = session_.active_count();
    c.limitsChosen = session_.limits_chosen();
    c.fitted = session_.fitted();
    c.fitCurrent = session_.fit_current();
    c.listLines = outFileBox_->count() > 0;
    c.canUndoTimes = session_.can_undo_times();
    c.printer = !state_.PrinterNames.isEmpty();
    c.watching = watch_ && watch_->running();
    c.recentRuns = recentMenu_ && !recentMenu_->isEmpty();
    c.libraryFile = !libraryFile_.isEmpty();
    return c;
}

void MainWindow::addCommandRule(QAction *action, CommandRule rule) {
    if (!action) return;
    for (RuleEntry &entry : rules_)
        if (entry.action == action) {
            entry.rule = std::move(rule);
            return;
        }
    rules_.push_back({action, std::move(rule), action->statusTip()});
}

// One line per command; commands not named here are always there.
void MainWindow::addCommandRules() {
    const MainActions &a = actions_;
    for (QAction *action : {a.ChooseSeries, a.SetLimits, a.ToggleXI_R, a.GetNewTimes,
                            a.DSTimeToDSIndex, a.RenumberFr, a.SetupDiffer, a.PlotDummy1})
        addCommandRule(action, &CommandState::needFiles);
    addCommandRule(a.FitIt, &CommandState::needFitReady);
    for (QAction *action :
         {a.PlotdCdX_X, a.PlotdCdX_C, a.PlotDummy2, a.PlotEquilibrium, a.SaveResultsCsv})
        addCommandRule(action, &CommandState::needCurrentFit);
    // The results out and the run report need the same current fit.
    for (const char *name : {"SaveResultsJson", "ExportRunReport"})
        addCommandRule(item(QString::fromLatin1(name)), &CommandState::needCurrentFit);
    for (QAction *action : {a.SelectAllLines, a.CopySelect, a.SaveListAs})
        addCommandRule(action, &CommandState::needLines);
    addCommandRule(a.EditUndo, &CommandState::needUndo);
    addCommandRule(a.OpenRun, &CommandState::needNoWatch);
    addCommandRule(a.CloseRun, &CommandState::needFilesAndNoWatch);
    addCommandRule(a.RecentRuns, &CommandState::needRecentRuns);
    addCommandRule(item(QStringLiteral("RunOverview")), &CommandState::needLibraryFile);
    for (QAction *action : {a.PrintDummy1, a.PrintFitting, a.PrnSelect})
        addCommandRule(action, &CommandState::needPrinter);
}

void MainWindow::updateCommands() {
    // While a long call runs the session is not to be asked: every command
    // waits for it (MainBackground.cpp).
    if (busy()) {
        holdCommands();
        return;
    }
    const CommandState state = commandState();
    for (const RuleEntry &entry : rules_) {
        const QString why = entry.rule(state);
        entry.action->setEnabled(why.isEmpty());
        entry.action->setStatusTip(why.isEmpty() ? entry.tip : why);
        // Menus show no status tip for a disabled item; its tool tip does.
        entry.action->setToolTip(why);
    }
    // The captions that follow the state.
    actions_.GetDataFiles->setText(state.filesRead ? QStringLiteral("Select &Active Data Files")
                                                   : QStringLiteral("&Read Data Files"));
    const QString undo = QString::fromStdString(session_.undo_times_text());
    actions_.EditUndo->setText(undo.isEmpty() ? QStringLiteral("&Undo")
                                              : QStringLiteral("&Undo ") + undo);
    updateReadSummary();
}

void MainWindow::load() {
    // The windows behind the commands are part of the program, not options:
    // a hook left unset is a fault in how the program is put together.
    if (const std::vector<std::string> unset = hooks_.missing(); !unset.empty()) {
        std::string names;
        for (const std::string &name : unset)
            names += (names.empty() ? "" : ", ") + name;
        throw std::logic_error("the main window's hooks are not all set: " + names);
    }
    setMinimumSize(twipsToPixelsX(kMinimumTwips, this), twipsToPixelsY(kMinimumTwips, this));
    const bool printerExists = !state_.PrinterNames.isEmpty();
    libraryFile_ = fromSession(session_.library_file());
    sizeOutFileBox();

    // Lines that fit in the list, less three, so the newest line the
    // library scrolls to is never hidden under the edge.
    outFileBox_->addItem(QStringLiteral(" "));
    const int rowHeight =
        qMax(outFileBox_->sizeHintForRow(0), QFontMetrics(outFileBox_->font()).height());
    delete outFileBox_->takeItem(0);
    visibleLines_ = static_cast<int>(
        std::lround(static_cast<double>(outFileBox_->height()) / qMax(rowHeight, 1) - 3.0));
    visibleLines_ = qMax(visibleLines_, 1);

    session_.attach_list_box(LogListBox::operations(), logList_.get(), visibleLines_);

    if (printerExists) {
        textPane_->setupPrinterMenu(menus_.value(QStringLiteral("PrintDummy1")),
                                    item(QStringLiteral("PrintDummy3")));
    } else {
        // Without a printer nothing can be printed; copying stays in the
        // Edit menu, with its shortcut.
        setItemEnabled("PrintDummy2", false);
    }
    updateCommands();
    // Where the user left the window last time, or a quarter into the screen.
    if (!settings::keepGeometry(*this, kGeometryKey)) placeAtQuarter(this);
    keepOnScreen(this);
}

void MainWindow::updateListCommands() {
    updateCommands();
}

void MainWindow::ViewReport() {
    if (!report_) report_ = new ReportWindow(this);
    report_->setFile(fromSession(session_.report_path()));
    report_->show();
    report_->raise();
    report_->activateWindow();
}

void MainWindow::sizeOutFileBox() {
    const int width = this->width() - twipsToPixelsX(kListWidthMarginTwips, this);
    const int height = this->height() - twipsToPixelsY(kListHeightMarginTwips, this);
    outFileBox_->setGeometry(twipsToPixelsX(kListLeftTwips, this),
                             twipsToPixelsY(kListTopTwips, this), qMax(width, 1), qMax(height, 1));
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (isMinimized()) return;
    const int minWidth = twipsToPixelsX(kMinimumTwips, this);
    const int minHeight = twipsToPixelsY(kMinimumTwips, this);
    if (width() < minWidth || height() < minHeight)
        resize(qMax(width(), minWidth), qMax(height(), minHeight));
    sizeOutFileBox();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // The worker still uses the session and this window's list.
    if (busy()) {
        event->ignore();
        prompts_.warn(
            this, QStringLiteral("Quillane"),
            QStringLiteral("Quillane is %1.  Close the program once that is done.").arg(busyWith_));
        return;
    }
    if (!prompts_.ask(this, QStringLiteral("Quillane"), QStringLiteral("Exit Program?"))) {
        event->ignore();
        return;
    }
    if (form1_) form1_->close();
    if (report_) report_->close();
    if (guide_) guide_->close();
    if (overview_) overview_->close();
    if (state_.LegendWindowOpen == kTrue) hooks_.closeLegendWindow();
    if (state_.PlotWindowOpen == kTrue) hooks_.closePlotWindow();
    event->accept();
    emit exitConfirmed();
}

DataFilesDialog &MainWindow::form1() {
    if (!form1_) form1_ = new DataFilesDialog(state_, prompts_, this);
    return *form1_;
}

}  // namespace quillane::frontend
