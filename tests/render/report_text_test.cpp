// SPDX-License-Identifier: MIT
// The run report's words on its pages: text from outside cleaned of what
// would reorder or break it, and a text taller than a page split over pages
// at its lines (fuzz_report_text holds the layout to its contract at large).
#include <QGuiApplication>
#include <QTest>

#include "qt_support.h"
#include "report_text.h"

using namespace quillane::viewer;

namespace {

// A column of a table, in screen pixels.
constexpr double kColumn = 120.0;

}  // namespace

class ReportTextTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { quillane::test_support::quietOffscreenNotes(); }

    void whatWouldReorderOrBreakTheTextIsTakenOut_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("shown");
        QTest::newRow("override") << QStringLiteral("scan\u202Efdp.RA1")
                                  << QStringLiteral("scanfdp.RA1");
        QTest::newRow("embeddings, isolates, marks")
            << QStringLiteral("a\u202Ab\u202Dc\u2066d\u2069e\u200Ef\u200Fg\u061C")
            << QStringLiteral("abcdefg");
        QTest::newRow("breaks") << QStringLiteral("two\nlines\tand\r\na\u2028b\u2029c")
                                << QStringLiteral("two lines and  a b c");
        QTest::newRow("controls") << QStringLiteral("a\u0001b\u0007c\u007Fd\u009Be\u0085f")
                                  << QStringLiteral("abcde f");
        // What is neither stays: other scripts, accents, joiners.
        QTest::newRow("kept") << QStringLiteral("Zell\u00e9 \u05e9\u05dc\u05d5\u05dd a\u200Db")
                              << QStringLiteral("Zell\u00e9 \u05e9\u05dc\u05d5\u05dd a\u200Db");
    }
    void whatWouldReorderOrBreakTheTextIsTakenOut() {
        QFETCH(QString, given);
        QFETCH(QString, shown);
        QCOMPARE(reportText(given), shown);
        const ReportText laid(given, reportFont(9.5), nullptr, kColumn);
        QCOMPARE(laid.text(), shown);
    }

    void aTextTallerThanAPageIsSplitOverPagesAtItsLines() {
        const ReportText laid(QStringLiteral("word ").repeated(400), reportFont(9.5), nullptr,
                              kColumn);
        const double line = laid.height(0, 1);
        const double page = 10.5 * line;  // ten lines to a page
        // Half a line left on this page: the text begins on the next.
        std::vector<int> runs = laid.pageRuns(line / 2, page);
        QCOMPARE(runs.front(), 0);
        QCOMPARE(runs.back(), laid.lines());
        for (size_t i = 1; i < runs.size(); ++i) {
            QVERIFY(runs[i] > runs[i - 1]);
            QVERIFY(laid.height(runs[i - 1], runs[i]) <= page);
        }
        QCOMPARE(runs[1], 10);
        // Three lines left: three go there.
        runs = laid.pageRuns(3.5 * line, page);
        QCOMPARE(runs.front(), 3);
        // A page too small for one line still takes one at a time.
        runs = laid.pageRuns(line / 2, line / 2);
        QCOMPARE(static_cast<int>(runs.size()), laid.lines());
    }
};

QTEST_MAIN(ReportTextTest)
#include "report_text_test.moc"
