// SPDX-License-Identifier: MIT
// The program's answers as a user reads them, against the real library on
// the bundled examples: the equilibrium verdict whole with its lines named
// and its time in hours, the result dialogs' first choices and their own
// logarithm ticks, and the results saved as CSV and JSON with their
// extensions and a line that confirms each save.  The slots build on each
// other.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

#include "ChooseRefSetDialog.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LimitsPanel.h"
#include "ResultGraphDialogs.h"
#include "plot_legend.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

constexpr int kScans = 12;

}  // namespace

class AnswersTest : public WholeProgramTest {
    Q_OBJECT

  private:
    // What the result dialogs showed when they opened, and what to tick.
    QList<bool> kindsOffered_;
    QString logCaption_;
    bool logOffered_ = false;
    bool tickLog_ = false;

    void answerDialog(QDialog &dialog) override {
        if (readSequenceFrom(dialog, examplePath(QStringLiteral("00001.RA1")))) return;
        if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            if (LimitsPanel *limits = chooser->limitsPanel()) {
                limits->lower()->setText(QStringLiteral("17.9"));
                limits->upper()->setText(QStringLiteral("25.4"));
            }
            chooser->plotAll();
        } else if (auto *ref = qobject_cast<ChooseRefSetDialog *>(&dialog)) {
            ref->accept();
        } else if (auto *rms = qobject_cast<RmsVsTimeDialog *>(&dialog)) {
            kindsOffered_.clear();
            for (int i = 0; i < 3; ++i)
                kindsOffered_ << rms->rchoice(i)->isChecked();
            logCaption_ = rms->logChoice()->text();
            logOffered_ = rms->logChoice()->isChecked();
            rms->logChoice()->setChecked(tickLog_);
            rms->accept();
        } else if (auto *devs = qobject_cast<DevVsPosDialog *>(&dialog)) {
            logOffered_ = devs->logChoice()->isChecked();
            devs->accept();
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

    QString lastListLine() {
        QListWidget *list = window().outFileBox();
        return list->item(list->count() - 1)->text();
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
        trigger("GetDataFiles");
        QCOMPARE(session().active_count(), kScans);
        trigger("SetLimits");
        trigger("FitIt");
        QVERIFY(session().fit_current());
    }

    void cleanupTestCase() { finish(); }

    void theEquilibriumPlotGivesTheVerdictWholeAndNamesItsLines() {
        trigger("PlotEquilibrium");
        quillane::session::Assessment assessment;
        QVERIFY(session().assess(false, &assessment).done);
        const QString verdict = QString::fromStdString(assessment.verdict.text).trimmed();
        QVERIFY(verdict.size() > 20);
        QVERIFY(viewer()->answerLabel()->isVisible());
        QVERIFY2(viewer()->answerLabel()->text().contains(verdict, Qt::CaseInsensitive),
                 qPrintable(viewer()->answerLabel()->text()));
        // The second heading keeps only the time stamp; nothing is glued to it.
        const QString heading2 = QString::fromStdString(viewer()->state().data.heading2);
        QVERIFY2(heading2.startsWith(QStringLiteral("Assessed at ")), qPrintable(heading2));
        QVERIFY(!heading2.contains(QStringLiteral("::")));
        QStringList labels;
        for (const auto &line : viewer()->answer().lines)
            labels << line.text;
        QVERIFY2(labels.join('|').contains(QStringLiteral("noise of a difference")),
                 qPrintable(labels.join('|')));
        // Hours, as the verdict speaks them.
        QVERIFY(viewer()->timeInHours());
        QCOMPARE(QString::fromStdString(viewer()->state().data.x_label),
                 QStringLiteral("Time (hours)"));
        viewer()->ShowIt();
        QCOMPARE(viewer()->legend()->heading(), QStringLiteral("Approach to equilibrium"));
    }

    void theRmsDialogOffersEveryFitKindAndEachGraphKeepsItsOwnLogarithm() {
        tickLog_ = true;
        trigger("PlotRMS");
        QCOMPARE(kindsOffered_, QList<bool>({true, true, true}));
        QCOMPARE(logCaption_, QStringLiteral("&Ln (RMS)"));
        tickLog_ = false;
        trigger("PlotVar");
        QCOMPARE(logCaption_, QStringLiteral("&Ln (Variance)"));
        QVERIFY(!logOffered_);  // the RMS graph's tick is its own
        trigger("PlotDevs");
        QVERIFY(!logOffered_);
        trigger("PlotRMS");
        QVERIFY(logOffered_);
        // The answer bar belongs to the equilibrium plot; other graphs keep
        // their seconds until the user asks for hours.
        QVERIFY(!viewer()->answerLabel()->isVisible());
        QVERIFY(!viewer()->timeInHours());
    }

    void resultsAreSavedWithTheirExtensionsAndEachSaveIsConfirmed() {
        prompts_.saveNames.push_back(dir_->file(QStringLiteral("results")));
        trigger("SaveResultsCsv");
        const QString pairs = dir_->file(QStringLiteral("results.csv"));
        const QString scans = dir_->file(QStringLiteral("results-scans.csv"));
        QVERIFY(QFileInfo::exists(pairs));
        const QStringList rows =
            QString::fromUtf8(readFile(scans)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), kScans + 1);
        QVERIFY(rows[0].startsWith(QStringLiteral("set,data_set,file,time_s,time_h,points,noise")));
        // The latest scan is its own reference: distance 0, marked latest.
        QVERIFY2(rows.last().contains(QStringLiteral(",0,1,")), qPrintable(rows.last()));
        QVERIFY2(lastListLine().contains(QStringLiteral("Results saved: pairs in ")),
                 qPrintable(lastListLine()));
        QVERIFY(lastListLine().contains(scans));

        prompts_.saveNames.push_back(dir_->file(QStringLiteral("run")));
        trigger("SaveResultsJson");
        const QByteArray json = readFile(dir_->file(QStringLiteral("run.json")));
        QVERIFY(json.contains("\"equilibrium\""));
        QVERIFY(json.contains("\"noise\""));
        QVERIFY(lastListLine().contains(QStringLiteral("Results saved as JSON in ")));
        QVERIFY(prompts_.warnings.isEmpty());
    }
};

QTEST_MAIN(AnswersTest)
#include "answers_test.moc"
