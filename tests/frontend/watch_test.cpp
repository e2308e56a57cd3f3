// SPDX-License-Identifier: MIT
// Data > Watch Folder... in the whole program, against the real library: a
// folder fed scan by scan (one of them in chunks) is followed, re-fitted at
// each whole scan, and the status line, the menus and the equilibrium note
// follow; and the dialog's choice as the user sets it.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "WatchController.h"
#include "WatchDialog.h"
#include "scan_files.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

// Looks every tenth of a second; the writer below pauses several looks.
constexpr double kInterval = 0.1;
constexpr int kPatienceMs = 20000;
constexpr int kWriterPauseMs = 400;

}  // namespace

class WatchTest : public WholeProgramTest {
    Q_OBJECT

  private:
    QTemporaryDir run_;
    QTemporaryDir out_;   // the runner's outputs
    QTemporaryDir cell_;  // examples with a solution column between menisci and base
    QString folder_ = run_.path();
    bool column_ = false;

    void answerDialog(QDialog &dialog) override {
        auto *watch = qobject_cast<WatchDialog *>(&dialog);
        QVERIFY2(watch, qPrintable("unexpected dialog " + dialog.objectName()));
        watch->folderField()->setText(folder_);
        watch->intervalBox()->setValue(kInterval);
        // The settled scans are a solution column alone, with no meniscus
        // to find; the examples have one.
        watch->columnBox()->setChecked(column_);
        if (!qEnvironmentVariable("QUILLANE_WATCH_SHOTS").isEmpty()) {
            watch->listSeries();
            watch->show();
            shot("watch-dialog");
        }
        watch->accept();
    }

