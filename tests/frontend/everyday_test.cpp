// SPDX-License-Identifier: MIT
// The program for everyday use, against the real analysis library: limits
// typed beside the chooser reach the library, the legend names the series, the time axis can be
// read in hours, the report window follows the fit, and the plot window's close button only puts
// the plot away.  The slots run in order and build on each other.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "ChooseRefSetDialog.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LibraryBinding.h"
#include "LimitsPanel.h"
#include "MainWindow.h"
#include "ReportWindow.h"
#include "ResultGraphDialogs.h"
#include "StartUp.h"
#include "ViewerBridge.h"
#include "plot_legend.h"
#include "plot_window.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;
using quillane::viewer::Plotit;

namespace {

constexpr int kScans = 12;

}  // namespace

class EverydayTest : public WholeProgramTest {
    Q_OBJECT

  private:
    // What the scripted user types beside the chooser of the limits plot.
    QString lower_, upper_;
    bool fullRange_ = false;

    void answerDialog(QDialog &dialog) override {
        if (readSequenceFrom(dialog, examplePath(QStringLiteral("00001.RA1")))) return;
        if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            if (LimitsPanel *limits = chooser->limitsPanel()) {
                if (fullRange_) QTest::mouseClick(limits->fullRangeButton(), Qt::LeftButton);
                if (!lower_.isEmpty()) limits->lower()->setText(lower_);
                if (!upper_.isEmpty()) limits->upper()->setText(upper_);
            }
            chooser->plotAll();
        } else if (auto *ref = qobject_cast<ChooseRefSetDialog *>(&dialog)) {
            ref->accept();
        } else if (auto *rms = qobject_cast<RmsVsTimeDialog *>(&dialog)) {
            for (int i = 0; i < 3; ++i)
                rms->rchoice(i)->setChecked(i != 1);
            rms->accept();
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
        trigger("GetDataFiles");
        QCOMPARE(session().active_count(), kScans);
    }

    void cleanupTestCase() { finish(); }

    void limitsTypedBesideTheChooserReachTheLibraryAndThePlot() {
        lower_ = QStringLiteral("17.9");
        upper_ = QStringLiteral("25.4");
        trigger("SetLimits");
        QVERIFY2(prompts_.warnings.isEmpty(), qPrintable(prompts_.warnings.value(0).text));
        QCOMPARE(libraryLimits(), std::make_pair(17.9, 25.4));
        QVERIFY(viewer() && viewer()->isVisible());
        QVERIFY(session().limits_mode());
        QVERIFY(window().item(QStringLiteral("FitIt"))->isEnabled());
    }

    void theLegendNamesEveryDataSetOfThePlot() {
        viewer()->ShowIt();
        const QStringList entries = viewer()->legend()->entryTexts();
        QCOMPARE(entries.size(), kScans);
        QCOMPARE(entries.first(), QStringLiteral("1: 00001.RA1"));
        QCOMPARE(entries.last(), QStringLiteral("12: 00012.RA1"));
    }

    void fullRangeTakesTheLimitsBackToTheRangeReadAtFirst() {
        lower_.clear();
        upper_.clear();
        fullRange_ = true;
        trigger("SetLimits");
        const auto full = session().full_range();
        QCOMPARE(libraryLimits(), std::make_pair(full.low, full.high));
        fullRange_ = false;
        lower_ = QStringLiteral("17.9");
        upper_ = QStringLiteral("25.4");
        trigger("SetLimits");
        QCOMPARE(libraryLimits(), std::make_pair(17.9, 25.4));
    }

    void theReportWindowFollowsTheFit() {
        trigger("ViewReport");
        ReportWindow *report = window().reportWindow();
        QVERIFY(report && report->isVisible());
        QVERIFY(!report->text()->toPlainText().contains(QStringLiteral("Average values")));
        trigger("FitIt");
        QTRY_VERIFY(report->text()->toPlainText().contains(
            QStringLiteral(" Average values of variance and RMS:")));
        report->findBox()->setText(QStringLiteral("Ref 12 DS 11"));
        QVERIFY(report->findNext());
        report->close();
    }

    void resultGraphsNameTheirFitKindsAndShowTimeInHours() {
        trigger("PlotRMS");
        QCOMPARE(viewer()->legend()->entryTexts(),
                 QStringList({QStringLiteral("No Offsets"), QStringLiteral("Y and XI/R Offsets")}));
        QCOMPARE(viewer()->legend()->heading(), QStringLiteral("Fits against 12: 00012.RA1"));
        // The examples are two hours apart; the first scan is at 2 h.
        const std::vector<double> times = session().times();
        viewer()->TimeInHours();
        const auto &points = viewer()->state().data.points;
        QCOMPARE(points[0].x, static_cast<float>(times[0] / 3600.0));
        QCOMPARE(points[1].x, static_cast<float>(times[1] / 3600.0));
        QCOMPARE(QString::fromStdString(viewer()->state().data.x_label),
                 QStringLiteral("Time (hours)"));
        viewer()->TimeInHours();
    }

    void theCloseButtonPutsThePlotAwayUntilTheNextOne() {
        viewer()->close();
        QVERIFY(!viewer()->isVisible());
        trigger("PlotRaw");
        QVERIFY(viewer()->isVisible());
        QCOMPARE(viewer()->state().data.y_label, std::string("Concentration"));
        QVERIFY(prompts_.warnings.isEmpty());
    }
};

QTEST_MAIN(EverydayTest)
#include "everyday_test.moc"
