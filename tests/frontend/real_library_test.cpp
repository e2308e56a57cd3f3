// SPDX-License-Identifier: MIT
// The program's start and first reading of scan files against the real
// analysis library: what reaches the output file and the output list.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "DataFilesDialog.h"
#include "MainWindow.h"
#include "StartUp.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class RealLibraryTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<WorkingFolder> dir_;

    QStringList makeScans(int count) {
        QStringList files;
        for (int i = 1; i <= count; ++i)
            files << writeFile(dir_->file(QStringLiteral("%1.RA1").arg(i, 5, 10, QLatin1Char('0'))),
                               scanFileContent(i));
        return files;
    }

    // Names the first file, loads the rest as a sequence and presses OK.
    static void loadSequence(RecordingPrompts &prompts, const QString &first) {
        prompts.onDialog = [&prompts, first](QDialog &dialog) {
            auto *form = qobject_cast<DataFilesDialog *>(&dialog);
            QVERIFY(form);
            prompts.openNames.push_back(first);
            form->loadSequence();
            form->accept();
        };
    }

    static QStringList listLines(MainWindow *window) {
        QStringList lines;
        for (int i = 0; i < window->outFileBox()->count(); ++i)
            lines << window->outFileBox()->item(i)->text().trimmed();
        return lines;
    }

  private slots:
    void init() { dir_ = std::make_unique<WorkingFolder>(); }

    void cleanup() { dir_.reset(); }

    void readingScansReportsToTheOutputFileAndTheList() {
        const QStringList files = makeScans(4);
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        const QString out = dir_->file(QStringLiteral("run.txt"));
        QCOMPARE(startUp.run(parseArguments({QStringLiteral("--output"), out})), StartUp::kRunning);
        MainWindow *window = startUp.window();
        loadSequence(prompts, files[0]);
        window->GetDataFiles();
        QVERIFY(prompts.warnings.isEmpty());
        QCOMPARE(startUp.session()->active_count(), 4);

        const QByteArray report = readFile(out);
        QVERIFY(report.startsWith(" Quillane V0.99  \r\n Current Revision V0.99.0039 \r\n"));
        QVERIFY(report.contains("Quillane/DLL V0.99 on 28-Apr-1999"));
        QVERIFY(report.contains(" Orig.DS# 4 :: " + QFile::encodeName(files[3]) +
                                " is active DS#4.\r\n"));
        QVERIFY(!report.contains("INPUT DATA"));  // no echo

        const QStringList lines = listLines(window);
        QCOMPARE(lines.first(), QStringLiteral("Quillane V0.99"));
        QCOMPARE(lines.count(QStringLiteral("60 DATA POINTS READ")), 4);
        QVERIFY(lines.contains(QStringLiteral("Orig.DS# 2 :: %1 is active DS#2.").arg(files[1])));
        // The newest line has been scrolled into view.
        window->show();
        QListWidget *list = window->outFileBox();
        QVERIFY(list->visualItemRect(list->item(list->count() - 1)).bottom() <=
                list->viewport()->height() + 1);

        window->item(QStringLiteral("SavePlots"))->trigger();
        QVERIFY(readFile(out).contains("Plot files will now be saved after plotting"));
        prompts.answers.push_back(true);
    }

    void theEchoSwitchDumpsTheScansIntoTheOutputFile() {
        const QStringList files = makeScans(3);
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        const QString out = dir_->file(QStringLiteral("echo.txt"));
        QCOMPARE(
            startUp.run(parseArguments({QStringLiteral("f"), QStringLiteral("--output"), out})),
            StartUp::kRunning);
        loadSequence(prompts, files[0]);
        startUp.window()->GetDataFiles();
        QVERIFY(readFile(out).contains("INPUT DATA"));
        prompts.answers.push_back(true);
    }
};

QTEST_MAIN(RealLibraryTest)
#include "real_library_test.moc"
