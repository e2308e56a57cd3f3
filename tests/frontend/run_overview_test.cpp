// SPDX-License-Identifier: MIT
// Data > Run Overview... in the whole program, against the real library: a
// simulated run of two cells, two speeds and two wavelengths shown a row a
// series; a folder followed as it fills, with the speed line and its
// desktop note; the table out as CSV and PDF; a row opened in the main
// window, whose own analysis the overview never touched.
#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include "RunOverviewWindow.h"
#include "instrument_sim.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;
namespace sim = quillane::sim;

namespace {

constexpr int kPatienceMs = 60000;
constexpr double kInterval = 0.1;
constexpr int kSeries = 8;
// Table columns, as the session's summary heads them.
constexpr int kCell = 1, kSpeed = 2, kScans = 4, kVerdict = 5;

// As the session's test: every series at 10,000 rpm settles within its
// twelve scans, none at 14,000 rpm within its four.
sim::RunSpec twoSpeeds() {
    sim::RunSpec plan;
    plan.cells = {{1, sim::Centerpiece::six_channel, {}}, {2, sim::Centerpiece::two_channel, {}}};
    plan.speeds = {{10000.0, 12, 3.0, 6.0}, {14000.0, 4, 3.0, 4.5}};
    plan.wavelengths_nm = {280.0, 260.0};
    plan.seed = 11;
    return plan;
}

}  // namespace

class RunOverviewTest : public WholeProgramTest {
    Q_OBJECT

  private:
    QTemporaryDir runs_;
    sim::RunTruth truth_;

    void answerDialog(QDialog &dialog) override { dialog.reject(); }
    QString run() const { return runs_.filePath(QStringLiteral("run")); }
    RunOverviewWindow &overview() { return *window().runOverview(); }
    QString cell(int row, int column) { return overview().table()->item(row, column)->text(); }
    // Waits until every series is analysed.
    bool settled() {
        return QTest::qWaitFor(
            [this] {
                if (overview().busy()) return false;
                for (int r = 0; r < overview().table()->rowCount(); ++r)
                    if (cell(r, kVerdict) == QStringLiteral("to be analysed")) return false;
                return true;
            },
            kPatienceMs);
    }
    // Copies the files of the run's series at `rpm` into `folder`.
    void copySpeed(double rpm, const QString &folder) {
        for (const sim::RunSeries &s : truth_.series)
            if (s.setup.rpm == rpm)
                for (const std::string &f : s.files)
                    QFile::copy(run() + QLatin1Char('/') + QString::fromStdString(f),
                                folder + QLatin1Char('/') + QString::fromStdString(f));
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
        std::string error;
        truth_ = sim::write_run(run().toStdString(), twoSpeeds(), {}, error);
        QVERIFY2(error.empty(), error.c_str());
        trigger("RunOverview");
        QVERIFY(overview().isVisible());
    }
    void cleanupTestCase() { finish(); }

    void aRunFolderShowsARowPerSeriesWithItsVerdict() {
        overview().folderField()->setText(run());
        QTest::mouseClick(overview().findChild<QPushButton *>(QStringLiteral("OverviewShow")),
                          Qt::LeftButton);
        QVERIFY(settled());
        QCOMPARE(overview().table()->rowCount(), kSeries);
        for (int r = 0; r < kSeries; ++r) {
            const bool first = cell(r, kSpeed) == QStringLiteral("10,000");
            QVERIFY(first || cell(r, kSpeed) == QStringLiteral("14,000"));
            QCOMPARE(cell(r, kScans), first ? QStringLiteral("12") : QStringLiteral("4"));
            QVERIFY2(cell(r, kVerdict).startsWith(QStringLiteral("reached by scan")) == first,
                     qPrintable(cell(r, kVerdict)));
        }
        QVERIFY(overview().speedLine().isEmpty());
        QVERIFY(overview().speedLabel()->text().startsWith(QStringLiteral("Not every series")));
        // The main window's analysis is its own.
        QVERIFY(!session().files_read());
    }

