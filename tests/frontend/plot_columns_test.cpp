// SPDX-License-Identifier: MIT
// The column finder's stretches on the plot of the scans, against the real
// analysis library and the bundled example run (a column between two
// stretches the finder refused): the plot shades every stretch and tells
// why one was refused, a click takes a stretch's limits less the margin,
// and the status line names the column in force until other limits are
// dragged out.  The slots run in order and build on each other.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QtTest>

#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "MainWindow.h"
#include "StartUp.h"
#include "ViewerBridge.h"
#include "plot_window.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;
using quillane::session::Column;
using quillane::session::ColumnStretch;
using quillane::session::kDefaultColumnMargin;
using quillane::viewer::PlotScale;
using quillane::viewer::StretchBand;

class PlotColumnsTest : public WholeProgramTest {
    Q_OBJECT

  private:
    void answerDialog(QDialog &dialog) override {
        if (readSequenceFrom(dialog, examplePath(QStringLiteral("00001.RA1")))) return;
        if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            chooser->plotAll();
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

    std::vector<StretchBand> bands() { return startUp_->viewer()->stretchBands(); }

    // Where on the canvas the data position x lies, `height` up the plot.
    QPoint onThePlot(double x, double height = 50.0) {
        const PlotScale scale = viewer()->currentScale();
        return scale.toDevice(scale.plotX(float(x)), height).toPoint();
    }

    QPoint middleOf(const StretchBand &band) { return onThePlot((band.from + band.to) / 2.0); }

    // The pointer moved over the canvas, no button held.
    void moveTo(QPoint at) {
        QWidget *canvas = viewer()->canvas();
        QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
        trigger("GetDataFiles");
        trigger("SetLimits");
        QVERIFY(viewer() && viewer()->isVisible());
        prompts_.warnings.clear();
    }

    void cleanupTestCase() { finish(); }

    void theScansShowEveryStretchAndSayWhyOneWasRefused() {
        const std::vector<ColumnStretch> stretches = session().column_stretches();
        const std::vector<StretchBand> shown = bands();
        QCOMPARE(shown.size(), stretches.size());
        QCOMPARE(shown.size(), 3u);
        QVERIFY(!shown[0].taken && shown[1].taken && !shown[2].taken);
        // Numbered as the limits dialog, the runner and the watch number
        // columns, and giving the limits they give.
        QCOMPARE(shown[1].number, 1);
        const std::vector<Column> columns = session().solution_columns(kDefaultColumnMargin);
        QCOMPARE(columns.size(), 1u);
        QCOMPARE(shown[1].low, columns[0].low);
        QCOMPARE(shown[1].high, columns[0].high);

        moveTo(middleOf(shown[2]));
        QCOMPARE(viewer()->canvas()->toolTip(), QString::fromStdString(stretches[2].reason));
        moveTo(middleOf(shown[1]));
        QCOMPARE(viewer()->canvas()->toolTip(), QStringLiteral("Column 1: ") + shown[1].limits);
        screenShot("QUILLANE_COLUMNS_SHOTS", QStringLiteral("columns-on-the-plot"));

        // Pictures that leave the window are shaded as the window is: the
        // column above its scans is no longer white.
        const QImage picture = viewer()->renderImage();
        const QPoint above = onThePlot((shown[1].from + shown[1].to) / 2.0, 80.0);
        QVERIFY(picture.pixelColor(above) != QColor(Qt::white));
    }

    void aClickOnARefusedStretchTakesItsLimitsLessTheMargin() {
        const ColumnStretch first = session().column_stretches().front();
        prompts_.answers.push_back(false);  // a shorter span, should the limits need one
        QTest::mouseClick(viewer()->canvas(), Qt::LeftButton, Qt::NoModifier,
                          middleOf(bands().front()));
        const double r_low = first.from_cm + kDefaultColumnMargin;
        const double r_high = first.to_cm - kDefaultColumnMargin;
        QCOMPARE(session().limits().low, r_low * r_low / 2.0);
        QCOMPARE(session().limits().high, r_high * r_high / 2.0);
        QVERIFY(bands().front().inForce);
        // Too short for the points each local fit takes: the warning says so
        // and the limits stay, as for limits marked by hand.
        QVERIFY(!prompts_.warnings.isEmpty());
    }

    void theStatusLineNamesTheColumnClickedUntilARangeIsDragged() {
        prompts_.warnings.clear();
        prompts_.answers.push_back(false);
        const StretchBand column = bands()[1];
        QTest::mouseClick(viewer()->canvas(), Qt::LeftButton, Qt::NoModifier, middleOf(column));
        QCOMPARE(session().limits().low, column.low);
        QVERIFY2(window().readSummary()->text().endsWith(
                     QStringLiteral("; column 1: %1.").arg(column.limits)),
                 qPrintable(window().readSummary()->text()));

        // Ctrl+drag over the middle of the column: the range is the limits,
        // which are no stretch's.
        const double quarter = (column.high - column.low) / 4.0;
        QTest::mousePress(viewer()->canvas(), Qt::LeftButton, Qt::ControlModifier,
                          onThePlot(column.low + quarter));
        moveTo(onThePlot(column.high - quarter));
        QTest::mouseRelease(viewer()->canvas(), Qt::LeftButton, Qt::ControlModifier,
                            onThePlot(column.high - quarter));
        QVERIFY(std::fabs(session().limits().low - (column.low + quarter)) < 0.05);
        QVERIFY(std::fabs(session().limits().high - (column.high - quarter)) < 0.05);
        QVERIFY2(!window().readSummary()->text().contains(QStringLiteral("column")),
                 qPrintable(window().readSummary()->text()));
        QVERIFY2(prompts_.warnings.isEmpty(), qPrintable(prompts_.warnings.value(0).text));
    }
};

QTEST_MAIN(PlotColumnsTest)
#include "plot_columns_test.moc"
