// SPDX-License-Identifier: MIT
// quillane-guide-shots: works through one whole analysis of the bundled
// examples in the real program, as a user would, and saves a picture of
// what the user sees at each step: the pictures of the user guide
// (docs/guide.md).  tools/guide-shots.sh runs it on a virtual screen.
//
//   quillane-guide-shots --examples DIR --work DIR --out DIR [--dark]
//
// --work is the folder the program runs in (its report and plot files go
// there; it must be new or empty), --out the folder the PNG pictures go to,
// --dark runs with a dark Fusion palette.  Settings are kept in the work
// folder, never in the user's.
#include <clocale>
#include <cstdio>
#include <functional>
#include <map>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStyleFactory>
#include <QThread>
#include <QTimer>
#include <thread>

#include "ChooseRefSetDialog.h"
#include "ColumnsPanel.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LimitsPanel.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "ReportWindow.h"
#include "ResultGraphDialogs.h"
#include "ScreenFit.h"
#include "SeriesDialog.h"
#include "StartUp.h"
#include "ViewerBridge.h"
#include "WatchController.h"
#include "WatchDialog.h"
#include "instrument_sim.h"
#include "plot_legend.h"
#include "plot_window.h"
#include "qt_support.h"

using namespace quillane::frontend;
using quillane::test_support::darkPalette;

namespace {

struct Options {
    QString examples;
    QString work;
    QString out;
    bool dark = false;
};

QString argumentAfter(const QStringList &args, const QString &name) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

// Lets the windows appear and draw themselves on the screen.
void settle(int ms = 400) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// The pictures, and the user's answers to every dialog.
class Camera : public Prompts {
  public:
    explicit Camera(const Options &options) : options_(options) {}

    std::map<QString, std::function<void(QDialog &)>> onDialog;  // by object name
    int failures = 0;
    QString firstScan = QStringLiteral("00001.RA1");  // under --examples

    // The whole screen, as the user sees it.
    void screen(const QString &name) {
        settle();
        save(name, QGuiApplication::primaryScreen()->grabWindow(0));
    }
    // One window, as it draws itself.
    void window(const QString &name, QWidget &window) {
        settle();
        save(name, window.grab());
    }

    // The next message of this title is expected: it is shown as the
    // program shows it, and its picture saved under `name`.
    void expectMessage(const QString &title, const QString &name) { expected_[title] = name; }

    // ---- Prompts ----
    void warn(QWidget *parent, const QString &title, const QString &text) override {
        if (pictureOfMessage(parent, QMessageBox::Warning, title, text)) return;
        std::fprintf(stderr, "quillane-guide-shots: unexpected message \"%s\": %s\n",
                     qPrintable(title), qPrintable(text));
        ++failures;
    }
    bool ask(QWidget *parent, const QString &title, const QString &text) override {
        pictureOfMessage(parent, QMessageBox::Question, title, text);
        return true;
    }
    bool confirm(QWidget *, const QString &, const QString &) override { return true; }
    std::optional<int> askNumber(QWidget *, const QString &, const QString &, int value, int,
                                 int) override {
        return value;
    }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return QDir(options_.examples).absoluteFilePath(firstScan);
    }
    QStringList openFileNames(QWidget *parent, const QString &title, const QString &filter,
                              const QString &folder) override {
        return {openFileName(parent, title, filter, folder)};
    }
    QString openFolder(QWidget *, const QString &, const QString &) override {
        return options_.examples;
    }
    QString saveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveAsName(QWidget *, const QString &title, const QString &, const QString &) override {
        // Results are named without an extension, as users often type them.
        if (title.startsWith(QStringLiteral("Save Results")))
            return QDir(options_.work).absoluteFilePath(QStringLiteral("results"));
        return QDir(options_.work).absoluteFilePath(QStringLiteral("list.txt"));
    }
    int execDialog(QDialog &dialog) override {
        const auto step = onDialog.find(dialog.objectName());
        if (step == onDialog.end()) {
            std::fprintf(stderr, "quillane-guide-shots: no answer for the dialog %s\n",
                         qPrintable(dialog.objectName()));
            ++failures;
            dialog.reject();
            return dialog.result();
        }
        dialog.setResult(QDialog::Rejected);
        fitDialogToScreen(dialog);  // as the program's own prompts do
        dialog.show();
        settle();
        step->second(dialog);
        if (dialog.isVisible()) dialog.reject();
        return dialog.result();
    }
    void beep() override {}

