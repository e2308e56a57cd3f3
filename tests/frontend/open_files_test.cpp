// SPDX-License-Identifier: MIT
// Scan files named outside the menus -- on the command line, dropped onto the
// main window -- follow the rules of "Read Data Files": read once, as data
// sets 1..n, at least three; otherwise they wait in the data-file window.
#include <filesystem>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "AppState.h"
#include "DataFilesDialog.h"
#include "FileNames.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "SeriesDialog.h"
#include "SessionText.h"
#include "scan_files.h"
#include "session.h"
#include "test_support.h"

using namespace quillane;
using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class OpenFilesTest : public StandInWindowTest {
    Q_OBJECT

  private:
    QString scan(const QString &name, int number = 1) {
        return writeFile(dir_->filePath(name), scanFileContent(number));
    }

    QStringList scans(const QStringList &names) {
        QStringList files;
        for (int i = 0; i < names.size(); ++i)
            files << scan(names[i], i + 1);
        return files;
    }

    // The data sets read, by file name, in the order the library got them.
    QStringList readOrder() const {
        QStringList names;
        for (const QString &line : record_.lines())
            if (line.startsWith(QLatin1String("getdatar ")))
                names << line.section(QLatin1Char(' '), 3);
        return names;
    }

    QStringList rowNames() {
        QStringList names;
        for (int n = 1; n <= state_->NumFilesRead; ++n)
            names << state_->DataFileNames[n];
        return names;
    }

    // Drops `files` onto the main window as a file manager does; the files
    // are taken once the drop has been handled.
    bool drop(const QStringList &files) {
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        return drop(urls);
    }
    bool drop(const QList<QUrl> &urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window_.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window_.get(), &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    }

  private slots:
    void initTestCase() { loadLibrary(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    // A relative name is read by its full path, as a name picked in the
    // dialog is.
    void threeOrMoreFilesAreReadInTheOrderGivenAllActive() {
        const QStringList files =
            scans({QStringLiteral("c.RA1"), QStringLiteral("a.RA1"), QStringLiteral("b.RA1")});
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_->path()));
        window_->openDataFiles({files[0], files[1], QStringLiteral("./b.RA1")});
        QDir::setCurrent(start);
        QVERIFY(prompts_->warnings.isEmpty());
        QVERIFY(sameLines(readOrder(), files));
        QCOMPARE(session_->active_sets(), (std::vector<int>{1, 2, 3}));
        QCOMPARE(window_->item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("Select &Active Data Files"));
        QVERIFY(window_->item(QStringLiteral("SetLimits"))->isEnabled());
        // The data-file window shows what was read, every row ticked, so
        // choosing among the sets later starts from the files read.
        QVERIFY(sameLines(rowNames(), files));
        for (int row = 0; row < 3; ++row)
            QVERIFY(window_->form1().includeBox(row)->isChecked());
        QCOMPARE(state_->ActiveFlags[3], kTrue);
    }

    void fewerThanThreeFilesWaitInTheDataFileWindow() {
        const QStringList files = scans({QStringLiteral("a.IP1"), QStringLiteral("b.IP1")});
        window_->openDataFiles(files);
        QVERIFY(readOrder().isEmpty());
        QVERIFY(!session_->files_read());
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(prompts_->warnings[0].text.contains(QStringLiteral("at least 3 scan files")));
        QVERIFY(sameLines(rowNames(), files));

        // "Read Data Files" then starts from them: one more file and OK.
        const QString third = scan(QStringLiteral("c.IP1"), 3);
        prompts_->onDialog = [this, third](QDialog &dialog) {
            auto *form = qobject_cast<DataFilesDialog *>(&dialog);
            QVERIFY(form && form->loadMode());
            QCOMPARE(form->nameBox(1)->toolTip(), QDir::toNativeSeparators(rowNames()[1]));
            prompts_->openNames.push_back(third);
            form->pickFile(2);
            form->accept();
        };
        window_->GetDataFiles();
        QVERIFY(sameLines(readOrder(), files + QStringList{third}));
    }

    void aFileThatCannotBeReadStopsTheReadingAndIsNamed() {
        QStringList files =
            scans({QStringLiteral("a.RA1"), QStringLiteral("b.RA1"), QStringLiteral("c.RA1")});
        const QString absent = dir_->filePath(QStringLiteral("absent.RA1"));
        files.insert(1, absent);
        window_->openDataFiles(files);
        QVERIFY(readOrder().isEmpty());
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(prompts_->warnings[0].text.contains(absent + ": there is no such file"));
        QVERIFY(
            prompts_->warnings[0].text.contains(QStringLiteral("The 3 files that can be read")));
        files.removeAt(1);
        QVERIFY(sameLines(rowNames(), files));
    }

    void moreThanFiftyFilesAreOpenedAsARunOfWhichTheUserChooses() {
        QStringList files;
        for (int i = 0; i < kMaxDataSets + 1; ++i)
            files << scan(QStringLiteral("s%1.RA1").arg(i), i + 1);
        int dialogs = 0;
        prompts_->onDialog = [&dialogs](QDialog &dialog) {
            ++dialogs;
            if (auto *series = qobject_cast<SeriesDialog *>(&dialog)) series->pick(1);
            dialog.accept();  // the one series; then the latest 50
        };
        window_->openDataFiles(files);
        QCOMPARE(dialogs, 2);
        QCOMPARE(readOrder(), files.mid(1));
        QVERIFY(window_->readSummary()->text().contains(
            QStringLiteral("1 of the 51 scans of this series were left out")));
    }

    void droppedFilesAreReadInTheOrderOfTheirNamesCountingNumbers() {
        const QStringList files = scans({QStringLiteral("scan10.RA1"), QStringLiteral("scan2.RA1"),
                                         QStringLiteral("scan1.RA1")});
        QVERIFY(drop(files));
        QVERIFY(sameLines(readOrder(), {files[2], files[1], files[0]}));
    }

    void filesDroppedAfterTheFirstReadingReplaceTheRunWhenTheUserAgrees() {
        window_->openDataFiles(
            scans({QStringLiteral("a.RA1"), QStringLiteral("b.RA1"), QStringLiteral("c.RA1")}));
        record_.clear();
        const QStringList later =
            scans({QStringLiteral("d.RA1"), QStringLiteral("e.RA1"), QStringLiteral("f.RA1")});
        prompts_->answers = {false};
        QVERIFY(drop(later));
        QVERIFY(readOrder().isEmpty());
        QVERIFY(prompts_->questions.last().text.contains(QStringLiteral("Close the run")));
        prompts_->answers = {true};
        QVERIFY(drop(later));
        QVERIFY(sameLines(readOrder(), later));
        QCOMPARE(session_->file_name(1), toSession(later[0]));
        QVERIFY(prompts_->warnings.isEmpty());
    }

    void aFileThatIsNoScanIsLeftOutAndSaidSo() {
        QStringList files =
            scans({QStringLiteral("a.RA1"), QStringLiteral("b.RA1"), QStringLiteral("c.RA1")});
        files.insert(1, writeFile(dir_->filePath(QStringLiteral("CELL1ABS.LOG")), "Log\r\n"));
        window_->openDataFiles(files);
        QCOMPARE(session_->data_set_count(), 3);
        QCOMPARE(state_->NumFilesRead, 3);
        QVERIFY(window_->readSummary()->text().contains(
            QStringLiteral("not a scan file: CELL1ABS.LOG (no data lines)")));
        QVERIFY(readFile(state_->OutFileName).contains("not a scan file: CELL1ABS.LOG"));
    }

    // Scan files whose names are not UTF-8 (Qt could not remove them with
    // the folder: removeOddScans() does, by their bytes).
    QStringList oddScans() {
        const QByteArray folder = QFile::encodeName(dir_->path());
        QStringList files;
        for (const QByteArray &name :
             {QByteArray("x\xff.RA1"), QByteArray("y.RA1"), QByteArray("z\xe9.RA1")}) {
            const QByteArray path = folder + '/' + name;
            test_support::write_file(path.toStdString(), scanFileContent(1).toStdString());
            files << nameFromBytes(path);
        }
        return files;
    }
    static void removeOddScans(const QStringList &files) {
        for (const QString &f : files)
            std::filesystem::remove(toSession(f));
    }

    // A name with a byte that is not UTF-8 reaches the library as the very
    // bytes, from the command line and from a drop alike.
    void aNameThatIsNotUtf8IsReadByItsBytes() {
        const QStringList files = oddScans();
        window_->openDataFiles(files);
        removeOddScans(files);
        QVERIFY2(prompts_->warnings.isEmpty(), qPrintable(prompts_->warnings.value(0).text));
        QCOMPARE(readOrder().size(), 3);
        QCOMPARE(toSession(rowNames()[0]), toSession(files[0]));
        QVERIFY(toSession(files[0]).ends_with("/x\xff.RA1"));
    }

    void aDroppedNameThatIsNotUtf8IsReadByItsBytes() {
        const QStringList files = oddScans();
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromEncoded("file://" + nameBytes(f).toPercentEncoding("/"));
        const bool taken = drop(urls);
        removeOddScans(files);
        QVERIFY(taken);
        QVERIFY2(prompts_->warnings.isEmpty(), qPrintable(prompts_->warnings.value(0).text));
        QCOMPARE(readOrder().size(), 3);
        QCOMPARE(toSession(rowNames()[0]), toSession(files[0]));
    }

    // Digit runs by value, ties by the whole text, and no cycle whatever
    // the characters (an Arabic-Indic nine is no ASCII digit).
    void theDropOrderIsAStrictOrderingOfNames() {
        const QString nine = QString(QChar(0x0669));
        const QStringList names{
            QStringLiteral("s10"), QStringLiteral("sa"),  QStringLiteral("s") + nine,
            QStringLiteral("s2"),  QStringLiteral("s02"), QStringLiteral("s"),
            QStringLiteral("s2a"), QStringLiteral("s/"),  QStringLiteral("s:")};
        QVERIFY(naturalBefore(QStringLiteral("scan2"), QStringLiteral("scan10")));
        QVERIFY(naturalBefore(QStringLiteral("s02"), QStringLiteral("s2")));
        QVERIFY(naturalBefore(QStringLiteral("s"), QStringLiteral("s2")));
        for (const QString &a : names) {
            QVERIFY(!naturalBefore(a, a));
            for (const QString &b : names) {
                if (a != b) QVERIFY2(naturalBefore(a, b) != naturalBefore(b, a), qPrintable(a + b));
                for (const QString &c : names)
                    if (naturalBefore(a, b) && naturalBefore(b, c))
                        QVERIFY2(naturalBefore(a, c), qPrintable(a + " " + b + " " + c));
            }
        }
    }

    void aDropWithoutLocalFilesIsNotTaken() {
        QMimeData data;
        data.setUrls({QUrl(QStringLiteral("https://example.org/scan.RA1"))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        enter.setAccepted(false);
        QCoreApplication::sendEvent(window_.get(), &enter);
        QVERIFY(!enter.isAccepted());
    }
};

QTEST_MAIN(OpenFilesTest)
#include "open_files_test.moc"
