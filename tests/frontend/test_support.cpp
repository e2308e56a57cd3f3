// SPDX-License-Identifier: MIT
#include "test_support.h"

#include "DataFilesDialog.h"
#include "LibraryBinding.h"
#include "SessionText.h"
#include "scan_files.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

namespace quillane::frontend::testing {

namespace {

// The program's settings go to a scratch folder of each test process, never
// to the user's: windows start where they would on a first run.
void scratchSettings() {
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}
Q_COREAPP_STARTUP_FUNCTION(scratchSettings)

}  // namespace

CallRecord::CallRecord() {
    path_ = dir_.filePath(QStringLiteral("calls.txt"));
    qputenv("QUILLANE_RECORD_FILE", QFile::encodeName(path_));
}

void CallRecord::clear() {
    QFile::remove(path_);
}

QStringList CallRecord::lines() const {
    QStringList result;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return result;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty()) result << QString::fromLocal8Bit(line);
    return result;
}

QStringList CallRecord::names() const {
    QStringList result;
    for (const QString &line : lines())
        result << line.section(QLatin1Char(' '), 0, 0);
    return result;
}

QString writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
    return QFileInfo(path).absoluteFilePath();
}

QByteArray scanFileContent(int number) {
    return QByteArray::fromStdString(
        quillane::test_support::scan_text(quillane::test_support::small_scan(number)));
}

WorkingFolder::WorkingFolder() {
    qputenv("QUILLANE_LOCK_FILE", QFile::encodeName(file(QStringLiteral("lock"))));
}

void fillHooks(Hooks &hooks) {
    hooks.chooseRefSet = [](QWidget *, int current) { return current; };
    hooks.differParms = [](QWidget *) { return std::optional<DifferChoice>(); };
    hooks.showSpanWarning = [](QWidget *) {};
    hooks.rmsVsTime = [](QWidget *, const QString &) {
        return std::optional<session::GraphRequest>();
    };
    hooks.devVsPos = [](QWidget *) { return std::optional<session::GraphRequest>(); };
    hooks.devsVsTime = [](QWidget *) { return std::optional<session::GraphRequest>(); };
    hooks.newDSToPlot = [](QWidget *, bool) { return std::vector<int>(); };
    // The limits chooser offers the plot's data sets, as the plain chooser a
    // test sets answers them; no limits are typed.
    hooks.chooseForLimits = [&hooks](QWidget *parent) {
        return LimitsChoice{hooks.newDSToPlot(parent, false), std::nullopt};
    };
    hooks.loadPlotWindow = [] {};
    hooks.showPlot = [](const PlotContent &) {};
    hooks.disposePlotFile = [] {};
    hooks.showPlotWindow = [] {};
    hooks.redrawPlot = [] {};
    hooks.closePlotWindow = [] {};
    hooks.closeLegendWindow = [] {};
    hooks.setViewerPrinterChecked = [](int, bool) {};
}

void StandInWindowTest::loadLibrary() {
    QVERIFY2(library_.load(), qPrintable(library_.error()));
}

void StandInWindowTest::openWindow() {
    dir_ = std::make_unique<QTemporaryDir>();
    state_ = std::make_unique<AppState>();
    state_->OutFileName = dir_->filePath(QStringLiteral("out.txt"));
    prompts_ = std::make_unique<RecordingPrompts>();
    session_ = std::make_unique<session::Session>(library_.exports());
    std::string error;
    QVERIFY(session_->create_report(toSession(state_->OutFileName), error));
    session_->set_plot_file(toSession(dir_->filePath(QStringLiteral("plot.dat"))));
    window_ = std::make_unique<MainWindow>(*state_, *session_, *prompts_);
    fillHooks(window_->hooks());
    // The viewer takes each plot file away once shown; the library writes
    // no plot over one still there.
    window_->hooks().disposePlotFile = [path = dir_->filePath(QStringLiteral("plot.dat"))] {
        QFile::remove(path);
    };
    window_->load();
    const double low = 16.0, high = 26.0;
    library_.exports().setxirange(&low, &high);
    record_.clear();
}

void StandInWindowTest::closeWindow() {
    prompts_->answers.push_back(true);
    window_.reset();
}

void WholeProgramTest::prepare() {
    quietOffscreenNotes();
    dir_ = std::make_unique<WorkingFolder>();
    prompts_.onDialog = [this](QDialog &dialog) { answerDialog(dialog); };
}

bool WholeProgramTest::start() {
    startUp_ = std::make_unique<StartUp>(prompts_);
    return startUp_->run(parseArguments({QStringLiteral("--output"), reportPath(),
                                         QStringLiteral("--no-splash")})) == StartUp::kRunning;
}

void WholeProgramTest::finish() {
    prompts_.answers.push_back(true);  // "Exit Program?"
    startUp_.reset();
    dir_.reset();
}

void WholeProgramTest::trigger(const char *name) {
    QAction *action = window().item(QString::fromLatin1(name));
    QVERIFY2(action && action->isEnabled(), name);
    action->trigger();
}

std::pair<double, double> WholeProgramTest::libraryLimits() {
    double low = 0, high = 0;
    startUp_->library().exports().getxirange(&low, &high);
    return {low, high};
}

double contrastRatio(const QColor &a, const QColor &b) {
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool everyTabInView(const QTabWidget &tabs) {
    const QTabBar *bar = tabs.tabBar();
    for (const QToolButton *arrow : bar->findChildren<QToolButton *>())
        if (arrow->isVisible()) return false;
    for (int i = 0; i < bar->count(); ++i)
        if (!bar->rect().contains(bar->tabRect(i))) return false;
    return true;
}

void screenShot(const char *dirVariable, const QString &name) {
    const QString dir = qEnvironmentVariable(dirVariable);
    if (dir.isEmpty()) return;
    QTest::qWait(300);  // the window manager draws the frames first
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QLatin1Char('/') + name +
                                                         QStringLiteral(".png"));
}

bool WholeProgramTest::readSequenceFrom(QDialog &dialog, const QString &first) {
    auto *files = qobject_cast<DataFilesDialog *>(&dialog);
    if (!files) return false;
    prompts_.openNames.push_back(first);
    files->loadSequence();
    files->accept();
    return true;
}

bool sameLines(const QStringList &actual, const QStringList &expected) {
    if (actual == expected) return true;
    qWarning().noquote() << "actual:\n  " + actual.join(QStringLiteral("\n  "));
    qWarning().noquote() << "expected:\n  " + expected.join(QStringLiteral("\n  "));
    return false;
}

}  // namespace quillane::frontend::testing