  private:
    bool pictureOfMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                          const QString &text) {
        const auto expected = expected_.find(title);
        if (expected == expected_.end()) return false;
        const QString name = expected->second;
        expected_.erase(expected);
        // As QtPrompts shows it: a warning with OK, a question with Yes and No.
        QMessageBox box(
            icon, title, text,
            icon == QMessageBox::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
            parent);
        if (icon == QMessageBox::Question) box.setDefaultButton(QMessageBox::No);
        box.show();
        window(name, box);
        box.close();
        return true;
    }

    void save(const QString &name, const QPixmap &picture) {
        const QString file = QDir(options_.out).absoluteFilePath(name + QStringLiteral(".png"));
        if (picture.isNull() || !picture.save(file)) {
            std::fprintf(stderr, "quillane-guide-shots: cannot save %s\n", qPrintable(file));
            ++failures;
            return;
        }
        std::printf("%s\n", qPrintable(file));
    }

    const Options &options_;
    std::map<QString, QString> expected_;  // message title -> picture name
};

void trigger(MainWindow &window, const char *name) {
    if (QAction *action = window.item(QString::fromLatin1(name))) action->trigger();
}

// Starts the program with its report in `folder`.
bool startWithReportIn(StartUp &startUp, const QString &folder) {
    return startUp.run(parseArguments({QStringLiteral("--output"),
                                       QDir(folder).absoluteFilePath(QStringLiteral("report.txt")),
                                       QStringLiteral("--no-splash")})) == StartUp::kRunning;
}

// Reads the scans and shows the limits plot, the dialogs answering as the
// camera's script says; null (and a message) when no plot came up.
quillane::viewer::Plotit *readAndShowLimitsPlot(StartUp &startUp) {
    MainWindow &main = *startUp.window();
    trigger(main, "GetDataFiles");
    trigger(main, "SetLimits");
    quillane::viewer::Plotit *plot = startUp.viewer()->plotWindow();
    if (!plot) std::fprintf(stderr, "quillane-guide-shots: no plot was shown\n");
    return plot;
}

