// The data-set chooser for plots: captions, pages, the reference set, and the
// list handed to the library.
#include <QCheckBox>
#include <QTabWidget>
#include <QtTest>

#include "DataSetChooserDialog.h"

using namespace quillane::frontend;

namespace {

// The files of n active sets, as the session names them.
std::vector<QString> activeSets(int n) {
    std::vector<QString> names;
    for (int k = 1; k <= n; ++k)
        names.push_back(QStringLiteral("/data/%1.RA1").arg(k, 5, 10, QLatin1Char('0')));
    return names;
}

}  // namespace

class DataSetChooserTest : public QObject {
    Q_OBJECT
  private slots:
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
