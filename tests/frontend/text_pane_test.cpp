// SPDX-License-Identifier: MIT
// The text pane: the printer items, printing through a printer, copying the
// selected lines to the clipboard, and getting the lines out without a
// printer (Select All, Copy, Save List As).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "AppState.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "TextPane.h"
#include "scan_files.h"
#include "session.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

// Pages of a PDF file: each page object names its type.
int pdfPages(const QByteArray &pdf) {
    return static_cast<int>(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") +
                            pdf.count("/Type /Page/") + pdf.count("/Type /Page>"));
}

}  // namespace

class TextPaneTest : public QObject {
    Q_OBJECT

  private:
    LibraryBinding library_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<AppState> state_;
    std::unique_ptr<RecordingPrompts> prompts_;
    std::unique_ptr<quillane::session::Session> session_;
    std::unique_ptr<MainWindow> window_;

    void makeWindow(const QStringList &printers, const QString &defaultPrinter) {
        state_ = std::make_unique<AppState>();
        state_->PrinterNames = printers;
        state_->DefaultPrinterName = defaultPrinter;
        prompts_ = std::make_unique<RecordingPrompts>();
        session_ = std::make_unique<quillane::session::Session>(library_.exports());
        window_ = std::make_unique<MainWindow>(*state_, *session_, *prompts_);
        fillHooks(window_->hooks());
        window_->load();
    }

    QListWidget *list() const { return window_->outFileBox(); }

    void addLines(const QStringList &lines) {
        for (const QString &line : lines)
            list()->addItem(line);
    }

    void printToPdf(const QString &file) {
        window_->textPane().printerFactory = [file](const QString &) {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
            return printer;
        };
    }

