// SPDX-License-Identifier: MIT
// The report window: the output file read-only, following what is appended,
// and searchable; File > View Report opens it on the output file.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include "AppState.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "ReportWindow.h"
#include "SessionText.h"
#include "session.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

void append(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write(bytes);
}

}  // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;

  private slots:
    void initTestCase() { quietOffscreenNotes(); }

    void theReportFollowsWhatIsAppendedWholeLinesOnly() {
        const QString path = writeFile(dir_.filePath(QStringLiteral("report.txt")),
                                       " Quillane V0.99  \r\n Current Revision V0.99.0039 \r\n");
        ReportWindow window;
        window.setFile(path);
        window.show();
        QCOMPARE(window.text()->toPlainText(),
                 QStringLiteral(" Quillane V0.99  \n Current Revision V0.99.0039 "));
        QVERIFY(window.text()->isReadOnly());
        QVERIFY(window.windowTitle().contains(QStringLiteral("report.txt")));

        QByteArray many;
        for (int i = 1; i <= 300; ++i)
            many += " Ref  1 DS " + QByteArray::number(i) + "\r\n";
        append(path, many + " half a li");
        QTRY_VERIFY(window.text()->toPlainText().endsWith(QStringLiteral(" Ref  1 DS 300")));
        // A window at the end stays at the end.
        QScrollBar *bar = window.text()->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        append(path, "ne\r\n");
        QTRY_VERIFY(window.text()->toPlainText().endsWith(QStringLiteral("\n half a line")));
        QCOMPARE(window.text()->blockCount(), 303);
    }

    void findingGoesRoundTheEndAndSaysWhenTheTextIsMissing() {
        const QString path = writeFile(dir_.filePath(QStringLiteral("find.txt")),
                                       "alpha\r\nBeta one\r\ngamma\r\nbeta two\r\n");
        ReportWindow window;
        window.setFile(path);
        window.show();
        QTest::keyClicks(window.findBox(), QStringLiteral("beta"));
        QTest::keyClick(window.findBox(), Qt::Key_Return);
        QCOMPARE(window.text()->textCursor().block().text(), QStringLiteral("Beta one"));
        QVERIFY(window.findNext());
        QCOMPARE(window.text()->textCursor().block().text(), QStringLiteral("beta two"));
        QVERIFY(window.findNext());
        QCOMPARE(window.text()->textCursor().block().text(), QStringLiteral("Beta one"));
        QCOMPARE(window.status()->text(), QStringLiteral("Went on from the start"));
        window.matchCase()->setChecked(true);
        QVERIFY(window.findPrevious());
        QCOMPARE(window.text()->textCursor().block().text(), QStringLiteral("beta two"));
        window.findBox()->setText(QStringLiteral("delta"));
        QVERIFY(!window.findNext());
        QCOMPARE(window.status()->text(), QStringLiteral("\"delta\" is not in the report"));
        QCOMPARE(window.text()->textCursor().block().text(), QStringLiteral("beta two"));
    }

    void viewReportOpensTheOutputFile() {
        LibraryBinding library;
        QVERIFY2(library.load(), qPrintable(library.error()));
        AppState state;
        RecordingPrompts prompts;
        quillane::session::Session session(library.exports());
        const QString path = dir_.filePath(QStringLiteral("out.txt"));
        std::string error;
        QVERIFY(session.create_report(toSession(path), error));
        MainWindow window(state, session, prompts);
        fillHooks(window.hooks());
        window.load();
        QCOMPARE(window.item(QStringLiteral("ViewReport"))->text(), QStringLiteral("View &Report"));
        window.item(QStringLiteral("ViewReport"))->trigger();
        QVERIFY(window.reportWindow() && window.reportWindow()->isVisible());
        QVERIFY(window.reportWindow()->text()->toPlainText().startsWith(
            QStringLiteral(" Quillane V0.99  \n Current Revision V0.99.0039")));
        prompts.answers.push_back(true);
        window.close();
        QVERIFY(!window.reportWindow()->isVisible());
    }
};

QTEST_MAIN(ReportWindowTest)
#include "report_window_test.moc"
