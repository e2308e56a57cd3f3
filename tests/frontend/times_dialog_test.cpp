// The times dialog: the time and label layouts, the pages cut to the active
// sets, and the check of what the user typed.
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "AppState.h"
#include "DataSetTimesDialog.h"
#include "TextFormat.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class TimesDialogTest : public QObject {
    Q_OBJECT

  private:
    static AppState activeSets(int count) {
        AppState state;
        state.NumActive = count;
        state.NumFilesRead = count;
        for (int k = 1; k <= count; ++k) {
            state.ActiveSetTable[k] = k;
            state.DataFileNames[k] = QStringLiteral("/d/S%1.RA1").arg(k, 5, 10, QLatin1Char('0'));
            state.DataSetTimes[k] = 600.0 * k;
        }
        return state;
    }

  private slots:
    void timesBetweenATenthAndTenAreFixedOthersScientific() {
        QCOMPARE(formatDataSetTime(3600.0), QStringLiteral("  3.60000E+03"));
        QCOMPARE(formatDataSetTime(2.5), QStringLiteral("  2.500000"));
        QCOMPARE(formatDataSetTime(0.05), QStringLiteral("  5.00000E-02"));
        QCOMPARE(formatDataSetTime(0.1), QStringLiteral("  0.100000"));
        QCOMPARE(formatDataSetTime(10.0), QStringLiteral("  1.00000E+01"));
        QCOMPARE(formatDataSetTime(0.0), QStringLiteral("  0.00000E+00"));
        QCOMPARE(formatDataSetTime(-2.5), QStringLiteral("  -2.500000"));
    }

    void typedNumbersAreReadWithEitherExponentLetter() {
        double v = 0;
        QVERIFY(parseUserNumber(QStringLiteral("  3.60000E+03"), v));
        QCOMPARE(v, 3600.0);
        QVERIFY(parseUserNumber(QStringLiteral("1.5D2"), v));
        QCOMPARE(v, 150.0);
        for (const char *bad : {"", "  ", "12a", "abc", "1,5", "inf", "nan"})
            QVERIFY2(!parseUserNumber(QString::fromLatin1(bad), v), bad);
    }

    void theBoxesShowTheTimesAndTheLabelsNumberAndName() {
        AppState state = activeSets(3);
        state.DataFileNames[2] = QStringLiteral("/data/c/S0000002.RA1");  // 20 characters
        state.DataSetTimes[1] = 3600.0;
        state.DataSetTimes[2] = 2.5;
        state.DataSetTimes[3] = 0.05;
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(state, prompts);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Dataset Times"));
        QCOMPARE(dialog.timeBox(1)->text(), QStringLiteral("  3.60000E+03"));
        QCOMPARE(dialog.timeBox(2)->text(), QStringLiteral("  2.500000"));
        QCOMPARE(dialog.timeBox(3)->text(), QStringLiteral("  5.00000E-02"));
        QCOMPARE(dialog.setLabel(1)->text(), QStringLiteral(" 1: /d/S00001.RA1"));
        QCOMPARE(dialog.setLabel(2)->text(), QStringLiteral(" 2: ...c/S0000002.RA1"));
        QVERIFY(dialog.timeBox(4)->isHidden());
    }

    void pagesAreCutToTheActiveSets() {
        RecordingPrompts prompts;
        DataSetTimesDialog ten(activeSets(10), prompts);
        QCOMPARE(ten.tabs()->count(), 1);
        QCOMPARE(ten.tabs()->tabText(0), QStringLiteral("1 - 10"));
        DataSetTimesDialog eleven(activeSets(11), prompts);
        QCOMPARE(eleven.tabs()->count(), 2);
        QCOMPARE(eleven.tabs()->tabText(1), QStringLiteral("11 - 11"));
        DataSetTimesDialog many(activeSets(23), prompts);
        QCOMPARE(many.tabs()->count(), 3);
        QCOMPARE(many.tabs()->tabText(0), QStringLiteral("1 - 10"));
        QCOMPARE(many.tabs()->tabText(1), QStringLiteral("11 - 20"));
        QCOMPARE(many.tabs()->tabText(2), QStringLiteral("21 - 23"));
        DataSetTimesDialog all(activeSets(50), prompts);
        QCOMPARE(all.tabs()->tabText(4), QStringLiteral("41 - 50"));
    }

    void aBadTimeIsReportedByNumberAndKeepsTheDialogOpen() {
        AppState state = activeSets(12);
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(state, prompts);
        dialog.show();
        dialog.timeBox(1)->setText(QStringLiteral("100"));
        dialog.timeBox(3)->setText(QStringLiteral("12a"));
        dialog.timeBox(11)->setText(QStringLiteral("x"));
        dialog.accept();
        QCOMPARE(prompts.warnings.size(), 1);
        QCOMPARE(prompts.warnings[0].title, QStringLiteral("Input Error"));
        QCOMPARE(prompts.warnings[0].text, QStringLiteral("Illegal Value For Time #3! Try Again."));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(dialog.focusWidget(), dialog.timeBox(3));
        QCOMPARE(dialog.times()[1], 600.0);  // nothing handed back yet

        dialog.timeBox(3)->setText(QStringLiteral("7"));
        dialog.accept();
        QCOMPARE(prompts.warnings.size(), 2);
        QCOMPARE(prompts.warnings[1].text,
                 QStringLiteral("Illegal Value For Time #11! Try Again."));
        QCOMPARE(dialog.tabs()->currentIndex(), 1);
    }

    void okHandsBackEveryTimeAndKeepsTheRest() {
        AppState state = activeSets(3);
        state.DataSetTimes[4] = 99.0;  // beyond the active sets: passed on unchanged
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(state, prompts);
        dialog.timeBox(2)->setText(QStringLiteral(" 1.5E+03 "));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(prompts.warnings.isEmpty());
        QCOMPARE(dialog.times()[1], 600.0);
        QCOMPARE(dialog.times()[2], 1500.0);
        QCOMPARE(dialog.times()[4], 99.0);
    }
};

QTEST_MAIN(TimesDialogTest)
#include "times_dialog_test.moc"
