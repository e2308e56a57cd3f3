// SPDX-License-Identifier: MIT
// The times dialog: the time and label layouts, the pages cut to the active
// sets, and the check of what the user typed.
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "DataSetTimesDialog.h"
#include "TextFormat.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class TimesDialogTest : public QObject {
    Q_OBJECT

  private:
    // The files and times of `count` active sets, as the session gives them.
    struct Sets {
        std::vector<QString> names;
        std::vector<double> times = std::vector<double>(50, 0.0);
    };
    static Sets activeSets(int count) {
        Sets sets;
        for (int k = 1; k <= count; ++k) {
            sets.names.push_back(QStringLiteral("/d/S%1.RA1").arg(k, 5, 10, QLatin1Char('0')));
            sets.times[static_cast<size_t>(k - 1)] = 600.0 * k;
        }
        return sets;
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

    void withFiftySetsEveryPageIsInView() {
        const Sets sets = activeSets(50);
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(sets.names, sets.times, prompts);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.tabs()->count(), 5);
        QVERIFY(everyTabInView(*dialog.tabs()));
    }

    void theBoxesShowTheTimesAndTheLabelsNumberAndName() {
        Sets sets = activeSets(3);
        sets.names[1] = QStringLiteral("/data/c/S0000002.RA1");  // 20 characters
        sets.times[0] = 3600.0;
        sets.times[1] = 2.5;
        sets.times[2] = 0.05;
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(sets.names, sets.times, prompts);
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
        const Sets s10 = activeSets(10);
        DataSetTimesDialog ten(s10.names, s10.times, prompts);
        QCOMPARE(ten.tabs()->count(), 1);
        QCOMPARE(ten.tabs()->tabText(0), QStringLiteral("1 - 10"));
        const Sets s11 = activeSets(11);
        DataSetTimesDialog eleven(s11.names, s11.times, prompts);
        QCOMPARE(eleven.tabs()->count(), 2);
        QCOMPARE(eleven.tabs()->tabText(1), QStringLiteral("11 - 11"));
        const Sets s23 = activeSets(23);
        DataSetTimesDialog many(s23.names, s23.times, prompts);
        QCOMPARE(many.tabs()->count(), 3);
        QCOMPARE(many.tabs()->tabText(0), QStringLiteral("1 - 10"));
        QCOMPARE(many.tabs()->tabText(1), QStringLiteral("11 - 20"));
        QCOMPARE(many.tabs()->tabText(2), QStringLiteral("21 - 23"));
        const Sets s50 = activeSets(50);
        DataSetTimesDialog all(s50.names, s50.times, prompts);
        QCOMPARE(all.tabs()->tabText(4), QStringLiteral("41 - 50"));
    }

    void aBadTimeIsReportedByNumberAndKeepsTheDialogOpen() {
        const Sets sets = activeSets(12);
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(sets.names, sets.times, prompts);
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
        QCOMPARE(dialog.times()[0], 600.0);  // nothing handed back yet

        dialog.timeBox(3)->setText(QStringLiteral("7"));
        dialog.accept();
        QCOMPARE(prompts.warnings.size(), 2);
        QCOMPARE(prompts.warnings[1].text,
                 QStringLiteral("Illegal Value For Time #11! Try Again."));
        QCOMPARE(dialog.tabs()->currentIndex(), 1);
    }

    void okHandsBackEveryTimeAndKeepsTheRest() {
        Sets sets = activeSets(3);
        sets.times[3] = 99.0;  // beyond the active sets: passed on unchanged
        RecordingPrompts prompts;
        DataSetTimesDialog dialog(sets.names, sets.times, prompts);
        dialog.timeBox(2)->setText(QStringLiteral(" 1.5E+03 "));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(prompts.warnings.isEmpty());
        QCOMPARE(dialog.times()[0], 600.0);
        QCOMPARE(dialog.times()[1], 1500.0);
        QCOMPARE(dialog.times()[3], 99.0);
    }
};

QTEST_MAIN(TimesDialogTest)
#include "times_dialog_test.moc"
