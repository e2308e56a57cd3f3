// SPDX-License-Identifier: MIT
// The plot window: its menu, showing and disposing of plots, zoom, the
// mouse choice of the data range, the style commands, the legend, and
// copying, saving and printing.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "plot_heading.h"
#include "plot_window.h"
#include "scan_files.h"
#include "viewer_test_support.h"

using namespace quillane::viewer;
using namespace viewer_test;

namespace {

// Data from 0 to 9 on both axes, which the tick rounding turns into axes
// from 0 to 10: a data unit is exactly 10 plot units.
PlotFileContent ninePoints() {
    PlotFileContent content;
    content.points = {{1, 1, 2}, {2, 2, 2}, {4, 4, 2}, {9, 9, 2}, {6, 3, 2}, {0.5f, 8, 2}};
    content.points.push_back({0, 0, -56});  // not drawn, but part of the range
    return content;
}

struct Viewer {
    explicit Viewer(const QString &folder) : host(folder) {
        window = std::make_unique<Plotit>(host);
        window->setMessageHook(messages.hook());
        window->setSleeper([this](int ms) { sleeps.push_back(ms); });
        window->setPrinterNames({"Alpha", "Beta"});
    }
    void show(const PlotFileContent &content) {
        writePlotFile(host.plot_file, content);
        window->ShowPlot();
    }
    // Shows `content` as the limits plot, the data limits at 2 and 8.
    void showLimitsPlot(const PlotFileContent &content) {
        host.limits_mode = true;
        host.x_low = 2.0;
        host.x_high = 8.0;
        show(content);
    }
    QAction *action(const char *name) const { return window->findChild<QAction *>(name); }

    RecordingHost host;
    MessageRecorder messages;
    std::vector<int> sleeps;
    std::unique_ptr<Plotit> window;
};

QStringList texts(const std::vector<Message> &messages) {
    QStringList list;
    for (const Message &m : messages)
        list << m.title + ": " + m.text;
    return list;
}

}  // namespace

class PlotWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { quietOffscreenNotes(); }

    // ---- the window ----
    void theMenuCarriesTheCommandsUnderTheirNames() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        const std::pair<const char *, const char *> commands[] = {{"Zoomout", "&ZoomOut"},
                                                                  {"ShowEm", "&Hide (X,Y)"},
                                                                  {"PrnPlot", "&Print"},
                                                                  {"Nolines", "&Omit Lines"},
                                                                  {"LargePoints", "&Small Symbols"},
                                                                  {"UseFilled", "&Filled Symbols"},
                                                                  {"Col_Sym", "&Cycle Symbols 1st"},
                                                                  {"ClipPrn", "To &Clipboard"},
                                                                  {"SaveBMP", "To &File (Bitmap)"},
                                                                  {"SavePlotNow", "S&avePlot"},
                                                                  {"ShowIt", "Show &Legend"}};
        for (const auto &[name, caption] : commands) {
            QAction *action = viewer.action(name);
            QVERIFY2(action, name);
            QCOMPARE(action->text(), QString(caption));
        }
        const std::pair<const char *, const char *> menus[] = {
            {"dummy1", "&Printer"}, {"PlotStyle", "S&tyle"}, {"Copyit", "&Copy"}};
        for (const auto &[name, caption] : menus) {
            QMenu *menu = viewer.window->findChild<QMenu *>(name);
            QVERIFY2(menu, name);
            QCOMPARE(menu->title(), QString(caption));
        }
        QVERIFY(!viewer.action("Zoomout")->isEnabled());
        QVERIFY(!viewer.action("SavePlotNow")->isVisible());
        QVERIFY(!viewer.action("SavePlotNow")->isEnabled());
        QVERIFY(viewer.action("Dummy0")->isSeparator());
        const auto printers = viewer.window->findChildren<QAction *>("PrnArray");
        QCOMPARE(printers.size(), 2);
        QCOMPARE(printers[0]->text(), QString("Alpha"));
    }

    void theCloseButtonPutsThePlotAwayUntilTheNextOne() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        Plotit &w = *viewer.window;
        w.ShowIt();
        QVERIFY(w.isVisible() && w.legend()->isVisible());
        w.close();  // the window's close button
        QVERIFY(!w.isVisible());
        QVERIFY(!w.legend()->isVisible());
        QVERIFY(viewer.action("ShowIt")->isEnabled());
        QVERIFY(viewer.host.plot_window_open);  // still there, style and all
        viewer.show(ninePoints());
        QVERIFY(w.isVisible());
        QVERIFY(w.state().DataLoaded);
    }

    // A long answer in a small window (a laptop screen at 200 %): the answer,
    // the canvas and the status line each keep their own room, so the status
    // line never covers the plot's axis.
    void aLongAnswerInASmallWindowLeavesTheCanvasWhole() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        PlotAnswer answer;
        answer.text = QStringLiteral(
            "Equilibrium reached by scan 5 (t = 66.000 h); forecast: "
            "equilibrium at 61.70 h");
        answer.note =
            QString(QStringLiteral("Each point is a scan's RMS difference. ")).repeated(6);
        w.setAnswer(answer);
        viewer.show(ninePoints());
        w.ShowIt();
        w.resize(340, 200);
        QTest::qWait(50);
        const QWidget *bar = w.findChild<QWidget *>(QStringLiteral("AnswerBar"));
        const QWidget *status =
            w.findChild<QWidget *>(QStringLiteral("OutFileLbl"))->parentWidget();
        const QRect canvas = w.canvas()->geometry();
        QVERIFY(bar->geometry().bottom() < canvas.top());
        QVERIFY2(canvas.bottom() < status->geometry().top(),
                 qPrintable(QStringLiteral("canvas ends at %1, the status line begins at %2")
                                .arg(canvas.bottom())
                                .arg(status->geometry().top())));
        QVERIFY(canvas.height() >= w.canvas()->minimumHeight());
    }

    void theProgramClosesTheWindowForGood() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        writePlotFile(viewer.host.temp_file, ninePoints());
        viewer.window->unload();
        QVERIFY(!viewer.window->isVisible());
        QVERIFY(!QFile::exists(viewer.host.temp_file));
        QVERIFY(!viewer.host.plot_window_open);
    }

    void loadingTakesSixtyFivePercentOfTheScreenAndClearsTheTemporaryPlot() {
        ScratchFolder folder;
        RecordingHost host(folder.path());
        writePlotFile(host.temp_file, ninePoints());
        QFile("plot_004.dat").open(QIODevice::WriteOnly);
        Plotit window(host);
        QVERIFY(host.plot_window_open);
        QVERIFY(!QFile::exists(host.temp_file));
        QCOMPARE(window.state().PlotNumber, 4);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(window.width(), static_cast<int>(screen.width() * 0.65));
        QCOMPARE(window.height(), static_cast<int>(screen.height() * 0.65));
        // Toward the lower right, clear of the main window's menu bar at the
        // upper left.
        QVERIFY(window.x() >= screen.left() + screen.width() / 4);
        QVERIFY(window.y() >= screen.top() + screen.height() / 4);
        QVERIFY(screen.contains(window.geometry()));
    }

    void theWindowLeavesTheMainWindowsOutputListInViewAt1366x768() {
        // A laptop screen with a panel, and the main window where it opens:
        // a quarter into the screen, 720 x 480 and its frame.
        const QRect screen(0, 0, 1366, 736);
        const QRect main(161, 64, 722, 510);
        const QSize plot(static_cast<int>(screen.width() * 0.65),
                         static_cast<int>(screen.height() * 0.65));
        const QRect placed(plotWindowPlace(screen, plot, main), plot);
        QVERIFY(screen.contains(placed));
        // The main window's left part stays uncovered from top to bottom:
        // its menu bar and at least a third of its output list.
        QVERIFY2(placed.left() - main.left() >= main.width() / 3,
                 qPrintable(QString::number(placed.left())));
        // A main window on the right half: the plot goes to the left.
        const QRect right(600, 64, 722, 510);
        QCOMPARE(plotWindowPlace(screen, plot, right).x(), screen.left());
    }

    void theDefaultPrinterIsCheckedAndAChoiceIsPassedToTheMainWindow() {
        ScratchFolder folder;
        RecordingHost host(folder.path());
        host.default_printer = " Beta ";
        Plotit window(host);
        window.setPrinterNames({"Alpha", "Beta"});
        auto printers = window.findChildren<QAction *>("PrnArray");
        QVERIFY(!printers[0]->isChecked());
        QVERIFY(printers[1]->isChecked());
        window.PrnArray(0);
        QVERIFY(printers[0]->isChecked());
        QVERIFY(!printers[1]->isChecked());
        QCOMPARE(host.calls, QStringList({"printerChosen 0 Alpha"}));
        window.checkPrinter(1);  // chosen in the main window
        QVERIFY(printers[1]->isChecked());
        QCOMPARE(host.calls.size(), 1);
    }

    void withoutPrintersThereIsNothingToPrintOn() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.window->setPrinterNames({});
        QVERIFY(!viewer.action("PrnPlot")->isEnabled());
        viewer.window->PrnPlot();  // does nothing, and does not fail
    }

    // ---- showing and disposing ----
    void showingAPlotSetsTheCaptionAndReportsReadingProgress() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        QVERIFY(viewer.window->state().DataLoaded);
        QCOMPARE(viewer.window->windowTitle(),
                 plotCaption("Quillane V0.99  ", viewer.host.plot_file));
        QCOMPARE(viewer.host.progress.first(), QString("show Reading Data"));
        QCOMPARE(viewer.host.progress.last(), QString("hide"));
        QVERIFY(viewer.messages.messages.empty());
        QCOMPARE(viewer.window->axes().x.lo, 0.0f);
        QCOMPARE(viewer.window->axes().x.hi, 10.0f);
    }

    void aFileWithoutDataIsReportedWithItsName() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(PlotFileContent{});
        QCOMPARE(texts(viewer.messages.messages),
                 QStringList({"Data File Error: The Current File Contained No Data!\n" +
                              viewer.host.plot_file}));
        QVERIFY(!viewer.window->state().DataLoaded);
        QCOMPARE(viewer.window->windowTitle(), QString("Quillane V0.99  "));
    }

    void aFileThatCannotBeOpenedIsReportedInsteadOfShowingTheLastPlot() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        viewer.window->DisposePlotFile();
        QVERIFY(viewer.window->ShowPlot() == false);
        QCOMPARE(viewer.sleeps, std::vector<int>({500, 500, 500}));
        QCOMPARE(texts(viewer.messages.messages),
                 QStringList({"Data File Error: The Plot File Could Not Be Opened!\n" +
                              viewer.host.plot_file}));
        QVERIFY(!viewer.window->state().DataLoaded);
        const DisposeResult result = viewer.window->DisposePlotFile();
        QVERIFY(result.failed);
        QCOMPARE(viewer.window->outFileLabel()->text(), result.out_file_label);
    }

    void aMarkedPlotOffersSavePlotWhichSavesIntoTheChosenFolder() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        PlotFileContent content = ninePoints();
        content.delete_marker = true;
        viewer.show(content);
        const QByteArray original = readFile(viewer.host.plot_file);
        viewer.window->DisposePlotFile();
        QCOMPARE(viewer.window->outFileLabel()->text(), QString("Plot File To Be Deleted"));
        QVERIFY(viewer.action("SavePlotNow")->isVisible());
        QVERIFY(viewer.action("SavePlotNow")->isEnabled());

        // Cancel ends the command silently.
        viewer.window->setSaveFileHook(
            [](QWidget *, const QString &, const QString &, QString *) { return QString(); });
        viewer.window->SavePlotNow();
        QVERIFY(QFile::exists(viewer.host.temp_file));
        QVERIFY(viewer.action("SavePlotNow")->isEnabled());

        QVERIFY(QDir(folder.path()).mkdir("kept"));
        // A pipe chosen is refused and stays; the plot can still be saved.
        const QString pipe = folder.file("kept/pipe.dat");
        QVERIFY(quillane::test_support::make_node(pipe.toStdString(),
                                                  quillane::test_support::Node::pipe));
        viewer.window->setSaveFileHook(
            [&](QWidget *, const QString &, const QString &, QString *) { return pipe; });
        viewer.window->SavePlotNow();
        QVERIFY(viewer.window->outFileLabel()->text().endsWith(
            "it is a named pipe, not a file, and is left as it is"));
        QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
        QVERIFY(viewer.action("SavePlotNow")->isEnabled());
        const QString chosen = folder.file("kept/first");
        QString filter_offered;
        viewer.window->setSaveFileHook(
            [&](QWidget *, const QString &, const QString &filter, QString *) {
                filter_offered = filter;
                return chosen;
            });
        viewer.window->SavePlotNow();
        QCOMPARE(filter_offered, QString("Plot Files (*.dat)"));
        QCOMPARE(readFile(chosen + ".dat"), original);
        QVERIFY(!QFile::exists(viewer.host.temp_file));
        QVERIFY(!viewer.action("SavePlotNow")->isVisible());
        QVERIFY(!viewer.action("SavePlotNow")->isEnabled());
        QCOMPARE(viewer.window->outFileLabel()->text(), QString(" "));
        QCOMPARE(viewer.host.work_dir, folder.file("kept") + "/");

        // Later kept plots are numbered in the folder chosen.
        viewer.show(ninePoints());
        viewer.window->DisposePlotFile();
        QVERIFY(QFile::exists(folder.file("kept/plot_000.dat")));
    }

    // ---- zoom ----
    void aZoomBoxStartingLeftOfTheAxisStartsOneHundredthInside() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        const ZoomResult zoom = ZoomToBox(QPointF(-10, 5), QPointF(45, 45),
                                          viewer.window->currentScale(), viewer.window->state());
        QCOMPARE(zoom.outcome, ZoomOutcome::zoomed);
        QCOMPARE(zoom.x1, 0.1f);
        QCOMPARE(zoom.y1, 0.5f);
        QCOMPARE(zoom.x2, 4.5f);
        const ZoomResult wide = ZoomToBox(QPointF(50, 50), QPointF(105, 130),
                                          viewer.window->currentScale(), viewer.window->state());
        QCOMPARE(wide.x2, 9.9f);
        QCOMPARE(wide.y2, 9.9f);
    }

    void pointsOnTheZoomBoxEdgesCount() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        // (2, 2) and (4, 4) lie on the corners of the box.
        const ZoomResult zoom = ZoomToBox(QPointF(20, 20), QPointF(40, 40),
                                          viewer.window->currentScale(), viewer.window->state());
        QCOMPARE(zoom.outcome, ZoomOutcome::zoomed);
        const ZoomResult one = ZoomToBox(QPointF(20, 20), QPointF(39, 39),
                                         viewer.window->currentScale(), viewer.window->state());
        QCOMPARE(one.outcome, ZoomOutcome::single_point);
    }

    void aDragZoomsIntoTheBoxAndZoomOutRestoresTheData() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        Plotit &w = *viewer.window;
        w.mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(15, 15));
        w.mouseMove(QPointF(30, 30));
        QVERIFY(w.canvas()->rubberBandShown());
        w.mouseMove(QPointF(45, 45));
        // The box ends where the pointer last moved, not where it rose.
        w.mouseUp(Qt::LeftButton, Qt::NoModifier, QPointF(90, 90));
        QVERIFY(!w.canvas()->rubberBandShown());
        QVERIFY(viewer.messages.messages.empty());
        QCOMPARE(w.state().XMin, 1.5f);
        QCOMPARE(w.state().XMax, 4.5f);
        QVERIFY(viewer.action("Zoomout")->isEnabled());
        QVERIFY(w.axes().x.hi < 10.0f);
        w.Zoomout();
        QCOMPARE(w.state().XMin, 0.0f);
        QCOMPARE(w.state().XMax, 9.0f);
        QCOMPARE(w.axes().x.hi, 10.0f);
        QVERIFY(!viewer.action("Zoomout")->isEnabled());
    }

    void aClickWithoutMovingDoesNothing() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        Plotit &w = *viewer.window;
        w.mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(50, 50));
        w.mouseUp(Qt::LeftButton, Qt::NoModifier, QPointF(50, 50));
        w.mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(50, 50));
        w.mouseMove(QPointF(50, 80));  // a box of zero width
        w.mouseUp(Qt::LeftButton, Qt::NoModifier, QPointF(50, 80));
        QVERIFY(viewer.messages.messages.empty());
        QCOMPARE(w.state().XMax, 9.0f);
        QVERIFY(!viewer.action("Zoomout")->isEnabled());
    }

    void aBoxWithNoOrOnePointIsRefusedWithAMessage() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        Plotit &w = *viewer.window;
        w.mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(70, 70));
        w.mouseMove(QPointF(80, 80));
        w.mouseUp(Qt::LeftButton, Qt::NoModifier, QPointF(80, 80));
        w.mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(35, 35));
        w.mouseMove(QPointF(45, 45));
        w.mouseUp(Qt::LeftButton, Qt::NoModifier, QPointF(45, 45));
        QCOMPARE(texts(viewer.messages.messages),
                 QStringList({"Error in Zooming: There Were No Data Within the Zoom-In Box!",
                              "Error in Zooming: You CANNOT Zoom Around a Single Point!"}));
        QCOMPARE(w.state().XMax, 9.0f);
    }

    void theCoordinateReadoutFollowsThePointerAndShowEmHidesIt() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        Plotit &w = *viewer.window;
        w.mouseMove(QPointF(25, 75));
        QCOMPARE(w.xyLabel()->text(), QString(" X= 2.5000E+00, Y= 7.500E+00"));
        w.ShowEm();
        QCOMPARE(viewer.action("ShowEm")->text(), QString("&Show (X,Y)"));
        QVERIFY(!w.showCoords());
        w.mouseMove(QPointF(50, 50));
        QCOMPARE(w.xyLabel()->text(), QString(" X= 2.5000E+00, Y= 7.500E+00"));
        w.ShowEm();
        QCOMPARE(viewer.action("ShowEm")->text(), QString("&Hide (X,Y)"));
    }

    // ---- data limits ----
    void ctrlClickSetsTheLowerLimitThroughTheLibrary() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.showLimitsPlot(ninePoints());
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier, QPointF(30, 50));
        QCOMPARE(viewer.host.x_low, 3.0);
        QCOMPARE(viewer.host.calls, QStringList({"applyLimits 3 8"}));
    }

    void altClickAndCtrlRightClickBothSetTheUpperLimit() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.showLimitsPlot(ninePoints());
        viewer.window->mouseUp(Qt::LeftButton, Qt::AltModifier, QPointF(70, 50));
        QCOMPARE(viewer.host.x_high, 7.0);
        viewer.window->mouseUp(Qt::RightButton, Qt::ControlModifier, QPointF(60, 50));
        QCOMPARE(viewer.host.x_high, 6.0);
        QCOMPARE(viewer.host.calls, QStringList({"applyLimits 2 7", "applyLimits 2 6"}));
    }

    void aLimitOnTheWrongSideIsRefusedWithTheErrorMessage() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.showLimitsPlot(ninePoints());
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier, QPointF(90, 50));
        viewer.window->mouseUp(Qt::LeftButton, Qt::AltModifier, QPointF(20, 50));
        QCOMPARE(
            texts(viewer.messages.messages),
            QStringList(
                2, "Invalid Operation: Error Setting Data Limits! This would remove all data."));
        QCOMPARE(viewer.host.calls, QStringList({"applyLimits 9 8", "applyLimits 2 2"}));
        QCOMPARE(viewer.host.x_low, 2.0);
        QCOMPARE(viewer.host.x_high, 8.0);
    }

    void tooFewPointsForTheSpanWarnsButKeepsTheLimits() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.host.span_ok = false;
        viewer.showLimitsPlot(ninePoints());
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier, QPointF(50, 50));
        QCOMPARE(viewer.host.calls, QStringList({"applyLimits 5 8", "ShowSpanWarning"}));
        QCOMPARE(viewer.host.x_low, 5.0);
    }

    void limitClicksNeedLimitsModeAndExactKeys() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.host.x_low = 2.0;
        viewer.host.x_high = 8.0;
        viewer.show(ninePoints());
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier, QPointF(30, 50));
        viewer.host.limits_mode = true;
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier,
                               QPointF(30, 50));
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier,
                               QPointF(30, 50));
        viewer.window->mouseUp(Qt::RightButton, Qt::NoModifier, QPointF(30, 50));
        viewer.window->mouseUp(Qt::RightButton, Qt::AltModifier, QPointF(30, 50));
        QVERIFY(viewer.host.calls.isEmpty());
        QCOMPARE(viewer.host.x_low, 2.0);
        // A Ctrl drag marks the range it crosses as both limits.
        viewer.window->mouseDown(Qt::LeftButton, Qt::ControlModifier, QPointF(30, 50));
        viewer.window->mouseMove(QPointF(60, 60));
        QVERIFY(viewer.window->canvas()->rubberBandShown());
        viewer.window->mouseUp(Qt::LeftButton, Qt::ControlModifier, QPointF(60, 60));
        QVERIFY(!viewer.window->canvas()->rubberBandShown());
        QCOMPARE(viewer.host.calls, QStringList({"applyLimits 3 6"}));
    }

    void shiftClicksSetTheLimitsForDesktopsThatKeepAlt() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.showLimitsPlot(ninePoints());
        Plotit &w = *viewer.window;
        // A Shift press starts no rubber band.
        w.mouseDown(Qt::LeftButton, Qt::ShiftModifier, QPointF(30, 50));
        w.mouseMove(QPointF(60, 60));
        QVERIFY(!w.canvas()->rubberBandShown());
        w.mouseUp(Qt::LeftButton, Qt::ShiftModifier, QPointF(30, 50));
        QCOMPARE(viewer.host.x_low, 3.0);
        w.mouseUp(Qt::RightButton, Qt::ShiftModifier, QPointF(70, 50));
        QCOMPARE(viewer.host.x_high, 7.0);
        // Shift with anything else does nothing.
        w.mouseUp(Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier, QPointF(60, 50));
        QCOMPARE(viewer.host.calls, QStringList({"applyLimits 3 8", "applyLimits 3 7"}));
        // Outside limits mode Shift+click does nothing either.
        viewer.host.limits_mode = false;
        w.mouseUp(Qt::LeftButton, Qt::ShiftModifier, QPointF(50, 50));
        QCOMPARE(viewer.host.calls.size(), 2);
    }

    void aCtrlClickOnTheWindowMovesTheBlueLine() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.showLimitsPlot(ninePoints());
        Plotit &w = *viewer.window;
        const PlotScale scale = w.currentScale();
        const QPoint at = scale.toDevice(45, 50).toPoint();
        QTest::mouseClick(w.canvas(), Qt::LeftButton, Qt::ControlModifier, at);
        QVERIFY(std::fabs(viewer.host.x_low -
                          scale.dataX(static_cast<float>(scale.toPlot(at).x()))) < 1e-5);
        const QImage image = w.renderImage();
        auto bluish = [&](int x, int y) {
            const QRgb p = image.pixel(x, y);
            return qBlue(p) > 100 && qRed(p) < 100 && qGreen(p) < 100;
        };
        const int y = scale.toDevice(0, 30).toPoint().y();
        QVERIFY(bluish(at.x(), y) || bluish(at.x() - 1, y) || bluish(at.x() + 1, y));
        const int old_x = scale.toDevice(20, 0).toPoint().x();
        QVERIFY(!bluish(old_x, y) && !bluish(old_x - 1, y) && !bluish(old_x + 1, y));
    }

    // ---- style ----
    void theStyleCommandsToggleTheirStateAndCaptions() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        w.LargePoints();
        QCOMPARE(w.plotStyle().SymbolSize, 0.5);
        QCOMPARE(viewer.action("LargePoints")->text(), QString("Large &Symbols"));
        w.LargePoints();
        QCOMPARE(w.plotStyle().SymbolSize, 1.0);
        QCOMPARE(viewer.action("LargePoints")->text(), QString("&Small Symbols"));
        w.Nolines();
        QVERIFY(w.plotStyle().OmitLines);
        QVERIFY(viewer.action("Nolines")->isChecked());
        w.Nolines();
        QVERIFY(!viewer.action("Nolines")->isChecked());
        w.UseFilled();
        QVERIFY(w.plotStyle().FilledSymbols);
        QVERIFY(viewer.action("UseFilled")->isChecked());
        w.Col_Sym();
        QVERIFY(!w.plotStyle().CycleColorsFirst);
        QCOMPARE(viewer.action("Col_Sym")->text(), QString("Cycle Colors 1st"));
        w.Col_Sym();
        QCOMPARE(viewer.action("Col_Sym")->text(), QString("Cycle Symbols 1st"));
    }

    void theLegendOpensOnceAndFollowsTheStyle() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        w.ShowIt();
        QVERIFY(w.legend() && w.legend()->isVisible());
        QVERIFY(!viewer.action("ShowIt")->isEnabled());
        QVERIFY(viewer.host.legend_window_open);
        w.legend()->resize(400, 1100);
        w.Col_Sym();
        w.UseFilled();
        const QImage image = w.legend()->grab().toImage();
        const QPoint five = w.legend()->toDevice(legendEntryPosition(5, false)).toPoint();
        QVERIFY(sameColour(image.pixel(five), qRgb(255, 0, 0)));
        w.legend()->close();
        QVERIFY(viewer.action("ShowIt")->isEnabled());
        QVERIFY(!viewer.host.legend_window_open);
    }

    void theLegendNamesTheSeriesTheProgramNamed() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        SeriesNames names;
        names.title = "Fits against 12: 00012.RA1";
        names.names = {{1, "No Offsets"}, {3, "Y and XI/R Offsets"}};
        w.setSeriesNames(names);
        viewer.show(ninePoints());
        w.ShowIt();
        QCOMPARE(w.legend()->entryTexts(), QStringList({"No Offsets", "Y and XI/R Offsets"}));
        QCOMPARE(w.legend()->heading(), names.title);
        // Fifty named sets stand in two columns, all inside the window.
        SeriesNames sets;
        sets.title = "Data sets";
        for (int k = 1; k <= 50; ++k)
            sets.names[k] = QString("%1: %2.RA1").arg(k).arg(k, 5, 10, QChar('0'));
        w.setSeriesNames(sets);
        QCOMPARE(w.legend()->entryTexts().size(), 50);
        QCOMPARE(w.legend()->entryTexts().last(), QString("50: 00050.RA1"));
        const QImage image = w.legend()->grab().toImage();
        QVERIFY(image.width() >
                2 * QFontMetrics(w.legend()->font()).horizontalAdvance(QString("50: 00050.RA1")));
        // Without names the key of the fifty codes comes back.
        w.setSeriesNames({});
        QCOMPARE(w.legend()->entryTexts().first(), QString("1"));
        QCOMPARE(w.legend()->entryTexts().size(), kLegendCodes);
        w.legend()->close();
    }

    void timeInHoursShowsTheTimeAxisInHoursAndSecondsComeBackExactly() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        QVERIFY(!w.timeInHours());
        QVERIFY(!viewer.action("TimeInHours")->isChecked());
        PlotFileContent rms;
        rms.x_label = "            Time";
        rms.y_label = "RMS Devs";
        rms.points = {{7200, 0.5f, 1}, {43200, 0.2f, 1}, {79200, 0.1f, 1}};
        viewer.show(rms);
        QCOMPARE(w.axes().x.exponent, QString("+04"));  // seconds x 10^4
        w.TimeInHours();
        QVERIFY(viewer.action("TimeInHours")->isChecked());
        QCOMPARE(w.state().data.points[0].x, 2.0f);
        QCOMPARE(w.state().data.points[2].x, 22.0f);
        QCOMPARE(QString::fromStdString(w.state().data.x_label), QString("Time (hours)"));
        QCOMPARE(w.axes().x.exponent, QString("+00"));
        w.mouseMove(QPointF(50, 50));
        QVERIFY(w.xyLabel()->text().startsWith(" X= 1."));  // hours, not 10^4 s
        // The next graph against time comes in hours too; other plots do not.
        viewer.show(rms);
        QCOMPARE(w.state().data.points[1].x, 12.0f);
        PlotFileContent raw = ninePoints();
        viewer.show(raw);
        QCOMPARE(w.state().data.points[3].x, 9.0f);
        QCOMPARE(QString::fromStdString(w.state().data.x_label), raw.x_label);
        viewer.show(rms);
        w.TimeInHours();
        QCOMPARE(w.state().data.points[1].x, 43200.0f);
        QCOMPARE(QString::fromStdString(w.state().data.x_label), QString("Time"));
        // The plot file keeps seconds.
        QVERIFY(readFile(viewer.host.plot_file).contains("43200.0"));
    }

    void theLegendGoesBesideThePlotWindowAndStaysOnTheScreen() {
        const QRect screen(0, 0, 1400, 1000);
        const QSize legend(240, 420);
        // Room on the right: beside the right edge, level with the top.
        QCOMPARE(legendPlace(QRect(100, 50, 900, 650), legend, screen), QPoint(1008, 50));
        // Near the right edge: on the left instead.
        QCOMPARE(legendPlace(QRect(480, 340, 910, 650), legend, screen), QPoint(232, 340));
        // No room on the right, but above: over the plot window's right end.
        QCOMPARE(legendPlace(QRect(100, 500, 1250, 450), legend, screen), QPoint(1110, 72));
        // No room on any side, and low on the screen: inside it all the same.
        QCOMPARE(legendPlace(QRect(100, 400, 1250, 650), legend, screen), QPoint(0, 400));
        // Without a screen to go by: to the right.
        QCOMPARE(legendPlace(QRect(480, 340, 910, 650), legend, QRect()), QPoint(1398, 340));

        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        w.show();
        const QRect area = w.screen()->availableGeometry();
        w.move(area.right() - w.frameGeometry().width() + 1, area.top());
        w.ShowIt();
        QVERIFY(area.contains(w.legend()->frameGeometry()));
        w.legend()->close();
    }

    // ---- output ----
    void copyPutsThePlotOnTheClipboard() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        viewer.window->ClipPrn();
        const QImage image = QGuiApplication::clipboard()->image();
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), viewer.window->surfaceSize() * viewer.window->devicePixelRatioF());
    }

    void savingAPictureUsesTheChosenKindAndPngByDefault() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.show(ninePoints());
        QString name, filter;
        viewer.window->setSaveFileHook(
            [&](QWidget *, const QString &, const QString &, QString *selected) {
                if (!filter.isEmpty()) *selected = filter;
                return name;
            });
        name = folder.file("first");
        viewer.window->SaveBMP();
        QVERIFY(!QImage(folder.file("first.png")).isNull());
        name = folder.file("plain");
        filter = "Bitmap (*.bmp)";
        viewer.window->SaveBMP();
        QVERIFY(!QImage(folder.file("plain.bmp")).isNull());
        name = folder.file("drawing");
        filter = "SVG Drawing (*.svg)";
        viewer.window->SaveBMP();
        QVERIFY(readFile(folder.file("drawing.svg")).contains("<svg"));
        name = folder.file("page.pdf");
        filter = "Bitmap (*.bmp)";
        viewer.window->SaveBMP();
        QVERIFY(readFile(folder.file("page.pdf")).startsWith("%PDF"));
        name = folder.file("missing/x.png");
        viewer.window->SaveBMP();
        QCOMPARE(viewer.messages.messages.size(), size_t(1));
        QCOMPARE(viewer.messages.messages[0].title, QString("Save Error"));
        name.clear();
        viewer.window->SaveBMP();  // cancel: nothing happens
        QCOMPARE(viewer.messages.messages.size(), size_t(1));
    }

    void aPictureCarriesTheKeyAndNamesTheReportWithoutItsFolders() {
        QCOMPARE(headingWithoutPath("Outfile: /home/ann/runs/cell2.txt for Fits with:",
                                    "/home/ann/runs/cell2.txt"),
                 QString("Outfile: cell2.txt for Fits with:"));
        // Cut inside the path by the plot file's width.
        QCOMPARE(headingWithoutPath("Outfile: /home/ann/runs/ce", "/home/ann/runs/cell2.txt"),
                 QString("Outfile: cell2.txt"));
        QCOMPARE(headingWithoutPath("Outfile: /tmp/r.txt At X=", ""),
                 QString("Outfile: r.txt At X="));
        QCOMPARE(headingWithoutPath("Raw Data", "/tmp/r.txt"), QString("Raw Data"));

        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        const QSize plain = w.renderImage().size();
        SeriesNames names;
        names.title = "Fits against 12: 00012.RA1";
        names.names = {{1, "No Offsets"}, {2, "Y Offsets"}};
        w.setSeriesNames(names);
        viewer.show(ninePoints());
        const QImage figure = w.renderImage(plain);
        QVERIFY(figure.width() > plain.width());
        QCOMPARE(figure.height(), plain.height());
        // Something is drawn in the key's strip.
        int inked = 0;
        for (int y = 0; y < figure.height(); ++y)
            for (int x = plain.width(); x < figure.width(); ++x)
                inked += figure.pixelColor(x, y) != Qt::white;
        QVERIFY(inked > 50);
    }

    void theAnswerBarHoldsTheVerdictWholeAndTheStampStandsAlone() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        Plotit &w = *viewer.window;
        PlotAnswer answer;
        answer.text = QString(
            "Still approaching equilibrium: scans 1 to 9 differ from the "
            "latest scan by more than the noise, scans 10 and 11 are "
            "indistinguishable from it but span less than 4 h");
        answer.hoursByDefault = true;
        answer.lines = {{PlotLineLabel::Kind::horizontal, 0.2, "noise of a difference: 0.2"}};
        w.setAnswer(answer);
        PlotFileContent plot;
        plot.x_label = "            Time";
        plot.heading2 = answer.text.left(79);
        plot.points = {{7200, 0.5f, 1}, {43200, 0.2f, 1}, {79200, 0.1f, 1}};
        viewer.show(plot);
        QCOMPARE(w.answerLabel()->text(), answer.text);
        QVERIFY(w.answerLabel()->isVisible());
        QCOMPARE(QString::fromStdString(w.state().data.heading2),
                 QString("Assessed at 10:20:30 ON 05/06/2024"));
        QVERIFY(w.timeInHours());
        QCOMPARE(w.state().data.points[0].x, 2.0f);
        // Another plot: no answer bar, seconds as before.
        w.setAnswer({});
        viewer.show(plot);
        QVERIFY(!w.answerLabel()->isVisible());
        QVERIFY(!w.timeInHours());
    }

    void aWindowShownBeforeAnyPlotSaysThereIsNoDataOnce() {
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.window->show();
        QTRY_COMPARE(viewer.messages.messages.size(), size_t(1));
        QCOMPARE(viewer.messages.messages[0].title, QString("Load Data"));
        QCOMPARE(viewer.messages.messages[0].text,
                 QString("There Are No Data To Plot Yet!\n       Load a Data File 1st."));
        viewer.window->hide();
        viewer.window->show();
        QTest::qWait(20);
        QCOMPARE(viewer.messages.messages.size(), size_t(1));
    }

    // A picture of the whole window for a person to look at, into the folder
    // named by QUILLANE_VIEWER_GALLERY; skipped otherwise.
    void aPictureOfTheWindowIsTakenWhenAsked() {
        const QString out = qEnvironmentVariable("QUILLANE_VIEWER_GALLERY");
        if (out.isEmpty()) QSKIP("QUILLANE_VIEWER_GALLERY is not set");
        QDir().mkpath(out);
        ScratchFolder folder;
        Viewer viewer(folder.path());
        viewer.host.limits_mode = true;
        viewer.host.x_low = 6.25;
        viewer.host.x_high = 7.1;
        PlotFileContent raw;
        raw.heading = "Raw Data";
        raw.heading2 = "Data sets:  1,  2,  3,  4,  5,  6";
        for (int k = 1; k <= 6; ++k) {
            const auto series = boundaryProfile(k, 60, 6.0f, 7.2f, 0.04f * static_cast<float>(k));
            raw.points.insert(raw.points.end(), series.begin(), series.end());
        }
        raw.delete_marker = true;
        viewer.window->resize(1000, 700);
        viewer.show(raw);
        viewer.window->DisposePlotFile();
        viewer.window->mouseMove(QPointF(40, 60));
        viewer.window->mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(30, 30));
        viewer.window->mouseMove(QPointF(70, 80));
        viewer.window->grab().save(out + "/window.png");
    }
};

QTEST_MAIN(PlotWindowTest)
#include "plot_window_test.moc"
