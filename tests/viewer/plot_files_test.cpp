// SPDX-License-Identifier: MIT
// Reading plot files into the viewer, the numbering of kept plots and the
// disposal of a plot file after it was shown.
#include <unistd.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "plot_file_control.h"
#include "viewer_test_support.h"

using namespace quillane::viewer;
using namespace viewer_test;
namespace plotfile = quillane::plotfile;

namespace {

PlotFileContent threePoints() {
    PlotFileContent content;
    content.points = {{1.5f, 2.0f, 1}, {2.5f, -1.0f, 2}, {3.25f, 4.0f, 3}};
    return content;
}

LoadOutcome load(ViewerState &state, const QString &path, std::vector<int> *sleeps = nullptr) {
    return loadPlotFile(state, path, [sleeps](int ms) {
        if (sleeps) sleeps->push_back(ms);
    });
}

void touch(const QString &name) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

}  // namespace

class PlotFilesTest : public QObject {
    Q_OBJECT
  private slots:
    // ---- numbering ----
    void numberingStartsAtZeroInAnEmptyFolder() {
        ScratchFolder folder;
        ViewerState state;
        InitPlotNumbering(state, "plot.dat");
        QCOMPARE(state.PlotPrefix, QString("plot_"));
        QCOMPARE(state.PlotNumber, 0);
    }

    void numberingContinuesAfterTheHighestKeptPlot() {
        ScratchFolder folder;
        touch("plot_000.dat");
        touch("plot_007.dat");
        writePlotFile(folder.file("plot.dat"), threePoints());
        ViewerState state;
        InitPlotNumbering(state, "plot.dat");
        QCOMPARE(state.PlotNumber, 7);
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        const DisposeResult result =
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp"));
        QVERIFY(!result.failed);
        QCOMPARE(result.kept_as, QString("plot_008.dat"));
        QVERIFY(QFile::exists(folder.file("plot_008.dat")));
        QCOMPARE(state.PlotNumber, 9);
    }

    void numberingSkipsNamesWithoutDigitsAndFourDigitNumbers() {
        ScratchFolder folder;
        touch("plot_abc.dat");
        touch("plot_1000.dat");
        touch("plot_12.dat");
        touch("plot_003.txt");
        touch("plot_002.dat");
        ViewerState state;
        InitPlotNumbering(state, "plot.dat");
        QCOMPARE(state.PlotNumber, 2);
    }

    void numberingOfANameWithoutExtensionCountsEightCharacterNames() {
        ScratchFolder folder;
        touch("pl___004");
        touch("pl___09x");
        ViewerState state;
        InitPlotNumbering(state, "pl");
        QCOMPARE(state.PlotPrefix, QString("pl___"));
        QCOMPARE(state.PlotNumber, 4);
    }

    void numberedNamesGrowToFourDigitsPastNineHundredNinetyNine() {
        QCOMPARE(numberedPlotName("plot_", 7, ".dat"), QString("plot_007.dat"));
        QCOMPARE(numberedPlotName("plot_", 1000, ".dat"), QString("plot_1000.dat"));
        ScratchFolder folder;
        writePlotFile(folder.file("plot.dat"), threePoints());
        ViewerState state;
        state.PlotNumber = 1000;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        const DisposeResult result =
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp"));
        QCOMPARE(result.kept_as, QString("plot_1000.dat"));
    }