    void aFollowedFolderSaysOnceThatTheSpeedCanChange() {
        QTemporaryDir live;
        copySpeed(10000.0, live.path());
        overview().folderField()->setText(live.path());
        overview().intervalBox()->setValue(kInterval);
        QSignalSpy said(&overview(), &RunOverviewWindow::speedCanChange);
        overview().toggleFollowing();
        QVERIFY(overview().following());
        const QString line = QStringLiteral(
            "all 4 series at 10,000 rpm reached equilibrium: the speed can be changed");
        QTRY_COMPARE_WITH_TIMEOUT(overview().speedLine(), line, kPatienceMs);
        QCOMPARE(overview().speedLabel()->text(),
                 QStringLiteral("All 4 series at 10,000 rpm reached equilibrium: the speed can be "
                                "changed."));
        // No tray offscreen: the note is a message box that does not wait.
        auto *note = overview().findChild<QMessageBox *>(QStringLiteral("RunOverviewSpeedNote"));
        QVERIFY(note && note->isVisible());
        screenShot("QUILLANE_OVERVIEW_SHOTS", QStringLiteral("overview-speed-line"));
        QVERIFY(note->text().contains(line));
        note->close();

        // The rotor moves on: the new speed's series come, none settled.
        copySpeed(14000.0, live.path());
        QTRY_COMPARE_WITH_TIMEOUT(overview().table()->rowCount(), kSeries, kPatienceMs);
        QVERIFY(settled());
        screenShot("QUILLANE_OVERVIEW_SHOTS", QStringLiteral("overview-next-speed"));
        QTRY_VERIFY_WITH_TIMEOUT(overview().speedLine().isEmpty(), kPatienceMs);
        QCOMPARE(said.count(), 1);
        overview().toggleFollowing();
        QVERIFY(!overview().following());
        QVERIFY(!session().files_read());
    }

    void theTableGoesOutAsCsvAndThePdfReport() {
        overview().folderField()->setText(run());
        overview().showFolder();
        QVERIFY(settled());
        const QString csv = runs_.filePath(QStringLiteral("overview"));
        prompts_.saveNames.push_back(csv);
        overview().findChild<QAction *>(QStringLiteral("OverviewExportCsv"))->trigger();
        const QList<QByteArray> lines = readFile(csv + QStringLiteral(".csv")).split('\n');
        QCOMPARE(lines.size(), kSeries + 2);  // the heading, the rows, and after the last end
        QVERIFY(lines[0].startsWith("series,name,cell,speed_rpm,wavelength_nm,scans,"));
        QVERIFY(lines[1].startsWith("1,\"cell 1, 10,000 rpm 280 nm, 12 scans\",1,10000,280,12,"));

        const QString pdf = runs_.filePath(QStringLiteral("overview.pdf"));
        prompts_.saveNames.push_back(pdf);
        overview().findChild<QAction *>(QStringLiteral("OverviewExportReport"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            overview().statusLabel()->text().startsWith(QStringLiteral("Run report written")),
            kPatienceMs);
        QVERIFY(readFile(pdf).startsWith("%PDF"));
        QVERIFY2(prompts_.warnings.isEmpty(), qPrintable(prompts_.warnings.value(0).text));
    }

    void aRowOpensItsSeriesInTheMainWindowAskingFirstWhenFilesAreRead() {
        QTableWidget *table = overview().table();
        table->setFocus();
        table->selectRow(0);
        QTest::keyClick(table, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(session().files_read(), kPatienceMs);
        QCOMPARE(session().data_set_count(), cell(0, kScans).toInt());
        QCOMPARE(session().active_count(), session().data_set_count());

        // Another series in its place, once the user agrees.
        const int row = kSeries - 1;
        const QString cellOf = cell(row, kCell);
        prompts_.answers.push_back(true);
        table->selectRow(row);
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(prompts_.questions.size(), 1);
        QVERIFY(prompts_.questions[0].text.contains(QStringLiteral("Read cell %1").arg(cellOf)));
        QTRY_COMPARE_WITH_TIMEOUT(session().data_set_count(), cell(row, kScans).toInt(),
                                  kPatienceMs);
        QVERIFY(QString::fromStdString(session().file_name(1))
                    .endsWith(QStringLiteral(".RA%1").arg(cellOf)));
    }
};

QTEST_MAIN(RunOverviewTest)
#include "run_overview_test.moc"
