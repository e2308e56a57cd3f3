// SPDX-License-Identifier: MIT
// The program on a small screen at a large scale (1366 x 768 at 200 % gives
// 683 x 384 logical pixels): every dialog fits with its OK button in view,
// windows stay inside the screen and keep their place exactly, and the
// report's font is of fixed pitch whatever the desktop calls fixed.
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QtTest>

#include "AboutDialog.h"
#include "ActiveSetNames.h"
#include "ChooseRefSetDialog.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "DataSetTimesDialog.h"
#include "DifferParmsDialog.h"
#include "FixedFont.h"
#include "GuideWindow.h"
#include "ManyScansDialog.h"
#include "ResultGraphDialogs.h"
#include "ScreenFit.h"
#include "SeriesDialog.h"
#include "StatusProgress.h"
#include "Twips.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

// 1366 x 768 at 200 %.
const QRect kSmallScreen(0, 0, 683, 384);

std::vector<QString> fileNames(int n) {
    std::vector<QString> names;
    for (int k = 1; k <= n; ++k)
        names.push_back(QStringLiteral("/data/run/%1.RA1").arg(k, 5, 10, QLatin1Char('0')));
    return names;
}

std::vector<ActiveSetEntry> entries(int n) {
    std::vector<ActiveSetEntry> sets;
    for (int k = 1; k <= n; ++k)
        sets.push_back({QStringLiteral("%1.RA1").arg(k, 5, 10, QLatin1Char('0')), 3600.0 * k});
    return sets;
}

// The dialog's OK button: the one whose caption reads OK, or the button
// that accepts the dialog under another caption ("Analyse This Series").
QPushButton *okOf(QDialog &dialog) {
    for (QPushButton *button : dialog.findChildren<QPushButton *>())
        if (button->text().remove(QLatin1Char('&')) == QStringLiteral("OK")) return button;
    for (QDialogButtonBox *box : dialog.findChildren<QDialogButtonBox *>())
        for (QAbstractButton *button : box->buttons())
            if (box->buttonRole(button) == QDialogButtonBox::AcceptRole)
                return qobject_cast<QPushButton *>(button);
    return nullptr;
}

// A run folder's listing as a large run gives it: two cells, three speeds,
// three wavelengths, 60 scans each, and the instrument's logs.
quillane::session::RunListing largeRun() {
    quillane::session::RunListing run;
    run.folder = "/data/runs/2024-05-17 protein A, three speeds";
    int n = 0;
    for (int cell = 1; cell <= 2; ++cell)
        for (double rpm : {10000.0, 14000.0, 20000.0})
            for (double nm : {280.0, 260.0, 230.0})
                for (int k = 0; k < 60; ++k) {
                    quillane::session::ScanFacts f;
                    f.file = QStringLiteral("/data/runs/%1.RA%2")
                                 .arg(++n, 5, 10, QLatin1Char('0'))
                                 .arg(cell)
                                 .toStdString();
                    f.cell = cell;
                    f.speed_rpm = rpm;
                    f.wavelength_nm = nm;
                    f.time_s = 3600.0 * (k + 100 * (rpm / 10000.0)) + nm;
                    f.time_line = true;
                    run.scans.push_back(f);
                }
    for (int cell = 1; cell <= 2; ++cell)
        run.left_out.push_back(
            {"CELL.LOG", "not a scan file: CELL" + std::to_string(cell) + "ABS.LOG (no data lines)",
             true});
    run.split = quillane::session::split_into_series(run.scans);
    return run;
}

}  // namespace

class ScreensTest : public QObject {
    Q_OBJECT

  private:
    RecordingPrompts prompts_;
    AppState state_;

    // Fits the dialog to the small screen, shows it and checks that the
    // dialog lies inside the screen and its OK button inside the dialog,
    // not hidden in a scroll area.
    void checkFits(QDialog &dialog, const QRect &screen = kSmallScreen) {
        fitDialogToScreen(dialog, screen);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // The test's screen is larger: the dialog is placed on it as on ours.
        dialog.move(screen.topLeft());
        QVERIFY2(screen.contains(dialog.frameGeometry()), qPrintable(QStringLiteral("%1 at %2x%3")
                                                                         .arg(dialog.objectName())
                                                                         .arg(dialog.width())
                                                                         .arg(dialog.height())));
        QPushButton *ok = okOf(dialog);
        QVERIFY2(ok, qPrintable(dialog.objectName()));
        QVERIFY(ok->isVisible());
        const QRect okAt(ok->mapTo(&dialog, QPoint(0, 0)), ok->size());
        QVERIFY2(dialog.rect().contains(okAt), qPrintable(dialog.objectName()));
        for (const QScrollArea *scroll : dialog.findChildren<QScrollArea *>())
            QVERIFY(!scroll->isAncestorOf(ok));
    }

