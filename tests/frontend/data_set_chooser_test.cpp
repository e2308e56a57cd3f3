// The data-set chooser for plots: captions, pages, the reference set, and the
// list handed to the library.
#include <QCheckBox>
#include <QTabWidget>
#include <QtTest>

#include "AppState.h"
#include "DataSetChooserDialog.h"

using namespace quillane::frontend;

namespace {

AppState stateWithActiveSets(int n) {
    AppState state;
    state.NumActive = n;
    state.NumFilesRead = n;
    for (int k = 1; k <= n; ++k) {
        state.ActiveSetTable[static_cast<size_t>(k)] = k;
        state.DataFileNames[static_cast<size_t>(k)] =
            QStringLiteral("/data/%1.RA1").arg(k, 5, 10, QLatin1Char('0'));
    }
    return state;
}

}  // namespace

class DataSetChooserTest : public QObject {
    Q_OBJECT
  private slots:
    void okHandsOverTheTickedSetsCountFirst() {
        const AppState state = stateWithActiveSets(6);
        DataSetChooserDialog dialog(state, false, 1);
        dialog.box(2)->setChecked(true);
        dialog.box(5)->setChecked(true);
        dialog.accept();
        QCOMPARE(dialog.chosen()[0], 2);
        QCOMPARE(dialog.chosen()[1], 2);
        QCOMPARE(dialog.chosen()[2], 5);
    }

    void okWithNothingTickedHandsOverNothing() {
        const AppState state = stateWithActiveSets(4);
        DataSetChooserDialog dialog(state, false, 1);
        dialog.accept();
        QCOMPARE(dialog.chosen()[0], 0);
    }

    void plotAllForTheDeviationsLeavesTheReferenceSetOut() {
        const AppState state = stateWithActiveSets(4);
        DataSetChooserDialog dialog(state, true, 3);
        QVERIFY(!dialog.box(3)->isEnabled());
        QVERIFY(dialog.box(2)->isEnabled());
        dialog.plotAll();
        QCOMPARE(dialog.chosen()[0], 3);
        QCOMPARE(dialog.chosen()[1], 1);
        QCOMPARE(dialog.chosen()[2], 2);
        QCOMPARE(dialog.chosen()[3], 4);
    }

    void plotAllForADataPlotTakesEverySet() {
        const AppState state = stateWithActiveSets(4);
        DataSetChooserDialog dialog(state, false, 3);
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
        const AppState state = stateWithActiveSets(23);
        DataSetChooserDialog dialog(state, false, 1);
        QCOMPARE(dialog.tabs()->count(), 3);
        QCOMPARE(dialog.tabs()->tabText(0), QString("1 - 10"));
        QCOMPARE(dialog.tabs()->tabText(2), QString("21 - 23"));
        QVERIFY(dialog.box(24)->isHidden());
        QVERIFY(!dialog.box(23)->isHidden());
    }
};

QTEST_MAIN(DataSetChooserTest)
#include "data_set_chooser_test.moc"
