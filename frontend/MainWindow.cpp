#include "MainWindow.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScrollBar>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "LogListBox.h"
#include "Prompts.h"
#include "ReportWindow.h"
#include "SessionText.h"
#include "Settings.h"
#include "TextFormat.h"
#include "TextPane.h"
#include "Twips.h"

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
    outFileBox_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logList_ = std::make_unique<LogListBox>(outFileBox_);
    textPane_ = new TextPane(state_, outFileBox_, prompts_, hooks_, this);

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
    QMenu *file = addMenu(nullptr, "FileDummy", QStringLiteral("&File"));
    connect(addItem(file, "ViewReport", QStringLiteral("View &Report")), &QAction::triggered, this,
            &MainWindow::ViewReport);
    QAction *saveList = addItem(file, "SaveListAs", QStringLiteral("Save List &As..."));
    saveList->setShortcut(QKeySequence::Save);
    connect(saveList, &QAction::triggered, textPane_, &TextPane::saveList);
    connect(addItem(file, "SaveResultsCsv", QStringLiteral("Save Results as &CSV...")),
            &QAction::triggered, this, &MainWindow::SaveResultsCsv);
    addSeparator(file, "FileSpacer");
    connect(addItem(file, "AllDone", QStringLiteral("&Exit")), &QAction::triggered, this,
            &QWidget::close);

    // Getting the lines out needs no printer.
    QMenu *edit = addMenu(nullptr, "EditDummy", QStringLiteral("&Edit"));
    QAction *selectAll = addItem(edit, "SelectAllLines", QStringLiteral("Select &All"));
    selectAll->setShortcut(QKeySequence::SelectAll);
    connect(selectAll, &QAction::triggered, textPane_, &TextPane::selectAll);

    QMenu *data = addMenu(nullptr, "DataDummy", QStringLiteral("&Data"));
    connect(addItem(data, "GetDataFiles", QStringLiteral("&Read Data Files")), &QAction::triggered,
            this, &MainWindow::GetDataFiles);
    connect(addItem(data, "ChooseSeries", QStringLiteral("Choose Se&ries...")), &QAction::triggered,
            this, &MainWindow::ChooseSeries);
    connect(addItem(data, "SetLimits", QStringLiteral("&Set Data Limits")), &QAction::triggered,
            this, &MainWindow::SetLimits);
    connect(addItem(data, "FitIt", QStringLiteral("&Fit Data")), &QAction::triggered, this,
            &MainWindow::FitIt);
    addSeparator(data, "spacer1");
    connect(addItem(data, "ToggleXI_R", QStringLiteral("&Toggle XI to R")), &QAction::triggered,
            this, &MainWindow::ToggleXI_R);
    connect(addItem(data, "GetNewTimes", QStringLiteral("&Enter New DS Times")),
            &QAction::triggered, this, &MainWindow::GetNewTimes);
    connect(addItem(data, "DSTimeToDSIndex", QStringLiteral("Set &DS Time to DS Number")),
            &QAction::triggered, this, &MainWindow::DSTimeToDSIndex);
    connect(addItem(data, "RenumberFr", QStringLiteral("Re&calculate Fringe Numbers")),
            &QAction::triggered, this, &MainWindow::RenumberFr);
    addSeparator(data, "spacer2");
    connect(addItem(data, "SetupDiffer", QStringLiteral("Set Differentiation &Parameters")),
            &QAction::triggered, this, &MainWindow::SetupDiffer);

    QMenu *plots = addMenu(nullptr, "PlotDummy0", QStringLiteral("&Plots"));
    QMenu *plotData = addMenu(plots, "PlotDummy1", QStringLiteral("Plot &Data"));
    connect(addItem(plotData, "PlotRaw", QStringLiteral("&Raw Data")), &QAction::triggered, this,
            &MainWindow::PlotRaw);
    connect(addItem(plotData, "PlotdCdX_X", QStringLiteral("&dC/dX vs Indep.Var.")),
            &QAction::triggered, this, &MainWindow::PlotdCdX_X);
    connect(addItem(plotData, "PlotdCdX_C", QStringLiteral("d&C/dX vs Dep.Var.")),
            &QAction::triggered, this, &MainWindow::PlotdCdX_C);
    QMenu *results = addMenu(plots, "PlotDummy2", QStringLiteral("&Plot &Results"));
    connect(addItem(results, "PlotRMS", QStringLiteral("&RMS vs Time")), &QAction::triggered, this,
            &MainWindow::PlotRMS);
    connect(addItem(results, "PlotVar", QStringLiteral("&Variance vs Time")), &QAction::triggered,
            this, &MainWindow::PlotVar);
    addSeparator(results, "PlotDummy4");
    connect(addItem(results, "PlotDevs", QStringLiteral("&Deviations vs Position")),
            &QAction::triggered, this, &MainWindow::PlotDevs);
    connect(addItem(results, "PlotPOffset", QStringLiteral("&Position (XI / R) Offsets vs Time")),
            &QAction::triggered, this, &MainWindow::PlotPOffset);
    connect(addItem(results, "PlotDevvsT", QStringLiteral("D&eviations vs Time (selected XI / R)")),
            &QAction::triggered, this, &MainWindow::PlotDevvsT);
    connect(addItem(plots, "PlotEquilibrium", QStringLiteral("&Equilibrium")), &QAction::triggered,
            this, &MainWindow::PlotEquilibrium);
    addSeparator(plots, "PlotDummy5");
    connect(addItem(plots, "SavePlots", QStringLiteral("&Save Plot Files")), &QAction::triggered,
            this, &MainWindow::SavePlots);

    QMenu *print = addMenu(nullptr, "PrintDummy1", QStringLiteral("P&rint"));
    QAction *printerZero = addSeparator(print, "Prn2Array_0");
    printerZero->setVisible(false);
    addSeparator(print, "PrintDummy3");
    connect(addItem(print, "PrintFitting", QStringLiteral("&All Text")), &QAction::triggered,
            textPane_, &TextPane::printAll);
    connect(addItem(print, "PrnSelect", QStringLiteral("&Selected Text")), &QAction::triggered,
            textPane_, &TextPane::printSelected);
    addSeparator(print, "PrintDummy4");
    QAction *copy = addItem(print, "CopySelect", QStringLiteral("&Copy Selected to Clipboard"));
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copy, &QAction::triggered, textPane_, &TextPane::copySelected);
    // The same command in the Edit menu, so it is there without a printer.
    edit->addAction(copy);

    // And on the list itself, under the right mouse button.
    outFileBox_->setContextMenuPolicy(Qt::ActionsContextMenu);
    outFileBox_->addActions({selectAll, copy, saveList, item(QStringLiteral("ViewReport"))});

    QMenu *selectPrinter = addMenu(nullptr, "PrintDummy2", QStringLiteral("&Select Printer"));
    selectPrinter->menuAction()->setVisible(false);

    // Start state: everything but reading files, the plot-file mode and
    // printing waits for data.
    for (const char *name :
         {"ChooseSeries", "SetLimits", "FitIt", "ToggleXI_R", "GetNewTimes", "DSTimeToDSIndex",
          "RenumberFr", "SetupDiffer", "PlotDummy1", "PlotdCdX_X", "PlotdCdX_C", "PlotDummy2",
          "PlotEquilibrium", "SaveResultsCsv"})
        setItemEnabled(name, false);
    item(QStringLiteral("ToggleXI_R"))->setVisible(false);
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
        setItemEnabled("PrintDummy1", false);
        setItemEnabled("PrintDummy2", false);
        for (const char *name : {"PrintFitting", "PrnSelect"})
            setItemEnabled(name, false);
    }
    updateListCommands();
    // Where the user left the window last time, or a quarter into the screen.
    if (!settings::keepGeometry(*this, kGeometryKey)) placeAtQuarter(this);
    keepOnScreen(this);
}

void MainWindow::updateListCommands() {
    const bool lines = outFileBox_->count() > 0;
    for (const char *name : {"SelectAllLines", "CopySelect", "SaveListAs"})
        setItemEnabled(name, lines);
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
    if (!prompts_.ask(this, QStringLiteral("Quillane"), QStringLiteral("Exit Program?"))) {
        event->ignore();
        return;
    }
    if (form1_) form1_->close();
    if (report_) report_->close();
    if (state_.LegendWindowOpen == kTrue) hooks_.closeLegendWindow();
    if (state_.PlotWindowOpen == kTrue) hooks_.closePlotWindow();
    event->accept();
    emit exitConfirmed();
}

DataFilesDialog &MainWindow::form1() {
    if (!form1_) form1_ = new DataFilesDialog(state_, prompts_, this);
    return *form1_;
}

void MainWindow::disableFitResults() {
    for (const char *name :
         {"PlotdCdX_C", "PlotdCdX_X", "PlotDummy2", "PlotEquilibrium", "SaveResultsCsv"})
        setItemEnabled(name, false);
}

}  // namespace quillane::frontend