  private slots:
    void initTestCase() { QVERIFY(library_.load()); }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        makeWindow(
            {QStringLiteral("Office"), QStringLiteral("Lab PDF"), QStringLiteral("Basement")},
            QStringLiteral("Lab PDF"));
    }

    void cleanup() {
        prompts_->answers.push_back(true);
        window_.reset();
    }

    void noPrinterDisablesThePrintMenuAndItsCommands() {
        makeWindow({}, QString());
        for (const char *name : {"PrintDummy1", "PrintFitting", "PrnSelect"})
            QVERIFY2(!window_->item(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(window_->textPane().printerActions().isEmpty());
    }

    void theListCommandsWaitForLinesPrinterOrNot() {
        makeWindow({}, QString());
        const char *commands[] = {"SelectAllLines", "CopySelect", "SaveListAs"};
        for (const char *name : commands)
            QVERIFY2(!window_->item(QString::fromLatin1(name))->isEnabled(), name);
        addLines({QStringLiteral("a line")});
        for (const char *name : commands)
            QVERIFY2(window_->item(QString::fromLatin1(name))->isEnabled(), name);
        list()->clear();
        QVERIFY(!window_->item(QStringLiteral("CopySelect"))->isEnabled());
    }

    void withoutAPrinterTheKeysSelectAndCopyEveryLine() {
        makeWindow({}, QString());
        addLines({QStringLiteral("  one"), QStringLiteral("two"), QStringLiteral(" three ")});
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        list()->setFocus();
        list()->item(0)->setSelected(true);
        list()->item(2)->setSelected(true);
        QTest::keyClick(list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one\r\nthree"));
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one\r\ntwo\r\nthree"));
        QVERIFY(prompts_->warnings.isEmpty());
    }

    void saveListWritesEveryLineAsShownNextToTheReport() {
        state_->OutFileName = dir_->filePath(QStringLiteral("report.txt"));
        addLines({QStringLiteral(" Quillane V0.99  "), QString(), QStringLiteral(" DS:  1")});
        const QString file = dir_->filePath(QStringLiteral("list.txt"));
        prompts_->saveNames.push_back(file);
        window_->item(QStringLiteral("SaveListAs"))->trigger();
        QCOMPARE(prompts_->saveAsFolders, QStringList{dir_->path()});
        QCOMPARE(readFile(file), QByteArray(" Quillane V0.99  \r\n\r\n DS:  1\r\n"));
        QVERIFY(prompts_->warnings.isEmpty());
        // A folder that cannot be written to is reported.
        prompts_->saveNames.push_back(dir_->filePath(QStringLiteral("none/list.txt")));
        window_->textPane().saveList();
        QCOMPARE(prompts_->warnings.size(), 1);
        QCOMPARE(prompts_->warnings[0].title, QStringLiteral("Save Error"));
    }

    // A device named as the list's file gets the lines; a pipe is refused;
    // neither is replaced by a plain file.
    void aListIsWrittenToADeviceAndRefusedByAPipeNeitherReplaced() {
        namespace ts = quillane::test_support;
        const std::filesystem::path device = dir_->filePath(QStringLiteral("device")).toStdString();
        const std::filesystem::path pipe = dir_->filePath(QStringLiteral("pipe")).toStdString();
        if (!ts::make_node(device, ts::Node::null_device) || !ts::make_node(pipe, ts::Node::pipe))
            QSKIP("no device can be made here");
        const QStringList lines{QStringLiteral(" DS:  1")};
        QString error;
        QVERIFY2(TextPane::writeLines(QString::fromStdString(device), lines, &error),
                 qPrintable(error));
        QVERIFY(!TextPane::writeLines(QString::fromStdString(pipe), lines, &error));
        QVERIFY2(error.contains(QStringLiteral("it is a named pipe, not a file")),
                 qPrintable(error));
        QVERIFY(std::filesystem::is_character_file(device));
        QVERIFY(std::filesystem::is_fifo(pipe));
    }

    void printerItemsFollowTheSystemListAndCheckTheDefault() {
        const QList<QAction *> items = window_->textPane().printerActions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->objectName(), QStringLiteral("Prn2Array_1"));
        QCOMPARE(items[1]->text(), QStringLiteral("Lab PDF"));
        QVERIFY(!items[0]->isChecked());
        QVERIFY(items[1]->isChecked());
        QCOMPARE(window_->textPane().currentPrinter(), 2);
        // They come before the print commands, after the hidden element 0.
        QMenu *menu = window_->findChild<QMenu *>(QStringLiteral("PrintDummy1"));
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.indexOf(items[0]),
                 actions.indexOf(window_->item(QStringLiteral("Prn2Array_0"))) + 1);
        QVERIFY(actions.indexOf(items[2]) <
                actions.indexOf(window_->item(QStringLiteral("PrintFitting"))));
    }

    void aDefaultPrinterMatchingNoneLeavesTheFirstCurrent() {
        makeWindow({QStringLiteral("Office"), QStringLiteral("Lab")},
                   QStringLiteral("--Not String--"));
        QVERIFY(window_->textPane().printerActions()[0]->isChecked());
        QVERIFY(!window_->textPane().printerActions()[1]->isChecked());
        QCOMPARE(window_->textPane().currentPrinter(), 1);
    }

    void choosingAPrinterMovesTheCheckMarkHereAndInTheViewer() {
        QStringList viewer;
        window_->hooks().setViewerPrinterChecked = [&viewer](int index, bool on) {
            viewer << QStringLiteral("%1%2").arg(index).arg(on ? "+" : "-");
        };
        window_->textPane().printerActions()[2]->trigger();
        QVERIFY(viewer.isEmpty());  // no viewer open
        QCOMPARE(state_->DefaultPrinterName, QStringLiteral("Basement"));
        state_->PlotWindowOpen = kTrue;
        window_->textPane().printerActions()[0]->trigger();
        QVERIFY(sameLines(viewer, {"1-", "2-", "3-", "1+"}));
        QVERIFY(window_->textPane().printerActions()[0]->isChecked());
        QVERIFY(!window_->textPane().printerActions()[2]->isChecked());
        QCOMPARE(state_->DefaultPrinterName, QStringLiteral("Office"));
    }

    void copyJoinsTheTrimmedSelectedLinesWithCrLf() {
        addLines({QStringLiteral("  first  "), QStringLiteral("skipped"), QStringLiteral(" second"),
                  QStringLiteral("third   "), QStringLiteral("also skipped")});
        list()->item(0)->setSelected(true);
        list()->item(2)->setSelected(true);
        list()->item(3)->setSelected(true);
        window_->item(QStringLiteral("CopySelect"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\r\nsecond\r\nthird"));
        QVERIFY(prompts_->warnings.isEmpty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void copyWithNothingSelectedWarnsAndLeavesTheClipboardEmpty() {
        QApplication::clipboard()->setText(QStringLiteral("old"));
        addLines({QStringLiteral("a line")});
        window_->textPane().copySelected();
        QCOMPARE(prompts_->warnings.size(), 1);
        QCOMPARE(prompts_->warnings[0].title, QStringLiteral("Nothing Selected"));
        QCOMPARE(prompts_->warnings[0].text,
                 QStringLiteral("No Text Was Selected!  Clipboard is Now Empty."));
        QVERIFY(QApplication::clipboard()->text().isEmpty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void printingAllLinesLetsThePrinterBreakThePages() {
        QStringList lines;
        for (int i = 0; i < 150; ++i)
            lines << QStringLiteral(" line %1 of the report").arg(i);
        addLines(lines);
        const QString pdf = dir_->filePath(QStringLiteral("all.pdf"));
        printToPdf(pdf);
        window_->item(QStringLiteral("PrintFitting"))->trigger();
        QVERIFY(prompts_->warnings.isEmpty());
        const int pages = pdfPages(readFile(pdf));
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void printingTheSelectionPrintsOnlySelectedLines() {
        QStringList lines;
        for (int i = 0; i < 150; ++i)
            lines << QStringLiteral(" line %1").arg(i);
        addLines(lines);
        list()->item(5)->setSelected(true);
        list()->item(140)->setSelected(true);
        QCOMPARE(window_->textPane().selectedLines(), (QStringList{" line 5", " line 140"}));
        const QString pdf = dir_->filePath(QStringLiteral("selected.pdf"));
        printToPdf(pdf);
        window_->item(QStringLiteral("PrnSelect"))->trigger();
        QCOMPARE(pdfPages(readFile(pdf)), 1);
    }

    void aPrintThatFailsRestoresThePointerAndSaysSo() {
        addLines({QStringLiteral("a line")});
        printToPdf(dir_->filePath(QStringLiteral("no/such/folder/out.pdf")));
        window_->textPane().printAll();
        QCOMPARE(prompts_->warnings.size(), 1);
        QCOMPARE(prompts_->warnings[0].title, QStringLiteral("Print Error"));
        QVERIFY(prompts_->warnings[0].text.contains(QStringLiteral("Lab PDF")));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(TextPaneTest)
#include "text_pane_test.moc"
