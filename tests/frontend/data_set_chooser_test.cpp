// SPDX-License-Identifier: MIT
// The data-set chooser for plots: captions, pages, the reference set, the
// list handed to the library, and the limits typed beside the sets for the
// limits plot.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "DataSetChooserDialog.h"
#include "LimitsPanel.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

// The files of n active sets, as the session names them.
std::vector<QString> activeSets(int n) {
    std::vector<QString> names;
    for (int k = 1; k <= n; ++k)
        names.push_back(QStringLiteral("/data/%1.RA1").arg(k, 5, 10, QLatin1Char('0')));
    return names;
}

// Types over the whole text of a field, as a user does.
void typeInto(QLineEdit *field, const QString &text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace

class DataSetChooserTest : public QObject {
    Q_OBJECT

  private:
    RecordingPrompts prompts_;

    // The chooser of "Set Data Limits": limits 17.9..25.4 in force, the
    // range read 16..26 (xi).
    std::unique_ptr<DataSetChooserDialog> limitsChooser() {
        auto dialog = std::make_unique<DataSetChooserDialog>(activeSets(12), false, 12);
        dialog->addLimitsPanel(prompts_, true, 17.9, 25.4, 16.0, 26.0);
        dialog->show();
        return dialog;
    }

  private slots:
    void init() { prompts_.warnings.clear(); }

    void withFiftySetsEveryPageIsInView() {
        DataSetChooserDialog dialog(activeSets(50), false, 1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(everyTabInView(*dialog.tabs()));
    }

    void theLimitsFieldsStartAtTheLimitsInForceAndHandTypedOnesOver() {
        auto dialog = limitsChooser();
        LimitsPanel *limits = dialog->limitsPanel();
        QCOMPARE(limits->lower()->text(), QString("17.9"));
        QCOMPARE(limits->upper()->text(), QString("25.4"));
        typeInto(limits->lower(), "18.25");
        typeInto(limits->upper(), "2.4D1");
        dialog->box(3)->setChecked(true);
        QTest::keyClick(limits->upper(), Qt::Key_Return);  // OK
        QVERIFY(!dialog->isVisible());
        QVERIFY(prompts_.warnings.isEmpty());
        QVERIFY(dialog->typedLimits().has_value());
        QVERIFY(!dialog->typedLimits()->fullRange);
        QCOMPARE(dialog->typedLimits()->low, 18.25);
        QCOMPARE(dialog->typedLimits()->high, 24.0);
        QCOMPARE(dialog->chosenSets(), std::vector<int>{3});
    }

    void untouchedLimitsAreNotHandedOver() {
        auto dialog = limitsChooser();
        dialog->plotAll();
        QVERIFY(!dialog->typedLimits().has_value());
        QCOMPARE(dialog->chosen()[0], 12);
    }

    void fullRangeFillsInWhereThePointsLie() {
        auto dialog = limitsChooser();
        QTest::mouseClick(dialog->limitsPanel()->fullRangeButton(), Qt::LeftButton);
        QCOMPARE(dialog->limitsPanel()->lower()->text(), QString("16"));
        QCOMPARE(dialog->limitsPanel()->upper()->text(), QString("26"));
        QVERIFY(dialog->isVisible());
        dialog->accept();
        QVERIFY(dialog->typedLimits() && dialog->typedLimits()->fullRange);
    }

    void unusableLimitsAreRefusedAndTheDialogStaysOpen_data() {
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("message");
        const QString noData =
            "Invalid Operation|Error Setting Data Limits! This would remove all data.";
        QTest::newRow("not a number") << "18a"
                                      << "25"
                                      << "Parameter Entry Error|Illegal Value "
                                         "for the Lower Data Limit";
        QTest::newRow("empty") << "18"
                               << ""
                               << "Parameter Entry Error|Illegal Value for the "
                                  "Upper Data Limit";
        QTest::newRow("the wrong way round") << "25"
                                             << "18" << noData;
        QTest::newRow("equal") << "20"
                               << "20" << noData;
        const QString outside =
            "Invalid Operation|The limits %1 .. %2 cm^2 hold no data: the points read lie from "
            "16 to 26 cm^2.";
        QTest::newRow("above the points read") << "26.5"
                                               << "30" << outside.arg(26.5).arg(30);
        QTest::newRow("below the points read") << "10"
                                               << "15.9" << outside.arg(10).arg(15.9);
    }

    void unusableLimitsAreRefusedAndTheDialogStaysOpen() {
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(QString, message);
        auto dialog = limitsChooser();
        dialog->limitsPanel()->lower()->setText(low);
        dialog->limitsPanel()->upper()->setText(high);
        dialog->plotAll();
        QCOMPARE(prompts_.warnings.size(), 1);
        QCOMPARE(prompts_.warnings[0].title + "|" + prompts_.warnings[0].text, message);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->typedLimits().has_value());
    }

    void okHandsOverTheTickedSetsCountFirst() {
        DataSetChooserDialog dialog(activeSets(6), false, 1);
        dialog.box(2)->setChecked(true);
        dialog.box(5)->setChecked(true);
        dialog.accept();
        QCOMPARE(dialog.chosen()[0], 2);
        QCOMPARE(dialog.chosen()[1], 2);
        QCOMPARE(dialog.chosen()[2], 5);
        QCOMPARE(dialog.chosenSets(), (std::vector<int>{2, 5}));
    }

    void okWithNothingTickedHandsOverNothing() {
        DataSetChooserDialog dialog(activeSets(4), false, 1);
        dialog.accept();
        QCOMPARE(dialog.chosen()[0], 0);
    }

    void plotAllForTheDeviationsLeavesTheReferenceSetOut() {
        DataSetChooserDialog dialog(activeSets(4), true, 3);
        QVERIFY(!dialog.box(3)->isEnabled());
        QVERIFY(dialog.box(2)->isEnabled());
        dialog.plotAll();
        QCOMPARE(dialog.chosen()[0], 3);
        QCOMPARE(dialog.chosen()[1], 1);
        QCOMPARE(dialog.chosen()[2], 2);
        QCOMPARE(dialog.chosen()[3], 4);
    }

    void plotAllForADataPlotTakesEverySet() {
        DataSetChooserDialog dialog(activeSets(4), false, 3);
        QVERIFY(dialog.box(3)->isEnabled());
        dialog.plotAll();
        QCOMPARE(dialog.chosen()[0], 4);
    }

    void captionsShortenLongNamesToTheirLast21Characters() {
        QCOMPARE(DataSetChooserDialog::boxCaption(7, "short.RA1"), QString(" 7:  short.RA1"));
        const QString name30 = "abcdefghij0123456789ABCDEFGHIJ";
        QCOMPARE(DataSetChooserDialog::boxCaption(12, name30), " 12:  ..." + name30.right(21));
        QCOMPARE(DataSetChooserDialog::boxCaption(1, QString(23, 'x')), " 1:  " + QString(23, 'x'));
    }

    void pagesAreCutToTheActiveSets() {
        DataSetChooserDialog dialog(activeSets(23), false, 1);
        QCOMPARE(dialog.tabs()->count(), 3);
        QCOMPARE(dialog.tabs()->tabText(0), QString("1 - 10"));
        QCOMPARE(dialog.tabs()->tabText(2), QString("21 - 23"));
        QVERIFY(dialog.box(24)->isHidden());
        QVERIFY(!dialog.box(23)->isHidden());
    }
};

QTEST_MAIN(DataSetChooserTest)
#include "data_set_chooser_test.moc"
