// SPDX-License-Identifier: MIT
// The program's commands as a user meets them, against the real library:
// a command that waits says why, limits typed (in cm or cm^2) with no set
// ticked let the fit start, a cancelled chooser keeps the fit's results,
// times set to the set numbers are asked for and come back, the readout
// starts blank on each plot, a span too long for the limits is named and a
// fitting one offered, and "Every Nth" keeps the latest scan.  The slots run
// in order and build on each other.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ChooseRefSetDialog.h"
#include "ColumnsPanel.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LimitsPanel.h"
#include "SeriesDialog.h"
#include "plot_window.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

constexpr int kScans = 12;

void typeInto(QLineEdit *field, const QString &text) {
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace

class SafeCommandsTest : public WholeProgramTest {
    Q_OBJECT

  private:
    // How the scripted user answers the next dialogs.
    std::function<void(QDialog &)> answer_;

    void answerDialog(QDialog &dialog) override {
        if (answer_) {
            answer_(dialog);
        } else if (readSequenceFrom(dialog, examplePath(QStringLiteral("00001.RA1")))) {
            // the examples are read
        } else if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            chooser->plotAll();
        } else {
            dialog.accept();
        }
    }

    // Set Data Limits with these texts typed (in cm when `centimetres`)
    // and no set ticked.
    void typeLimits(const QString &low, const QString &high, bool centimetres = false) {
        answer_ = [=](QDialog &dialog) {
            auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog);
            QVERIFY(chooser && chooser->limitsPanel());
            LimitsPanel *limits = chooser->limitsPanel();
            if (centimetres) {
                limits->unit()->setCurrentIndex(0);
                QCOMPARE(limits->findChild<QLabel *>(QStringLiteral("LowerUnit"))->text(),
                         QStringLiteral("cm"));
                QVERIFY(chooser->columnsPanel()->button(1)->text().endsWith(QStringLiteral(" cm")));
            }
            typeInto(limits->lower(), low);
            typeInto(limits->upper(), high);
            QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("IsReady")),
                              Qt::LeftButton);
        };
        trigger("SetLimits");
        answer_ = nullptr;
    }

    QAction *action(const char *name) { return window().item(QString::fromLatin1(name)); }

    void expectWaiting(const char *name, const QString &why) {
        QVERIFY2(!action(name)->isEnabled(), name);
        QVERIFY2(action(name)->statusTip().contains(why), qPrintable(action(name)->statusTip()));
    }

    void expectResultsAvailable() {
        for (const char *name :
             {"PlotDummy2", "PlotdCdX_X", "PlotdCdX_C", "PlotEquilibrium", "SaveResultsCsv"})
            QVERIFY2(action(name)->isEnabled(), name);
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
    }
    void cleanupTestCase() { finish(); }

    void aCommandThatWaitsSaysWhyInItsStatusTip() {
        expectWaiting("FitIt", QStringLiteral("Read the data files first"));
        expectWaiting("EditUndo", QStringLiteral("nothing to undo"));
        trigger("GetDataFiles");
        QCOMPARE(session().active_count(), kScans);
        QVERIFY(action("SetLimits")->isEnabled());
        expectWaiting("FitIt", QStringLiteral("Set the data limits first"));
        expectWaiting("PlotDummy2", QStringLiteral("Fit the data first"));
    }

    void limitsTypedWithNoSetTickedLetTheFitStart() {
        typeLimits(QStringLiteral("17.9"), QStringLiteral("25.4"));
        QCOMPARE(libraryLimits(), std::make_pair(17.9, 25.4));
        QVERIFY(action("FitIt")->isEnabled());
        QVERIFY(!viewer() || !viewer()->isVisible());
    }

    void limitsTypedInCentimetresReachTheLibraryInXi() {
        typeLimits(QStringLiteral("6"), QStringLiteral("7.1"), true);
        QCOMPARE(libraryLimits(), std::make_pair(18.0, 7.1 * 7.1 / 2.0));
        typeLimits(QStringLiteral("17.9"), QStringLiteral("25.4"));
    }

    void aCancelledLimitsChooserAfterAFitKeepsItsResults() {
        trigger("FitIt");
        expectResultsAvailable();
        answer_ = [](QDialog &dialog) { dialog.reject(); };  // Esc
        trigger("SetLimits");
        answer_ = nullptr;
        expectResultsAvailable();
        QCOMPARE(libraryLimits(), std::make_pair(17.9, 25.4));
    }

    void numberedTimesAreAskedForMarkTheFitStaleAndAreUndone() {
        const std::vector<double> read = session().times();
        prompts_.answers.push_back(false);
        trigger("DSTimeToDSIndex");
        QCOMPARE(prompts_.confirmations.size(), 1);
        QVERIFY(prompts_.confirmations.last().text.contains(QStringLiteral("Edit > Undo")));
        QCOMPARE(session().times(), read);

        trigger("DSTimeToDSIndex");
        QCOMPARE(session().times()[kScans - 1], double(kScans));
        expectWaiting("PlotDummy2", QStringLiteral("changed since the last fit"));
        QCOMPARE(action("EditUndo")->text(), QStringLiteral("&Undo Set DS Time to DS Number"));
        trigger("EditUndo");
        QCOMPARE(session().times(), read);
        expectResultsAvailable();
    }

    void choosingTheSeriesAgainBringsTheTimesBack() {
        const std::vector<double> read = session().times();
        trigger("DSTimeToDSIndex");
        answer_ = [](QDialog &dialog) {
            auto *series = qobject_cast<SeriesDialog *>(&dialog);
            QVERIFY(series);
            series->pick(1);
            QTest::mouseClick(series->analyseButton(), Qt::LeftButton);
        };
        trigger("ChooseSeries");
        answer_ = nullptr;
        QCOMPARE(session().times(), read);
    }

    void theReadoutStartsBlankWithEachPlot() {
        trigger("PlotRaw");
        QVERIFY(viewer() && viewer()->isVisible());
        viewer()->mouseMove(QPointF(20.0, 0.5));
        QVERIFY(!viewer()->xyLabel()->text().trimmed().isEmpty());
        trigger("PlotRaw");
        QCOMPARE(viewer()->xyLabel()->text().trimmed(), QString());
    }

    void aSpanTooLongForTheLimitsIsNamedAndAFittingOneSet() {
        prompts_.warnings.clear();
        prompts_.questions.clear();
        typeLimits(QStringLiteral("18"), QStringLiteral("18.2"));
        QVERIFY(!prompts_.warnings.isEmpty());
        const QString warning = prompts_.warnings.first().text;
        QVERIFY(warning.startsWith(QStringLiteral("At LEAST ONE data set")));
        QVERIFY2(warning.contains(QStringLiteral("points inside the limits")), qPrintable(warning));
        QCOMPARE(prompts_.questions.size(), 1);
        QCOMPARE(prompts_.questions.first().title, QStringLiteral("Points per Fit"));
        const auto check = session().span_check();
        QVERIFY(check.fits);
        QCOMPARE(session().differ_parms().span, check.points - 1);
    }

    void everyNthKeepsTheLatestScan() {
        typeLimits(QStringLiteral("17.9"), QStringLiteral("25.4"));
        answer_ = [this](QDialog &dialog) {
            auto *files = qobject_cast<DataFilesDialog *>(&dialog);
            QVERIFY(files);
            prompts_.numbers.push_back(5);
            QTest::mouseClick(files->findChild<QPushButton *>(QStringLiteral("TickEveryNth")),
                              Qt::LeftButton);
            files->accept();
        };
        trigger("GetDataFiles");
        answer_ = nullptr;
        QCOMPARE(session().active_sets(), std::vector<int>({2, 7, 12}));
    }
};

QTEST_MAIN(SafeCommandsTest)
#include "safe_commands_test.moc"