    QString scanPath(int k) const {
        return run_.filePath(QStringLiteral("%1.RA1").arg(k, 5, 10, QLatin1Char('0')));
    }
    QByteArray scanText(int k) const {
        return QByteArray::fromStdString(
            quillane::test_support::scan_text(quillane::test_support::settled_scan(k)));
    }
    QString status() { return window().watchController()->statusText(); }
    // With QUILLANE_WATCH_SHOTS=DIR, the screen at this step into DIR/NAME.png.
    static void shot(const char *name) { screenShot("QUILLANE_WATCH_SHOTS", QLatin1String(name)); }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(run_.isValid());
        QVERIFY(start());
    }
    void cleanupTestCase() { finish(); }

    void theDialogGivesTheFolderPatternIntervalAndSeries() {
        WatchDialog dialog(WatchChoice{}, {});
        dialog.folderField()->setText(run_.path() + QStringLiteral("/none"));
        dialog.accept();
        QVERIFY(dialog.problemLabel()->isVisibleTo(&dialog));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.folderField()->setText(run_.path());
        dialog.patternField()->setText(QStringLiteral("*.RA1"));
        dialog.intervalBox()->setValue(2.5);
        dialog.seriesBox()->setEditText(QStringLiteral("280nm"));
        dialog.columnBox()->setChecked(false);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.choice().folder, run_.path());
        QCOMPARE(dialog.choice().pattern, QStringLiteral("*.RA1"));
        QCOMPARE(dialog.choice().intervalSeconds, 2.5);
        QCOMPARE(dialog.choice().series, QStringLiteral("280nm"));
        QVERIFY(!dialog.choice().useColumn);
    }

    void aFolderFedScanByScanIsFittedAgainAtEachWholeScan() {
        for (int k = 1; k <= 2; ++k)
            writeFile(scanPath(k), scanText(k));
        trigger("WatchFolder");
        WatchController *watch = window().watchController();
        QVERIFY(watch && watch->running());
        QCOMPARE(window().item(QStringLiteral("WatchFolder"))->text(),
                 QStringLiteral("Stop &Watching"));
        QSignalSpy fits(watch, &WatchController::analysed);
        QTRY_VERIFY_WITH_TIMEOUT(status().contains(QStringLiteral("waiting for at least 3 scans")),
                                 kPatienceMs);
        writeFile(scanPath(3), scanText(3));
        QTRY_VERIFY_WITH_TIMEOUT(status().contains(QStringLiteral("scan 3: 00003.RA1, t = 3.00 h")),
                                 kPatienceMs);
        QCOMPARE(fits.count(), 1);
        QCOMPARE(session().active_count(), 3);
        QVERIFY(session().fit_current());
        QVERIFY(window().item(QStringLiteral("PlotEquilibrium"))->isEnabled());
        shot("watch-3-scans");

        // Scan 4 in three chunks, the first two cut inside a line.
        const QByteArray text = scanText(4);
        for (qsizetype end : {text.size() / 3, 2 * text.size() / 3}) {
            writeFile(scanPath(4), text.left(end));
            QTest::qWait(kWriterPauseMs);
            QCOMPARE(fits.count(), 1);
        }
        shot("watch-chunk-waits");
        writeFile(scanPath(4), text);
        QTRY_VERIFY_WITH_TIMEOUT(status().contains(QStringLiteral("scan 4: 00004.RA1")),
                                 kPatienceMs);
        QCOMPARE(fits.count(), 2);
        QCOMPARE(session().active_count(), 4);
        QVERIFY(
            readFile(reportPath()).contains("Watch: 00004.RA1 waits: its last line is cut off"));
        shot("watch-4-scans");
    }

    // These scans match within their noise: once they span the block time
    // the verdict says equilibrium, and without a system tray a note that
    // does not wait says so.
    void equilibriumIsToldByANoteThatDoesNotWait() {
        writeFile(scanPath(5), scanText(5));
        QTRY_VERIFY2_WITH_TIMEOUT(status().contains(QStringLiteral("equilibrium reached")),
                                  qPrintable(status()), kPatienceMs);
        auto *note = window().findChild<QMessageBox *>(QStringLiteral("WatchEquilibriumNote"));
        QVERIFY(note);
        QVERIFY(!note->isModal());
        QVERIFY(note->text().contains(QStringLiteral("equilibrium reached")));
        shot("watch-equilibrium-note");
        note->close();
    }

    // The runner's watch, on the folder the program has just followed, ends
    // on the same scan with the same answer, line for line.
    void theRunnersWatchGivesTheSameAnswer() {
        const QString programLine = status().mid(status().indexOf(QStringLiteral("scan 5: ")));
        QProcess runner;
        runner.setWorkingDirectory(out_.path());
        runner.start(QStringLiteral(QUILLANE_BATCH_PATH),
                     {QStringLiteral("--watch"), run_.path(), QStringLiteral("--interval"),
                      QString::number(kInterval), QStringLiteral("--until-equilibrium")});
        QVERIFY(runner.waitForFinished(kPatienceMs));
        const QStringList lines = QString::fromUtf8(runner.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                      .filter(QStringLiteral("scan 5: "));
        QVERIFY2(!lines.isEmpty(), runner.readAllStandardError().constData());
        QCOMPARE(lines.last(), programLine);
        QCOMPARE(runner.exitCode(), 0);
    }

    void theCommandAgainStopsTheWatch() {
        trigger("WatchFolder");
        QVERIFY(!window().watchController()->running());
        QCOMPARE(window().item(QStringLiteral("WatchFolder"))->text(),
                 QStringLiteral("&Watch Folder..."));
        QVERIFY(status().startsWith(QStringLiteral("Watch ended")));
    }

    // The column found first is kept: a scan in which it is not found (its
    // points moved outward) gets no verdict, and the desktop is told which
    // column of which series is gone.
    void aWatchThatLosesItsColumnGivesNoVerdictAndSaysSo() {
        const auto example = [this](int k, double shift_cm) {
            const QString name = QStringLiteral("%1.RA1").arg(k, 5, 10, QLatin1Char('0'));
            writeFile(cell_.filePath(name),
                      QByteArray::fromStdString(quillane::test_support::moved_scan_text(
                          readFile(examplePath(name)).toStdString(), shift_cm)));
        };
        for (int k = 1; k <= 11; ++k)
            example(k, 0.0);
        folder_ = cell_.path();
        column_ = true;
        trigger("WatchFolder");
        QTRY_VERIFY2_WITH_TIMEOUT(status().contains(QStringLiteral("; column 1: ")),
                                  qPrintable(status()), kPatienceMs);
        example(12, 0.4);
        QTRY_VERIFY2_WITH_TIMEOUT(
            status().contains(QStringLiteral("is not found: no verdict for this scan")),
            qPrintable(status()), kPatienceMs);
        QVERIFY(status().contains(QStringLiteral("scan 12 (00012.RA1): column 1: ")));
        QVERIFY(!status().contains(QStringLiteral("equilibrium")));
        bool told = false;
        for (auto *note :
             window().findChildren<QMessageBox *>(QStringLiteral("WatchEquilibriumNote")))
            told = told || note->text().contains(QStringLiteral("column 1: "));
        QVERIFY(told);
        trigger("WatchFolder");
    }
};

QTEST_MAIN(WatchTest)
#include "watch_test.moc"