int run(const Options &options) {
    Camera camera(options);
    auto &dialogs = camera.onDialog;

    dialogs[QStringLiteral("Form1")] = [&camera](QDialog &dialog) {
        auto &files = static_cast<DataFilesDialog &>(dialog);
        files.pickFile(0);
        files.loadSequence();
        files.tabs()->setCurrentIndex(0);
        files.activateWindow();
        files.includeBox(2)->setFocus();  // the row being worked on
        camera.window(QStringLiteral("02-data-files"), files);
        files.accept();
    };
    dialogs[QStringLiteral("NewDSToPlot")] = [&camera](QDialog &dialog) {
        auto &chooser = static_cast<DataSetChooserDialog &>(dialog);
        if (LimitsPanel *limits = chooser.limitsPanel()) {
            limits->lower()->setText(QStringLiteral("17.9"));
            limits->upper()->setText(QStringLiteral("25.4"));
            for (int k = 1; k <= 12; ++k)
                if (chooser.box(k)) chooser.box(k)->setChecked(true);
            camera.window(QStringLiteral("03-choose-sets-and-limits"), chooser);
        }
        chooser.plotAll();
    };
    dialogs[QStringLiteral("ChooseRefSet")] = [&camera](QDialog &dialog) {
        auto &choose = static_cast<ChooseRefSetDialog &>(dialog);
        choose.box()->setValue(12);
        camera.window(QStringLiteral("05-reference-set"), choose);
        choose.accept();
    };
    dialogs[QStringLiteral("RMSvsTime")] = [&camera](QDialog &dialog) {
        auto &rms = static_cast<RmsVsTimeDialog &>(dialog);
        for (int i = 0; i < 3; ++i)
            rms.rchoice(i)->setChecked(true);
        camera.window(QStringLiteral("07-rms-options"), rms);
        rms.accept();
    };
    dialogs[QStringLiteral("DevvsPos")] = [](QDialog &dialog) { dialog.accept(); };

    StartUp startUp(camera);
    if (!startWithReportIn(startUp, options.work)) return 1;
    MainWindow &main = *startUp.window();
    camera.window(QStringLiteral("01-main-window"), main);

    quillane::viewer::Plotit *plot = readAndShowLimitsPlot(startUp);
    if (!plot) return 1;
    camera.screen(QStringLiteral("04-limits-plot-screen"));
    camera.window(QStringLiteral("04-limits-plot"), *plot);

    trigger(main, "FitIt");
    camera.window(QStringLiteral("06-after-the-fit"), main);

    trigger(main, "PlotRMS");
    plot->TimeInHours();
    plot->ShowIt();
    camera.screen(QStringLiteral("08-rms-vs-time-screen"));
    camera.window(QStringLiteral("08-rms-vs-time"), *plot);
    if (plot->legend()) camera.window(QStringLiteral("08-rms-legend"), *plot->legend());

    trigger(main, "PlotDevs");
    camera.window(QStringLiteral("09-deviations"), *plot);
    if (plot->legend()) camera.window(QStringLiteral("09-deviations-legend"), *plot->legend());

    trigger(main, "PlotEquilibrium");
    camera.screen(QStringLiteral("15-equilibrium-screen"));
    camera.window(QStringLiteral("15-equilibrium"), *plot);
    if (plot->legend()) plot->legend()->close();

    trigger(main, "SaveResultsCsv");
    trigger(main, "SaveResultsJson");
    camera.window(QStringLiteral("16-results-saved"), main);

    trigger(main, "ViewReport");
    if (ReportWindow *reportWindow = main.reportWindow()) {
        reportWindow->findBox()->setText(QStringLiteral("Average values"));
        reportWindow->findNext();
        camera.window(QStringLiteral("10-report"), *reportWindow);
        reportWindow->close();
    }

    main.raise();
    main.activateWindow();
    trigger(main, "SelectAllLines");
    QMenu *edit = main.findChild<QMenu *>(QStringLiteral("EditDummy"));
    if (edit) {
        const QRect item = main.menuBar()->actionGeometry(edit->menuAction());
        edit->popup(main.menuBar()->mapToGlobal(item.bottomLeft()));
        camera.screen(QStringLiteral("11-edit-menu-screen"));
        edit->hide();
    }
    trigger(main, "SaveListAs");

    main.close();
    settle(100);
    return camera.failures == 0 ? 0 : 1;
}

// The multi-speed run (examples/multispeed/): the series dialog after
// reading, and the solution columns beside the limits.
int runSeries(const Options &options) {
    Camera camera(options);
    camera.firstScan = QStringLiteral("multispeed/00001.RA2");
    auto &dialogs = camera.onDialog;
    dialogs[QStringLiteral("Form1")] = [](QDialog &dialog) {
        auto &files = static_cast<DataFilesDialog &>(dialog);
        files.pickFile(0);
        files.loadSequence();
        files.accept();
    };
    dialogs[QStringLiteral("ChooseSeries")] = [&camera](QDialog &dialog) {
        auto &series = static_cast<SeriesDialog &>(dialog);
        series.pick(3);
        camera.window(QStringLiteral("12-series"), series);
        series.accept();
    };
    dialogs[QStringLiteral("NewDSToPlot")] = [&camera](QDialog &dialog) {
        auto &chooser = static_cast<DataSetChooserDialog &>(dialog);
        if (ColumnsPanel *columns = chooser.columnsPanel()) {
            if (QPushButton *second = columns->button(2)) second->click();
            for (int k = 1; k <= 6; ++k)
                if (chooser.box(k)) chooser.box(k)->setChecked(true);
            camera.window(QStringLiteral("13-solution-columns"), chooser);
        }
        chooser.plotAll();
    };

    const QString work = QDir(options.work).absoluteFilePath(QStringLiteral("series"));
    if (!QDir().mkpath(work) || !QDir::setCurrent(work)) return 1;
    StartUp startUp(camera);
    if (!startWithReportIn(startUp, work)) return 1;
    quillane::viewer::Plotit *plot = readAndShowLimitsPlot(startUp);
    if (!plot) return 1;
    camera.window(QStringLiteral("14-column-limits"), *plot);
    startUp.window()->close();
    settle(100);
    return camera.failures == 0 ? 0 : 1;
}

