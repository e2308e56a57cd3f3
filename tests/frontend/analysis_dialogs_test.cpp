// SPDX-License-Identifier: MIT
// The analysis dialogs: reference set, differentiation parameters, the span
// warning and the result-graph options.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "AnalysisDialogs.h"
#include "ChooseRefSetDialog.h"
#include "DifferParmsDialog.h"
#include "NumberFormat.h"
#include "ReferenceSetPicker.h"
#include "ResultGraphDialogs.h"
#include "prompts_double.h"

using namespace quillane::frontend;
using quillane::test_support::RecordingPrompts;

namespace {

// Active sets 1..n, scanned an hour apart.
std::vector<ActiveSetEntry> scans(int n) {
    std::vector<ActiveSetEntry> sets;
    for (int k = 1; k <= n; ++k)
        sets.push_back({QStringLiteral("%1.RA1").arg(k, 5, 10, QLatin1Char('0')), 3600.0 * k});
    return sets;
}

// The messages shown, each as "title|text".
QStringList shown(const QList<RecordingPrompts::Message> &messages) {
    QStringList lines;
    for (const auto &m : messages)
        lines << m.title + "|" + m.text;
    return lines;
}

}  // namespace

class AnalysisDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void closingChooseRefSetWithTheCloseButtonKeepsTheSliderValue() {
        ChooseRefSetDialog dialog(scans(5), 2);
        QCOMPARE(dialog.slider()->maximum(), 5);
        QCOMPARE(dialog.box()->text(), QString("2"));
        dialog.slider()->setValue(4);
        QCOMPARE(dialog.box()->text(), QString("4"));
        dialog.show();
        dialog.close();  // the window's close button
        QCOMPARE(dialog.refSet(), 4);
    }

    void theReferenceSetIsNamedAndCanBeTypedOrReachedByKeys() {
        ChooseRefSetDialog dialog(scans(50), 50);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLabel *description = dialog.picker()->description();
        QCOMPARE(description->text(), QString("50: 00050.RA1 (180000 s)"));
        // The keys move the slider as soon as the dialog is open.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog.slider()));
        QTest::keyClick(dialog.slider(), Qt::Key_Home);
        QCOMPARE(dialog.slider()->value(), 1);
        QTest::keyClick(dialog.slider(), Qt::Key_Right);
        QCOMPARE(description->text(), QString("2: 00002.RA1 (7200 s)"));
        QTest::keyClick(dialog.slider(), Qt::Key_End);
        QCOMPARE(dialog.box()->text(), QString("50"));
        // Typing a number and Enter chooses that set.
        dialog.box()->selectAll();
        QTest::keyClicks(dialog.box(), "37");
        QCOMPARE(dialog.slider()->value(), 37);
        QCOMPARE(description->text(), QString("37: 00037.RA1 (133200 s)"));
        QTest::keyClick(dialog.box(), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.refSet(), 37);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void theSpanCanBeTypedAsWellAsSlid() {
        DifferParmsDialog dialog({50, 400, 3});
        dialog.pointsBox()->selectAll();
        QTest::keyClicks(dialog.pointsBox(), "123");
        QCOMPARE(dialog.slider()->value(), 123);
        QCOMPARE(dialog.pointsPerFit()->text(), QString(11, ' ') + "123");
        dialog.slider()->setValue(60);
        QCOMPARE(dialog.pointsBox()->value(), 60);
        dialog.pointsBox()->selectAll();
        QTest::keyClicks(dialog.pointsBox(), "999");  // more than the smallest set holds
        QCOMPARE(dialog.pointsBox()->value(), 999);   // kept as typed, not cut down
        QVERIFY(dialog.spanReason()->isVisibleTo(&dialog));
        QVERIFY(dialog.spanReason()->text().startsWith("At most 400 points"));
        dialog.accept();  // refused while the reason shows
        QVERIFY(dialog.QDialog::result() != QDialog::Accepted);
        QCOMPARE(dialog.result().span, 50);
        dialog.pointsBox()->selectAll();
        QTest::keyClicks(dialog.pointsBox(), "399");
        QVERIFY(!dialog.spanReason()->isVisibleTo(&dialog));
        dialog.accept();
        QCOMPARE(dialog.result().span, 399);
    }

    void differentiationDialogOpensAtTheSmallestSetAndStoresIt() {
        DifferParmsDialog dialog({50, 40, 3});
        QCOMPARE(dialog.slider()->minimum(), 3);
        QCOMPARE(dialog.slider()->maximum(), 40);
        QCOMPARE(dialog.slider()->value(), 40);
        QCOMPARE(dialog.pointsPerFit()->text(), QString(11, ' ') + "40");
        QVERIFY(dialog.polyFit(2)->isChecked());
        dialog.polyFit(0)->setChecked(true);
        dialog.accept();
        QCOMPARE(dialog.result().span, 40);
        QCOMPARE(dialog.result().terms, 1);
    }

    void spanWarningNamesTheSpanInItsThirdLine() {
        const QStringList lines = spanWarningText(50).split('\n');
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[0], QString("At LEAST ONE data set is effectively OUT OF BOUNDS"));
        QCOMPARE(lines[2], QString("the current number of fitting points (50)."));
        QCOMPARE(lines[6], QString("Please correct this problem before fitting data!"));
    }

    void rmsDialogWithNothingTickedAndTheAnswerNoStaysOpen() {
        RecordingPrompts prompts;
        RmsChoice previous;
        previous.options = {0, 0, -1};
        previous.refSet = 2;
        RmsVsTimeDialog dialog(prompts, "Plot Variance vs Time", previous, scans(4));
        QCOMPARE(dialog.windowTitle(), QString("Plot Variance vs Time"));
        QVERIFY(dialog.rchoice(2)->isChecked());
        QVERIFY(!dialog.rchoice(0)->isChecked());
        dialog.rchoice(2)->setChecked(false);
        dialog.show();
        prompts.answers = {false};
        dialog.accept();
        QCOMPARE(prompts.questions.size(), 1);
        QCOMPARE(prompts.questions[0].text, QString("No Plots Were Chosen!  Quit Plotting?"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.result().accepted);
        // Yes ends the dialog without a graph; the empty choice is kept.
        prompts.answers = {true};
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.result().accepted);
        QCOMPARE(dialog.result().options, (std::array<int32_t, 3>{0, 0, 0}));
    }

    void rmsDialogAcceptsTheTickedKindsTheLogarithmAndTheReferenceSet() {
        RecordingPrompts prompts;
        RmsVsTimeDialog dialog(prompts, "Plot RMS vs Time", RmsChoice{false, {0, 0, -1}, 0, 1},
                               scans(4));
        dialog.rchoice(0)->setChecked(true);
        dialog.logChoice()->setChecked(true);
        dialog.picker()->box()->setValue(3);
        QCOMPARE(dialog.picker()->description()->text(), QString("3: 00003.RA1 (10800 s)"));
        dialog.accept();
        QVERIFY(dialog.result().accepted);
        QCOMPARE(dialog.result().options, (std::array<int32_t, 3>{1, 0, 1}));
        QCOMPARE(dialog.result().logChoice, 1);
        QCOMPARE(dialog.result().refSet, 3);
    }

    void deviationDialogsAlwaysOfferBothOffsets() {
        DevVsPosDialog dialog(1);
        QVERIFY(dialog.pchoice(2)->isChecked());
        QVERIFY(dialog.logChoice()->isChecked());
        dialog.pchoice(1)->setChecked(true);
        dialog.accept();
        QCOMPARE(dialog.result().devOptions, (std::array<int32_t, 3>{0, 1, 0}));
        QCOMPARE(dialog.result().logChoice, 1);
    }

    void positionsThatAreNotNumbersAreNamed() {
        RecordingPrompts prompts;
        DevsVsTimeDialog dialog(prompts, 17.0, 25.0, true, 0);
        dialog.show();
        dialog.position(0)->setText("18");
        dialog.position(1)->setText("abc");
        dialog.accept();
        QCOMPARE(shown(prompts.warnings),
                 QStringList{"Parameter Entry Error|Illegal Value for Position 2"});
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.result().accepted);
        dialog.position(1)->setText("");
        dialog.accept();
        QCOMPARE(shown(prompts.warnings).last(),
                 QString("Parameter Entry Error|Illegal Value for Position 2"));
    }

    void positionsAllOutsideTheLimitsMakeNoPlot() {
        RecordingPrompts prompts;
        DevsVsTimeDialog dialog(prompts, 17.0, 25.0, true, 0);
        dialog.show();
        dialog.accept();
        QCOMPARE(
            shown(prompts.warnings),
            QStringList{"No Values Entered|No Valid Positions Were Defined!  No Plot Created."});
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.result().accepted);
    }

    void positionsKeepTheirEntryOrderAndTheLimitsCount() {
        RecordingPrompts prompts;
        DevsVsTimeDialog dialog(prompts, 17.0, 25.0, true, 0);
        dialog.position(2)->setText("20");
        dialog.position(4)->setText(" 18 ");
        dialog.position(5)->setText("17");     // on the lower limit
        dialog.position(6)->setText("2.5D1");  // on the upper limit
        dialog.position(7)->setText("25.001");
        dialog.accept();
        QVERIFY(prompts.warnings.isEmpty());
        QVERIFY(dialog.result().accepted);
        QCOMPARE(dialog.result().positions, (std::vector<double>{20.0, 18.0, 17.0, 25.0}));
        QCOMPARE(dialog.result().devOptions, (std::array<int32_t, 3>{0, 0, 1}));
    }

    void limitsLabelFollowsThePositionVariable() {
        QCOMPARE(DevsVsTimeDialog::limitsText(17.9, 25.25, true), QString(" 17.9 < XI < 25.25"));
        QCOMPARE(DevsVsTimeDialog::limitsText(6.0, 7.1234567, false),
                 QString("  6. < R <  7.12346"));
        QCOMPARE(vbOptionalDecimals(0.5, 5), QString(".5"));
        QCOMPARE(vbOptionalDecimals(-0.000001, 5), QString("0."));
    }
};

QTEST_MAIN(AnalysisDialogsTest)
#include "analysis_dialogs_test.moc"