    // ---- disposal ----
    void aKeptPlotIsRenamedIntoTheCurrentFolderAndTheLabelSaysWhere() {
        ScratchFolder folder;
        writePlotFile(folder.file("plot.dat"), threePoints());
        const QByteArray original = readFile(folder.file("plot.dat"));
        ViewerState state;
        InitPlotNumbering(state, "plot.dat");
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        const DisposeResult result =
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp"));
        QCOMPARE(result.out_file_label, QDir::currentPath() + "/plot_000.dat");
        QVERIFY(!result.save_plot_now);
        QVERIFY(!QFile::exists(folder.file("plot.dat")));
        QCOMPARE(readFile(folder.file("plot_000.dat")), original);

        writePlotFile(folder.file("plot.dat"), threePoints());
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp")).kept_as,
            QString("plot_001.dat"));
    }

    void aPlotOnAnotherFileSystemIsKeptWholeUnderTheNextNumber() {
        ScratchFolder folder;
        QTemporaryDir elsewhere(QStringLiteral("/dev/shm/quillane-XXXXXX"));
        const QString plot = elsewhere.filePath(QStringLiteral("plot.dat"));
        writePlotFile(plot, threePoints());
        const QByteArray original = readFile(plot);
        const QString probe = folder.file("probe");
        if (!elsewhere.isValid() ||
            ::link(QFile::encodeName(plot), QFile::encodeName(probe)) == 0 || errno != EXDEV)
            QSKIP("needs /dev/shm on a file system of its own");
        touch("plot_000.dat");
        ViewerState state;
        InitPlotNumbering(state, "plot.dat");
        QCOMPARE(load(state, plot), LoadOutcome::loaded);
        const DisposeResult result =
            DisposePlotFile(state, plot, elsewhere.filePath(QStringLiteral("~kestrl~.tmp")));
        QVERIFY2(!result.failed, qPrintable(result.out_file_label));
        QCOMPARE(result.kept_as, QString("plot_001.dat"));
        QCOMPARE(readFile(folder.file("plot_001.dat")), original);
        QVERIFY(!QFile::exists(plot));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void aNumberedNameMadeMeanwhileIsSkipped() {
        ScratchFolder folder;
        ViewerState state;
        InitPlotNumbering(state, "plot.dat");
        touch("plot_000.dat");
        touch("plot_001.dat");
        writePlotFile(folder.file("plot.dat"), threePoints());
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp")).kept_as,
            QString("plot_002.dat"));
    }

    void aMarkedPlotReplacesTheTemporaryCopyAndIsDeleted() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.delete_marker = true;
        writePlotFile(folder.file("plot.dat"), content);
        const QByteArray original = readFile(folder.file("plot.dat"));
        touch(folder.file("~kestrl~.tmp"));
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QVERIFY(state.data.marked_for_deletion());
        const DisposeResult result =
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp"));
        QVERIFY(!result.failed);
        QCOMPARE(result.out_file_label, QString("Plot File To Be Deleted"));
        QVERIFY(result.save_plot_now);
        QVERIFY(!QFile::exists(folder.file("plot.dat")));
        QCOMPARE(readFile(folder.file("~kestrl~.tmp")), original);
        QCOMPARE(state.PlotNumber, 0);
    }

    void aMissingPlotFileIsReportedNotThrown() {
        ScratchFolder folder;
        ViewerState state;
        const DisposeResult result =
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp"));
        QVERIFY(result.failed);
        QVERIFY(result.out_file_label.contains("plot.dat"));
        QVERIFY(!result.save_plot_now);
    }

    void aTemporaryCopyThatCannotBeReplacedIsReported() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.delete_marker = true;
        writePlotFile(folder.file("plot.dat"), content);
        // A folder in the way of the temporary copy cannot be removed as a file.
        QVERIFY(QDir(folder.path()).mkdir("~kestrl~.tmp"));
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        const DisposeResult result =
            DisposePlotFile(state, folder.file("plot.dat"), folder.file("~kestrl~.tmp"));
        QVERIFY(result.failed);
        QVERIFY(!result.save_plot_now);
        QVERIFY(result.out_file_label.contains("could not be kept"));
    }

    void aPlotThatCouldNotBeReadIsKeptRatherThanDeleted() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.delete_marker = true;
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        // The next plot file appears only after the viewer gave up on it.
        QCOMPARE(load(state, folder.file("late.dat")), LoadOutcome::not_opened);
        PlotFileContent late = threePoints();
        late.delete_marker = true;
        writePlotFile(folder.file("late.dat"), late);
        const DisposeResult result =
            DisposePlotFile(state, folder.file("late.dat"), folder.file("~kestrl~.tmp"));
        QCOMPARE(result.kept_as, QString("plot_000.dat"));
    }

    // ---- reading ----
    void theHeadingsStampAndLabelsAreReadAsLaidOut() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.heading = "  RMS against time  ";
        content.x_label = "  Time (s)  ";
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(QString::fromStdString(state.data.heading), QString("RMS against time"));
        QCOMPARE(QString::fromStdString(state.data.heading2),
                 QString("Data sets:  1  ::  10:20:30 ON 05/06/2024"));
        QCOMPARE(QString::fromStdString(state.data.x_label), QString("Time (s)"));
        QCOMPARE(QString::fromStdString(state.data.y_label), QString("Concentration"));
        QVERIFY(!state.data.marked_for_deletion());
    }

    void aMarkedHeadingOfEightyCharactersShowsCharactersTwoToSeventyEight() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        QString heading;
        for (int i = 0; i < 80; ++i)
            heading += QChar('A' + i % 26);
        content.heading = heading;
        content.delete_marker = true;
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QVERIFY(state.data.marked_for_deletion());
        // Column 1 is blank, so the heading's characters 1-77 are shown.
        QCOMPARE(QString::fromStdString(state.data.heading), heading.left(77));
    }

    void anEmptySecondHeadingShowsTheSeparatorAndTheStamp() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.heading2 = "";
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(QString::fromStdString(state.data.heading2),
                 QString("  ::  10:20:30 ON 05/06/2024"));
    }

    void aSecondHeadingOfSeventyNineCharactersLendsTwoToTheStamp() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.heading2 = QString(77, 'h') + "YZ";
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(QString::fromStdString(state.data.stamp), QString("YZ10:20:30 ON 05/06/2024"));
    }

    void blankLabelsReadAsEmpty() {
        ScratchFolder folder;
        PlotFileContent content = threePoints();
        content.x_label = "";
        content.y_label = "   ";
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QVERIFY(state.data.x_label.empty());
        QVERIFY(state.data.y_label.empty());
    }

    void pointsAndSeriesCodesAreReadIncludingLineCodes() {
        ScratchFolder folder;
        PlotFileContent content;
        content.points = {{0.0f, 0.05f, 1},
                          {-2.5e7f, 1234.5f, 12},
                          {1.0f, 0.0f, -58},
                          {4.5f, 0.0f, -57},
                          {2.0f, 2.0f, -56}};
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(state.pointCount(), 5);
        const auto &p = state.data.points;
        QCOMPARE(p[0].x, 0.0f);
        QCOMPARE(p[0].y, 0.05f);
        QCOMPARE(p[1].x, -2.5e7f);
        QCOMPARE(p[1].y, 1234.5f);
        QCOMPARE(p[1].code, int16_t(12));
        QCOMPARE(p[2].code, int16_t(-58));
        QCOMPARE(p[3].code, int16_t(-57));
        QCOMPARE(p[4].code, int16_t(-56));
        QVERIFY(state.DataLoaded);
    }

    void aCountOfZeroLeavesNoDataLoaded() {
        ScratchFolder folder;
        PlotFileContent content;
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::no_data);
        QCOMPARE(state.pointCount(), 0);
        QVERIFY(!state.DataLoaded);
    }

    void aTruncatedFileKeepsThePreviousValuesOfTheMissingPoints() {
        ScratchFolder folder;
        PlotFileContent first;
        first.points = {{1, 10, 1}, {2, 20, 1}, {3, 30, 1}, {4, 40, 1}};
        writePlotFile(folder.file("plot.dat"), first);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);

        PlotFileContent truncated;
        truncated.points = {{5, 50, 2}, {6, 60, 2}};
        truncated.count_override = 4;
        writePlotFile(folder.file("plot.dat"), truncated);
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(state.pointCount(), 4);
        QCOMPARE(state.data.points[1].y, 60.0f);
        QCOMPARE(state.data.points[2].y, 30.0f);
        QCOMPARE(state.data.points[3].x, 4.0f);
    }

    void pointsBeyondTheViewersCapacityAreIgnored() {
        ScratchFolder folder;
        PlotFileContent content;
        const int total = plotfile::kMaxViewerPoints + 3;
        content.points.reserve(static_cast<size_t>(total));
        for (int i = 1; i <= total; ++i) {
            content.points.push_back({static_cast<float>(i), static_cast<float>(i % 97), 1});
        }
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        QCOMPARE(state.pointCount(), plotfile::kMaxViewerPoints);
        QCOMPARE(state.data.points[plotfile::kMaxViewerPoints - 1].x,
                 static_cast<float>(plotfile::kMaxViewerPoints));
        QCOMPARE(state.XMax, static_cast<float>(plotfile::kMaxViewerPoints));
    }

    void aFileThatCannotBeOpenedIsTriedFourTimesHalfASecondApart() {
        ScratchFolder folder;
        writePlotFile(folder.file("plot.dat"), threePoints());
        ViewerState state;
        QCOMPARE(load(state, folder.file("plot.dat")), LoadOutcome::loaded);
        std::vector<int> sleeps;
        QCOMPARE(load(state, folder.file("missing.dat"), &sleeps), LoadOutcome::not_opened);
        QCOMPARE(sleeps, std::vector<int>({500, 500, 500}));
        QVERIFY(!state.DataLoaded);
        QVERIFY(!state.PlotFileOpen);
    }

    void readingReportsProgressInTenths() {
        ScratchFolder folder;
        PlotFileContent content;
        for (int i = 0; i < 100; ++i)
            content.points.push_back({float(i), float(i), 1});
        writePlotFile(folder.file("plot.dat"), content);
        ViewerState state;
        std::vector<int> shown;
        loadPlotFile(state, folder.file("plot.dat"), {},
                     [&](int percent) { shown.push_back(percent); });
        QCOMPARE(shown, std::vector<int>({10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    }

    // ---- range and caption ----
    void theDataRangeSpansEveryPointHeld() {
        ViewerState state;
        state.data.points = {{2, 5, 1}, {-1, 7, 1}, {4, -3, 1}, {100, 100, 1}};
        state.data.count = 3;
        FindPlotRange(state);
        QCOMPARE(state.XMin, -1.0f);
        QCOMPARE(state.XMax, 4.0f);
        QCOMPARE(state.YMin, -3.0f);
        QCOMPARE(state.YMax, 7.0f);
        state.data.count = 0;
        FindPlotRange(state);
        QCOMPARE(state.XMin, 2.0f);
        QCOMPARE(state.XMax, 2.0f);
    }

    void theCaptionShowsShortNamesWholeAndLongNamesByTheirEnd() {
        const QString title = "Quillane V0.99";
        QCOMPARE(plotCaption(title, "C:/work/d/plot.dat"),
                 QString("Quillane V0.99   [C:/work/d/plot.dat]"));
        const QString name = "/home/user/run7/plot.dat";  // 24 characters
        QCOMPARE(name.size(), 24);
        QCOMPARE(plotCaption(title, name), QString("Quillane V0.99   [...") + name.right(21) + "]");
        const QString twenty = "/data/ab/cd/plot.dat";
        QCOMPARE(twenty.size(), 20);
        QVERIFY(plotCaption(title, twenty).endsWith(" [" + twenty + "]"));
    }
};

QTEST_GUILESS_MAIN(PlotFilesTest)
#include "plot_files_test.moc"
