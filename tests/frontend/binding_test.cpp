// SPDX-License-Identifier: MIT
// The library binding: loading, binding every export by name, refusing a
// library that lacks one, and passing texts and numbers as the library
// expects them.
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "LibraryBinding.h"
#include "LogListBox.h"
#include "SessionText.h"
#include "session.h"
#include "test_support.h"

using namespace quillane;
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
        LibraryBinding binding;
        QVERIFY2(binding.load(), qPrintable(binding.error()));
        QVERIFY(binding.missingExports().isEmpty());
        const auto &table = binding.exports();
        QVERIFY(table.initcommons && table.getdatar && table.fit_allB && table.tkrnd2 &&
                table.init_lbsink_ctx && table.quillane_version && table.quillane_last_error);
    }

    // Names cross as the file system spells them, with their own length.
    void textsCrossAsEightBitNamesWithTheirLength() {
        LibraryBinding binding;
        QVERIFY(binding.load());
        session::Session session(binding.exports());
        std::string error;
        QTemporaryDir dir;
        const QString report = dir.filePath(QStringLiteral("r\u00e9port.txt"));
        QVERIFY(session.create_report(toSession(report), error));
        session.set_plot_file("/work/plot.dat");
        QVERIFY(sameLines(
            record_.lines(),
            {QStringLiteral("init_namwr %1 %2").arg(QFile::encodeName(report).size()).arg(report),
             "setplotfile 14 /work/plot.dat"}));
        QVERIFY(QFile::exists(report));
    }

    void theListReceivesTheLinesTheLibraryPosts() {
        LibraryBinding binding;
        QVERIFY(binding.load());
        QListWidget widget;
        LogListBox box(&widget);
        session::Session session(binding.exports());
        session.attach_list_box(LogListBox::operations(), &box, 10);
        session.read_and_select({"/data/a.RA1", "/data/b.RA1", "/data/c.RA1"}, {1, 2, 3});
        QCOMPARE(widget.item(1)->text(), QStringLiteral(" read data set 2"));
        QCOMPARE(widget.item(3)->text(),
                 QStringLiteral(" Orig.DS# 1 :: /data/a.RA1 is active DS#1."));
    }

    void listOperationsCountScrollAndIgnoreANullContext() {
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
        const quillane_listbox_ctx_ops &ops = LogListBox::operations();
        ops.add_string(nullptr, "lost");
        QCOMPARE(ops.get_count(nullptr), 0);
        ops.add_string(&box, "kept");
        QCOMPARE(box.count(), 41);
    }
};

QTEST_MAIN(BindingTest)
#include "binding_test.moc"