// The simulated six-channel run of the guide: cell 1, 10,000, 14,000 and
// 20,000 rpm one after the other, eight scans at 280 nm three hours apart at
// each speed, seed 23.  The same run as
//   simulate_run run --seed 23 --cells 1:six --speeds 10000,14000,20000
//                --wavelengths 280 --scans 8 --interval-h 3 --tau-h 6,4.5,3
quillane::sim::RunSpec simulatedRun() {
    quillane::sim::RunSpec run;
    run.seed = 23;
    run.cells = {{1, quillane::sim::Centerpiece::six_channel, {}}};
    run.speeds = {{10000.0, 8, 3.0, 6.0}, {14000.0, 8, 3.0, 4.5}, {20000.0, 8, 3.0, 3.0}};
    run.wavelengths_nm = {280.0};
    return run;
}
constexpr int kFollowedSeries = 3;  // 20,000 rpm: at equilibrium within the run

// Reads the 20,000 rpm series of the simulated run, uses its outermost
// solution column, fits it and shows the Equilibrium plot.
int runSimulated(const Options &options) {
    const QString work = QDir(options.work).absoluteFilePath(QStringLiteral("simulated"));
    const QString folder = QDir(work).absoluteFilePath(QStringLiteral("run"));
    std::string error;
    quillane::sim::write_run(QFile::encodeName(folder).toStdString(), simulatedRun(), {}, error);
    if (!error.empty() || !QDir::setCurrent(work)) {
        std::fprintf(stderr, "quillane-guide-shots: %s\n", error.c_str());
        return 1;
    }
    Camera camera(options);
    camera.firstScan = QDir(folder).absoluteFilePath(QStringLiteral("00001.RA1"));
    auto &dialogs = camera.onDialog;
    dialogs[QStringLiteral("Form1")] = [](QDialog &dialog) {
        auto &files = static_cast<DataFilesDialog &>(dialog);
        files.pickFile(0);
        files.loadSequence();
        files.accept();
    };
    dialogs[QStringLiteral("ChooseSeries")] = [&camera](QDialog &dialog) {
        auto &series = static_cast<SeriesDialog &>(dialog);
        series.pick(kFollowedSeries);
        camera.window(QStringLiteral("17-run-series"), series);
        series.accept();
    };
    dialogs[QStringLiteral("NewDSToPlot")] = [&camera](QDialog &dialog) {
        auto &chooser = static_cast<DataSetChooserDialog &>(dialog);
        if (ColumnsPanel *columns = chooser.columnsPanel()) {
            if (QPushButton *third = columns->button(3)) third->click();
            camera.window(QStringLiteral("18-run-columns"), chooser);
        }
        chooser.plotAll();
    };
    dialogs[QStringLiteral("ChooseRefSet")] = [](QDialog &dialog) { dialog.accept(); };
    // The column holds fewer points than the default span: the program says
    // so and offers the largest span that fits.
    camera.expectMessage(QCoreApplication::applicationName(), QStringLiteral("19-run-span"));
    camera.expectMessage(QStringLiteral("Points per Fit"), QStringLiteral("19-run-span-offer"));

    StartUp startUp(camera);
    if (!startWithReportIn(startUp, work)) return 1;
    MainWindow &main = *startUp.window();
    quillane::viewer::Plotit *plot = readAndShowLimitsPlot(startUp);
    if (!plot) return 1;
    camera.window(QStringLiteral("19-run-column-limits"), *plot);
    trigger(main, "FitIt");
    trigger(main, "PlotEquilibrium");
    camera.screen(QStringLiteral("20-run-equilibrium-screen"));
    camera.window(QStringLiteral("20-run-equilibrium"), *plot);
    main.close();
    settle(100);
    return camera.failures == 0 ? 0 : 1;
}

// Waits, the program working, until `done` or `ms` have passed.
bool settleUntil(const std::function<bool()> &done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return done();
}

