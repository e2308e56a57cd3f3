// SPDX-License-Identifier: MIT
// A three-speed, two-wavelength, six-channel run in the program, against
// the real analysis library: after reading, the series dialog lists the six
// series and the one picked becomes the active sets (and the data-file
// window's ticks); "Set Data Limits" shows the three solution columns as
// buttons that fill the limit fields, and the limits reach the library.
// The slots run in order and build on each other.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "ColumnsPanel.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LimitsPanel.h"
#include "MainWindow.h"
#include "SeriesDialog.h"
#include "StartUp.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

constexpr int kFiles = 36;

QString runFile(int n) {
    return QDir(QStringLiteral(QUILLANE_EXAMPLES_DIR))
        .absoluteFilePath(QStringLiteral("multispeed/%1.RA2").arg(n, 5, 10, QLatin1Char('0')));
}

// The data sets of series k of the run: speed (k + 1) / 2, every other
// file from the first of its wavelength.
std::vector<int> seriesSets(int k) {
    std::vector<int> sets;
    const int first = 12 * ((k - 1) / 2) + 1 + (k - 1) % 2;
    for (int i = 0; i < 6; ++i)
        sets.push_back(first + 2 * i);
    return sets;
}

}  // namespace

class SeriesColumnsTest : public WholeProgramTest {
    Q_OBJECT

  private:
    // What the scripted user does in the next series dialog and chooser.
    std::function<void(SeriesDialog &)> inSeries_;
    std::function<void(DataSetChooserDialog &)> inChooser_;
    int seriesDialogs_ = 0;

    void answerDialog(QDialog &dialog) override {
        if (auto *files = qobject_cast<DataFilesDialog *>(&dialog)) {
            prompts_.openNames.push_back(runFile(1));
            files->loadSequence();
            files->accept();
        } else if (auto *series = qobject_cast<SeriesDialog *>(&dialog)) {
            ++seriesDialogs_;
            if (inSeries_) inSeries_(*series);
        } else if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            if (inChooser_) inChooser_(*chooser);
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
    }

    void cleanupTestCase() { finish(); }

    void afterReadingTheSeriesDialogListsEverySeriesAndThePickBecomesTheActiveSets() {
        inSeries_ = [](SeriesDialog &d) {
            QCOMPARE(d.list()->count(), 6);
            QCOMPARE(d.list()->item(4)->text(),
                     QStringLiteral("Series 5: 20,000 rpm 280 nm, 6 scans, 43.00 h to 58.00 h "
                                    "(00025.RA2 ... 00035.RA2)"));
            QVERIFY(!d.notes()->isVisibleTo(&d));
            d.pick(5);
            QTest::mouseClick(d.analyseButton(), Qt::LeftButton);
        };
        trigger("GetDataFiles");
        QCOMPARE(seriesDialogs_, 1);
        QCOMPARE(session().data_set_count(), kFiles);
        QCOMPARE(session().active_sets(), seriesSets(5));
        for (int n = 1; n <= kFiles; ++n)
            QCOMPARE(window().form1().includeBox(n - 1)->isChecked(), n >= 25 && n % 2 == 1);
        const QByteArray report = readFile(dir_->file(QStringLiteral("report.txt")));
        QVERIFY(report.contains(" The scans read make 6 series: 10,000 rpm 280 nm, 6 scans; "));
        QVERIFY(report.contains(" Series 5 is analysed: 20,000 rpm 280 nm, 6 scans"));
        QVERIFY(prompts_.warnings.isEmpty());
    }

    void theColumnButtonsFillTheLimitFieldsAndTheLibraryTakesThem() {
        std::vector<quillane::session::Column> shown;
        inChooser_ = [&shown](DataSetChooserDialog &chooser) {
            ColumnsPanel *columns = chooser.columnsPanel();
            QVERIFY(columns);
            QCOMPARE(columns->columnCount(), 3);
            QVERIFY(!columns->noneFound()->isVisibleTo(columns));
            for (int k = 1; k <= 3; ++k) {
                shown.push_back(columns->column(k));
                QCOMPARE(columns->button(k)->text(),
                         ColumnsPanel::buttonText(k, columns->column(k), true));
            }
            QVERIFY(columns->button(2)->text().startsWith(QStringLiteral("Column 2: 20.4")));
            QTest::mouseClick(columns->button(2), Qt::LeftButton);
            QCOMPARE(chooser.limitsPanel()->lower()->text(),
                     LimitsPanel::limitText(columns->column(2).low));
            chooser.plotAll();
        };
        trigger("SetLimits");
        QCOMPARE(shown.size(), 3u);
        QCOMPARE(session().limits().low, shown[1].low);
        QCOMPARE(session().limits().high, shown[1].high);
        QCOMPARE(libraryLimits(), std::make_pair(shown[1].low, shown[1].high));
        QVERIFY(window().item(QStringLiteral("FitIt"))->isEnabled());
        QVERIFY(prompts_.warnings.isEmpty());
    }

    void aWiderMarginMovesTheColumnsLimitsInward() {
        double before = 0, after = 0;
        inChooser_ = [&](DataSetChooserDialog &chooser) {
            ColumnsPanel *columns = chooser.columnsPanel();
            before = columns->column(1).low;
            columns->margin()->setValue(0.05);
            QCOMPARE(columns->columnCount(), 3);
            after = columns->column(1).low;
            chooser.reject();
        };
        trigger("SetLimits");
        // 0.03 cm more at r = 5.86 cm is 0.18 cm^2 more in xi.
        QVERIFY2(std::fabs(after - before - 0.03 * 5.9) < 0.01,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
    }

    void theMenuOffersTheSeriesAgainWithTheActiveOneMarked() {
        inSeries_ = [](SeriesDialog &d) {
            QCOMPARE(d.list()->currentRow(), 4);  // series 5 is active
            d.pick(2);
            d.accept();
        };
        trigger("ChooseSeries");
        QCOMPARE(seriesDialogs_, 2);
        QCOMPARE(session().active_sets(), seriesSets(2));
        QVERIFY(window().form1().includeBox(1)->isChecked());
        QVERIFY(!window().form1().includeBox(0)->isChecked());
    }

    void keepingTheActiveSetsChangesNothing() {
        inSeries_ = [](SeriesDialog &d) { d.reject(); };
        trigger("ChooseSeries");
        QCOMPARE(session().active_sets(), seriesSets(2));
        QVERIFY(prompts_.warnings.isEmpty());
    }
};

QTEST_MAIN(SeriesColumnsTest)
#include "series_columns_test.moc"
