// SPDX-License-Identifier: MIT
// Long commands against the real analysis library: reading the scan files
// and fitting them run while the window's event loop goes on.  The test
// holds each call at its start until the loop has let the test look at the
// window, so the loop provably ran while the call was under way; then the
// results arrive as after any command.
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSemaphore>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include "ChooseRefSetDialog.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LimitsPanel.h"
#include "MainWindow.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

constexpr int kScans = 12;

}  // namespace

class ProgressTest : public WholeProgramTest {
    Q_OBJECT

  private:
    // What the window showed while the held call waited to start.
    struct Seen {
        bool looked = false;
        bool busy = false;
        QString fitTip;
        bool exitEnabled = true;
        int barMaximum = -1;
        bool closed = true;
    };

    void answerDialog(QDialog &dialog) override {
        if (readSequenceFrom(dialog, examplePath(QStringLiteral("00001.RA1")))) return;
        if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            chooser->limitsPanel()->lower()->setText(QStringLiteral("17.9"));
            chooser->limitsPanel()->upper()->setText(QStringLiteral("25.4"));
            chooser->plotAll();
        } else if (auto *ref = qobject_cast<ChooseRefSetDialog *>(&dialog)) {
            ref->accept();
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

    // Triggers `name` with its long call held until the window's event loop
    // has run a look at the window, and the user has tried to close it.
    Seen triggerHeld(const char *name) {
        QSemaphore go;
        // Bounded, so that a call made without the loop fails the test instead
        // of hanging it: then nothing ever looks.
        window().setBeforeBackgroundCall([&go] { go.tryAcquire(1, 60000); });
        Seen seen;
        QTimer look;
        connect(&look, &QTimer::timeout, &window(), [&] {
            if (!window().busy() || seen.looked) return;
            seen.looked = true;
            seen.busy = true;
            seen.fitTip = window().item(QStringLiteral("FitIt"))->statusTip();
            seen.exitEnabled = window().item(QStringLiteral("AllDone"))->isEnabled();
            if (auto *bar = window().statusBar()->findChild<QProgressBar *>())
                seen.barMaximum = bar->maximum();
            prompts_.answers.push_back(true);  // "Exit Program?", should it be asked
            seen.closed = window().close();
            go.release();
        });
        look.start(0);
        trigger(name);
        look.stop();
        window().setBeforeBackgroundCall({});
        prompts_.answers.clear();
        return seen;
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
    }

    void cleanupTestCase() { finish(); }

    void readingCountsTheFilesWhileTheWindowKeepsRunning() {
        const Seen seen = triggerHeld("GetDataFiles");
        QVERIFY(seen.looked);
        QCOMPARE(seen.barMaximum, kScans);
        QVERIFY(!seen.exitEnabled);
        QCOMPARE(session().active_count(), kScans);
        QVERIFY(!window().busy());
    }

    void theFitLeavesTheWindowRunningAndItsResultsArrive() {
        prompts_.warnings.clear();
        trigger("SetLimits");
        QVERIFY(window().item(QStringLiteral("FitIt"))->isEnabled());
        const Seen seen = triggerHeld("FitIt");
        // Meanwhile: every command waits and says why, and the window
        // stays open, telling the user why.
        QVERIFY(seen.looked);
        QCOMPARE(seen.fitTip, QStringLiteral("Wait: Quillane is fitting the data."));
        QVERIFY(!seen.exitEnabled);
        QCOMPARE(seen.barMaximum, 0);  // a busy bar
        QVERIFY(!seen.closed);
        QVERIFY(window().isVisible());
        QCOMPARE(prompts_.warnings.size(), 1);
        QVERIFY(prompts_.warnings.first().text.contains(QStringLiteral("fitting the data")));
        // Afterwards: the results are there and the commands follow them.
        QVERIFY(session().fit_current());
        QVERIFY(window().item(QStringLiteral("PlotDummy2"))->isEnabled());
        QVERIFY(window().item(QStringLiteral("AllDone"))->isEnabled());
        QVERIFY(!window().item(QStringLiteral("FitIt"))->statusTip().startsWith("Wait"));
        QVERIFY(!window()
                     .outFileBox()
                     ->findItems(QStringLiteral(" Average values of variance and RMS:"),
                                 Qt::MatchStartsWith)
                     .isEmpty());
        QVERIFY(!window().statusBar()->findChild<QProgressBar *>());
    }
};

QTEST_MAIN(ProgressTest)
#include "progress_test.moc"