// The live watch on a folder the simulated instrument writes scan by scan,
// each file in four pieces a little apart: the 20,000 rpm series again.
int runWatch(const Options &options) {
    const QString work = QDir(options.work).absoluteFilePath(QStringLiteral("watch"));
    const QString folder = QDir(work).absoluteFilePath(QStringLiteral("run"));
    if (!QDir().mkpath(folder) || !QDir::setCurrent(work)) return 1;
    const quillane::sim::RunTruth plan = quillane::sim::plan_run(simulatedRun());
    const quillane::sim::Series series =
        quillane::sim::simulate_series(plan.series[kFollowedSeries - 1].setup);
    const auto fileOf = [&folder](size_t k) {
        char name[16];
        std::snprintf(name, sizeof name, "%05zu.RA1", k + 1);
        return QFile::encodeName(QDir(folder).absoluteFilePath(QString::fromLatin1(name)))
            .toStdString();
    };
    std::string error;
    for (size_t k = 0; k < 2; ++k)  // two scans are there when the watch starts
        quillane::sim::write_scan(fileOf(k), series.scans[k], error);

    Camera camera(options);
    camera.onDialog[QStringLiteral("WatchFolder")] = [&camera, &folder](QDialog &dialog) {
        auto &watch = static_cast<WatchDialog &>(dialog);
        watch.folderField()->setText(folder);
        watch.patternField()->setText(QStringLiteral("*.RA1"));
        watch.intervalBox()->setValue(0.5);
        watch.listSeries();
        watch.seriesBox()->setCurrentIndex(1);
        camera.window(QStringLiteral("21-watch-dialog"), watch);
        watch.accept();
    };
    StartUp startUp(camera);
    if (!startWithReportIn(startUp, work)) return 1;
    MainWindow &main = *startUp.window();
    trigger(main, "WatchFolder");
    WatchController *watch = main.watchController();
    if (!watch || !watch->running()) {
        std::fprintf(stderr, "quillane-guide-shots: the watch did not start\n");
        return 1;
    }
    int analysed = 0;
    QObject::connect(watch, &WatchController::analysed,
                     [&analysed](int scans) { analysed = scans; });
    for (size_t k = 2; k < series.scans.size(); ++k) {
        const std::string text = quillane::sim::scan_text(series.scans[k]);
        std::string failed;
        std::thread writer(
            [&] { quillane::sim::write_in_chunks(fileOf(k), text, 4, 600, failed); });
        const int scans = static_cast<int>(k) + 1;
        const bool seen = settleUntil([&] { return analysed >= scans; }, 20000);
        writer.join();
        if (!seen || !failed.empty()) {
            std::fprintf(stderr, "quillane-guide-shots: the watch did not take scan %d %s\n", scans,
                         failed.c_str());
            ++camera.failures;
            break;
        }
        if (scans == 4) camera.screen(QStringLiteral("22-watch-screen"));
    }
    camera.screen(QStringLiteral("23-watch-equilibrium-screen"));
    watch->stop();
    main.close();
    settle(100);
    return camera.failures == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList args = QApplication::arguments();
    Options options;
    options.examples = argumentAfter(args, QStringLiteral("--examples"));
    options.work = argumentAfter(args, QStringLiteral("--work"));
    options.out = argumentAfter(args, QStringLiteral("--out"));
    options.dark = args.contains(QStringLiteral("--dark"));
    if (options.examples.isEmpty() || options.work.isEmpty() || options.out.isEmpty()) {
        std::fprintf(stderr,
                     "Usage: quillane-guide-shots --examples DIR --work DIR --out DIR [--dark]\n");
        return 2;
    }
    if (QDir(options.work).exists() && !QDir(options.work).isEmpty()) {
        std::fprintf(stderr, "quillane-guide-shots: %s is not empty\n", qPrintable(options.work));
        return 2;
    }
    if (!QDir().mkpath(options.work) || !QDir().mkpath(options.out) ||
        !QDir::setCurrent(options.work)) {
        std::fprintf(stderr, "quillane-guide-shots: cannot use %s and %s\n",
                     qPrintable(options.work), qPrintable(options.out));
        return 2;
    }
    // The pictures show the program as it starts the first time.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, options.work);
    qputenv("QUILLANE_LOCK_FILE", QFile::encodeName(QDir(options.work).filePath("lock")));

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (options.dark) QApplication::setPalette(darkPalette());
    for (const auto &pass : {run, runSeries, runSimulated, runWatch})
        if (const int walked = pass(options); walked != 0) return walked;
    return 0;
}
