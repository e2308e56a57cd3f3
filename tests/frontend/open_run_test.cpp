// SPDX-License-Identifier: MIT
// Whole runs in the program, against the real analysis library: a
// simulated run folder of two cells, two speeds and three wavelengths
// opened with File > Open Run lists its series and reads the one picked; a
// series of more than 50 scans is cut as the user chooses, and said; files
// that are no scans and points outside the data limits are counted in the
// status line and the report; Close Run and another Open Run need no
// restart; F1, About and Ctrl+Q.  The slots run in order.
#include <filesystem>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QtTest>

#include "AboutDialog.h"
#include "DataSetChooserDialog.h"
#include "GuideWindow.h"
#include "LimitsPanel.h"
#include "ManyScansDialog.h"
#include "SeriesDialog.h"
#include "SessionText.h"
#include "instrument_sim.h"
#include "scan_files.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;
namespace sim = quillane::sim;
namespace fs = std::filesystem;

class OpenRunTest : public WholeProgramTest {
    Q_OBJECT

  private:
    std::function<void(SeriesDialog &)> inSeries_;
    std::function<void(ManyScansDialog &)> inManyScans_;
    std::function<void(QDialog &)> inOther_;

    void answerDialog(QDialog &dialog) override {
        if (auto *series = qobject_cast<SeriesDialog *>(&dialog)) {
            QVERIFY(inSeries_);
            inSeries_(*series);
        } else if (auto *many = qobject_cast<ManyScansDialog *>(&dialog)) {
            QVERIFY(inManyScans_);
            inManyScans_(*many);
        } else if (inOther_) {
            inOther_(dialog);
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

    QString folder(const char *name) { return dir_->file(QString::fromLatin1(name)); }
    QString statusLine() { return window().readSummary()->text(); }
    QByteArray report() { return readFile(reportPath()); }

    // Opens `run` with File > Open Run, picking series `k`.
    void openRun(const QString &run, int k) {
        prompts_.folderNames.push_back(run);
        inSeries_ = [k](SeriesDialog &d) {
            d.pick(k);
            d.accept();
        };
        trigger("OpenRun");
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
    }

    void cleanupTestCase() { finish(); }

    void aSimulatedRunFolderListsItsSeriesAndThePickedOneIsRead() {
        std::string error;
        sim::write_run(toSession(folder("run")), sim::RunSpec{}, {}, error);
        QVERIFY2(error.empty(), error.c_str());
        // A picture a user renamed: no scan, whatever its name says.
        writeFile(folder("run/00099.RA1"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        QStringList rows;
        QString notes;
        prompts_.folderNames.push_back(folder("run"));
        inSeries_ = [&](SeriesDialog &d) {
            for (int i = 0; i < d.list()->count(); ++i)
                rows << d.list()->item(i)->text();
            notes = d.notes()->text();
            d.pick(8);
            d.accept();
        };
        trigger("OpenRun");
        QCOMPARE(rows.size(), 12);
        QCOMPARE(rows.first(), QStringLiteral("Series 1: cell 1, 10,000 rpm 280 nm, 6 scans, "
                                              "2.00 h to 17.00 h (00001.RA1 ... 00016.RA1)"));
        QVERIFY(notes.contains(QStringLiteral("not a scan file: CELL1ABS.LOG (no data lines)")));
        QVERIFY(notes.contains(QStringLiteral("not a scan file: 00099.RA1 (binary content)")));
        QCOMPARE(session().data_set_count(), 6);
        QCOMPARE(session().active_count(), 6);
        QVERIFY(rows.at(7).contains(fileNameOf(session().file_name(1)) + QStringLiteral(" ... ") +
                                    fileNameOf(session().file_name(6))));
        QVERIFY(statusLine().contains(QStringLiteral("3 files of the run were left out")));
        QVERIFY(report().contains(" Series 8 is analysed: "));
        QVERIFY(report().contains(" not a scan file: 00099.RA1 (binary content)"));
        QVERIFY(prompts_.warnings.isEmpty());
    }

    void aSeriesOfMoreThanFiftyScansIsCutAsTheUserChoosesAndSaidSo() {
        sim::RunSpec long_run;
        long_run.cells = {{1, sim::Centerpiece::two_channel, {}}};
        long_run.speeds = {{10000.0, 60, 0.25, 6.0}};
        long_run.wavelengths_nm = {280.0};
        std::string error;
        sim::write_run(toSession(folder("long")), long_run, {}, error);
        QVERIFY2(error.empty(), error.c_str());
        QString told;
        inManyScans_ = [&told](ManyScansDialog &d) {
            told = d.findChild<QLabel *>(QStringLiteral("ManyScansText"))->text();
            d.accept();  // the latest 50, as offered
        };
        openRun(folder("long"), 1);
        QVERIFY(told.contains(QStringLiteral("holds 60 scans; at most 50")));
        QCOMPARE(session().data_set_count(), 50);
        const char *cut =
            "10 of the 60 scans of this series were left out: only the latest 50 "
            "are read (00011.RA1 ... 00060.RA1)";
        QVERIFY(statusLine().contains(QString::fromLatin1(cut)));
        QVERIFY(report().contains(cut));
    }

    void closeRunThenAnotherOpenRunNeedsNoRestart() {
        trigger("CloseRun");
        QVERIFY(!session().files_read());
        QVERIFY(statusLine().isEmpty());
        QVERIFY(!window().item(QStringLiteral("FitIt"))->isEnabled());
        // Again from File > Open Recent, every 3rd scan this time.
        QMenu *recent = window().item(QStringLiteral("RecentRuns"))->menu();
        QCOMPARE(recent->actions().first()->text(), QStringLiteral("&1 ") + folder("long"));
        inManyScans_ = [](ManyScansDialog &d) {
            d.everyBox()->setValue(3);
            d.accept();
        };
        recent->actions().first()->trigger();
        QCOMPARE(session().data_set_count(), 20);
        QCOMPARE(session().file_name(20), toSession(folder("long/00060.RA1")));
        QVERIFY(
            statusLine().contains(QStringLiteral("40 of the 60 scans of this series were "
                                                 "left out: every 3rd scan is read")));
    }

    void pointsOutsideTheDataLimitsAreCountedAndTheFullRangeIsTheData() {
        QVERIFY(QDir().mkpath(folder("wide")));
        for (int k = 1; k <= 3; ++k) {
            quillane::test_support::Scan scan;
            scan.time = 3600.0 * k;
            scan.points = quillane::test_support::points_on(5.70, 0.008, 201,
                                                            [k](double r) { return r + k; });
            quillane::test_support::write_file(
                toSession(folder("wide")) + "/0000" + std::to_string(k) + ".RA1",
                quillane::test_support::scan_text(scan));
        }
        writeFile(folder("wide/CELL1ABS.LOG"), "Absorbance log of cell 1\r\n");
        openRun(folder("wide"), 1);
        const QString counted = QStringLiteral("leaves 36 of the 603 points read out");
        QVERIFY(statusLine().contains(counted));
        QVERIFY(statusLine().contains(QStringLiteral("not a scan file: CELL1ABS.LOG")));
        QVERIFY(report().contains(counted.toLatin1()));
        // Limits past the default range, inside the data, are taken.
        QString fullRange;
        inOther_ = [&fullRange](QDialog &dialog) {
            auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog);
            QVERIFY(chooser && chooser->limitsPanel());
            fullRange = chooser->findChild<QLabel *>(QStringLiteral("FullRangeText"))->text();
            chooser->limitsPanel()->lower()->setText(QStringLiteral("26.3"));
            chooser->limitsPanel()->upper()->setText(QStringLiteral("26.6"));
            chooser->plotAll();
        };
        trigger("SetLimits");
        QCOMPARE(fullRange, QStringLiteral("Full range: 16.245 to 26.645 cm^2"));
        QCOMPARE(libraryLimits(), std::make_pair(26.3, 26.6));
        // A few points per scan lie there: the span is offered lower, no
        // limits are refused.
        for (const auto &warning : std::as_const(prompts_.warnings))
            QVERIFY2(!warning.text.contains(QStringLiteral("remove all data")),
                     qPrintable(warning.text));
        prompts_.warnings.clear();
        inOther_ = nullptr;
    }

    void helpShowsTheGuideAndTheVersionsAndCtrlQAsksBeforeEnding() {
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        QTest::keyClick(&window(), Qt::Key_F1);
        QVERIFY(window().guideWindow() && window().guideWindow()->isVisible());
        QVERIFY(window().guideWindow()->text()->toPlainText().contains(QStringLiteral("Quillane")));
        QString versions;
        inOther_ = [&versions](QDialog &dialog) {
            versions = dialog.findChild<QLabel *>(QStringLiteral("Versions"))->text();
            dialog.accept();
        };
        trigger("HelpAbout");
        QVERIFY(versions.contains(QStringLiteral("Program version ") +
                                  QString::fromStdString(session().program_version())));
        QVERIFY(versions.contains(QStringLiteral("Analysis library version ") +
                                  QString::fromStdString(session().library_version())));
        inOther_ = nullptr;
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        const qsizetype asked = prompts_.questions.size();
        prompts_.answers.push_back(false);
        QTest::keyClick(&window(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(prompts_.questions.size(), asked + 1);
        QCOMPARE(prompts_.questions.last().text, QStringLiteral("Exit Program?"));
        QVERIFY(window().isVisible());
    }
};

QTEST_MAIN(OpenRunTest)
#include "open_run_test.moc"
