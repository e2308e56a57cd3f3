// The library binding: loading, binding every export by name, refusing a
// library that lacks one, and passing texts and numbers as the library
// expects them.
#include <QListWidget>
#include <QtTest>

#include "LibraryBinding.h"
#include "LogListBox.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class BindingTest : public QObject {
    Q_OBJECT

  private:
    CallRecord record_;

    // Loads a fresh binding with QUILLANE_LIBRARY pointing at `file`.
    static bool loadWith(LibraryBinding &binding, const QByteArray &file) {
        const QByteArray saved = qgetenv("QUILLANE_LIBRARY");
        qputenv("QUILLANE_LIBRARY", file);
        const bool ok = binding.load();
        qputenv("QUILLANE_LIBRARY", saved);
        return ok;
    }

  private slots:
    void init() { record_.clear(); }

    void aLibraryThatCannotBeLoadedIsReportedByName() {
        LibraryBinding binding;
        QVERIFY(!loadWith(binding, "/no/such/folder/libquillane.so"));
        QVERIFY(!binding.isLoaded());
        QVERIFY(binding.error().contains(QStringLiteral("could not be loaded")));
        QVERIFY(binding.error().contains(QStringLiteral("/no/such/folder/libquillane.so")));
    }

    void aLibraryLackingAnExportIsRefusedAndTheExportNamed() {
        LibraryBinding binding;
        QVERIFY(!loadWith(binding, QUILLANE_INCOMPLETE_LIBRARY));
        QVERIFY(!binding.isLoaded());
        QCOMPARE(binding.missingExports(), QStringList{QStringLiteral("tkrnd2")});
        QVERIFY(binding.error().contains(QStringLiteral("tkrnd2")));
    }

    void everyOperationOfTheInterfaceIsBound() {
        const QStringList names = LibraryBinding::exportNames();
        QCOMPARE(names.size(), 27);
        for (const char *name : {"initcommons", "getdatar", "TRANSFER_DATA", "GENERIC_PLOT",
                                 "fit_allB", "tkrnd2", "init_lbsink", "set_lim_indices_vb"})
            QVERIFY2(names.contains(QString::fromLatin1(name)), name);
        LibraryBinding binding;
        QVERIFY2(binding.load(), qPrintable(binding.error()));
        QVERIFY(binding.missingExports().isEmpty());
    }

    void textsCrossAsBlankPaddedEightBitCopiesWithTheirLength() {
        QCOMPARE(LibraryBinding::fixedText(QStringLiteral("abc"), 5), QByteArray("abc  "));
        QCOMPARE(LibraryBinding::fixedText(QStringLiteral("abcdef"), 4), QByteArray("abcd"));
        QCOMPARE(LibraryBinding::textLength(QStringLiteral("  /x/é.txt ")), 9);  // é is two bytes

        LibraryBinding binding;
        QVERIFY(binding.load());
        binding.init_namwr(QStringLiteral(" /data/run1.out "));
        binding.getdatar(QStringLiteral("/data/S00001.RA1"), 3);
        binding.setplotfile(QStringLiteral("/work/plot.dat"));
        QVERIFY(sameLines(record_.lines(),
                          {"init_namwr 14 /data/run1.out", "getdatar 3 127 /data/S00001.RA1",
                           "setplotfile 14 /work/plot.dat"}));
    }

    void resultsComeBackThroughTheArguments() {
        LibraryBinding binding;
        QVERIFY(binding.load());
        binding.setxirange(17.5, 24.25);
        double low = 0, high = 0;
        binding.getxirange(low, high);
        QCOMPARE(low, 17.5);
        QCOMPARE(high, 24.25);
        int32_t span = 0, points = 0, terms = 0;
        binding.get_differ_parms(span, points, terms);
        QCOMPARE(span, 50);
        QCOMPARE(points, 102400);
        QCOMPARE(terms, 3);
        float outLo = 0, outHi = 0;
        int32_t intervals = 0;
        binding.tkrnd2(1.0f, 2.0f, outLo, outHi, intervals);
        QCOMPARE(intervals, 5);
        const int32_t table[50] = {3, 1};
        binding.setredir(table, 2);
        QCOMPARE(record_.lines().last(), QStringLiteral("setredir 2 3 1"));
    }

    void theListReceivesTheLinesTheLibraryPosts() {
        LibraryBinding binding;
        QVERIFY(binding.load());
        QListWidget widget;
        LogListBox box(&widget);
        binding.init_lbsink(&LogListBox::operations());
        binding.init_lbhandle(box.handle(), 10);
        binding.getdatar(QStringLiteral("/data/a.RA1"), 1);
        binding.getdatar(QStringLiteral("/data/b.RA1"), 2);
        QCOMPARE(widget.count(), 2);
        QCOMPARE(widget.item(1)->text(), QStringLiteral(" read data set 2"));
    }

    void listOperationsCountScrollAndIgnoreUnknownHandles() {
        QListWidget widget;
        widget.resize(200, 100);
        widget.show();
        LogListBox box(&widget);
        for (int i = 0; i < 40; ++i)
            box.addString(QStringLiteral("line %1").arg(i));
        QCOMPARE(box.count(), 40);
        box.setTopIndex(30);
        QCOMPARE(widget.indexAt(QPoint(2, 2)).row(), 30);
        box.setTopIndex(99);  // out of range: nothing happens
        box.update();
        QCOMPARE(box.dispatchPending(), 0);
        const quillane_listbox_ops &ops = LogListBox::operations();
        ops.add_string(box.handle() + 1000, "lost");  // no list has this handle
        QCOMPARE(ops.get_count(box.handle() + 1000), 0);
        QCOMPARE(box.count(), 40);
    }
};

QTEST_MAIN(BindingTest)
#include "binding_test.moc"