  private slots:
    void theDataFilesDialogFitsWithItsOkButtonInView() {
        DataFilesDialog dialog(state_, prompts_);
        checkFits(dialog);
    }

    // Smaller still (or a larger font): the contents scroll, OK stays.
    void onAnyScreenTheContentsScrollAndOkStaysInView() {
        const QRect tiny(0, 0, 360, 240);
        DataFilesDialog files(state_, prompts_);
        checkFits(files, tiny);
        QVERIFY(files.findChild<QScrollArea *>(QStringLiteral("ScreenFitScroll")));
        DataSetChooserDialog chooser(fileNames(50), false, 1);
        chooser.addLimitsPanel(prompts_, true, 17.9, 25.4, 16.0, 26.0);
        checkFits(chooser, tiny);
        // Shown again: fitted once, the same scroll area.
        chooser.hide();
        checkFits(chooser, tiny);
        QCOMPARE(chooser.findChildren<QScrollArea *>(QStringLiteral("ScreenFitScroll")).size(), 1);
    }

    void theChooserOfFiftySetsWithItsLimitsFits() {
        DataSetChooserDialog dialog(fileNames(50), false, 1);
        dialog.addLimitsPanel(prompts_, true, 17.9, 25.4, 16.0, 26.0);
        checkFits(dialog);
    }

    void theTimesAndResultDialogsFit() {
        std::vector<double> times(50, 3600.0);
        DataSetTimesDialog timesDialog(fileNames(50), times, prompts_);
        checkFits(timesDialog);
        RmsVsTimeDialog rms(prompts_, QStringLiteral("Plot RMS vs Time"), RmsChoice{}, entries(50));
        checkFits(rms);
        DevsVsTimeDialog devs(prompts_, 17.9, 25.4, true, 0);
        checkFits(devs);
        ChooseRefSetDialog ref(entries(50), 50);
        checkFits(ref);
        DifferParmsDialog differ({50, 120, 2});
        checkFits(differ);
    }

    void theDialogsOfOpeningARunFit() {
        SeriesDialog series(largeRun());
        QCOMPARE(series.list()->count(), 18);
        checkFits(series);
        ManyScansDialog many(QStringLiteral("cell 2, 20,000 rpm 230 nm"), 360, 50);
        checkFits(many);
        AboutDialog about({QStringLiteral("0.99.0039"), QStringLiteral("0.99.0039"),
                           QStringLiteral("/usr/lib/x86_64-linux-gnu/libquillane.so.0.99")});
        checkFits(about);
        GuideWindow guide;
        keepInside(&guide, kSmallScreen);
        QVERIFY(kSmallScreen.contains(guide.frameGeometry()));
    }

    void aWindowInsideTheScreenKeepsItsPlaceExactly() {
        QMainWindow window;
        window.setGeometry(112, 112, 400, 200);
        keepInside(&window, kSmallScreen);
        QCOMPARE(window.geometry(), QRect(112, 112, 400, 200));
        // Past the right edge: moved and shrunk to the screen.
        window.setGeometry(500, 100, 800, 300);
        keepInside(&window, kSmallScreen);
        QVERIFY(kSmallScreen.contains(window.frameGeometry()));
    }

    void aProportionalFixedFontGivesWayToAMonospaceFamily() {
        const QFont proportional(QStringLiteral("DejaVu Sans"), 10);
        if (QFontInfo(proportional).fixedPitch()) QSKIP("no proportional font installed");
        const QFont font = fixedPitchFont(proportional);
        QVERIFY(QFontInfo(font).fixedPitch());
        QCOMPARE(font.pointSize(), 10);
        QVERIFY(QFontInfo(reportFont()).fixedPitch());
    }

    void theStatusBarShowsHowFarReadingHasCome() {
        QMainWindow window;
        window.statusBar();
        window.show();
        {
            StatusProgress progress(window, QStringLiteral("Reading scan files"), 50);
            progress.step(20, 50);
            QVERIFY(progress.bar()->isVisible());
            QCOMPARE(progress.bar()->value(), 20);
        }
        QVERIFY(!window.findChild<QProgressBar *>(QStringLiteral("ProgressBar")));
    }
};

QTEST_MAIN(ScreensTest)
#include "screens_test.moc"
