// SPDX-License-Identifier: MIT
// Start-up: the command line, the order of the library calls, the output
// file's banner, the version, the echo switch, scan files named on the
// command line, the one-copy check and the old plot file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <QAbstractButton>
#include <QMessageBox>

#include "LibraryBinding.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "StartUp.h"
#include "TextFormat.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class StartUpTest : public QObject {
    Q_OBJECT

  private:
    CallRecord record_;
    std::unique_ptr<WorkingFolder> dir_;

    QString path(const QString &name) const { return dir_->file(name); }

    StartOptions optionsWithOutput(const QString &name, bool echo = false) {
        QStringList args{QStringLiteral("--output"), path(name), QStringLiteral("--no-splash")};
        if (echo) args << QStringLiteral("F");
        return parseArguments(args);
    }

  private slots:
    void init() {
        dir_ = std::make_unique<WorkingFolder>();
        record_.clear();
    }

    void cleanup() { dir_.reset(); }

    void malformedCommandLinesAreRejectedBeforeAnythingRuns() {
        QVERIFY(!parseArguments({QStringLiteral("--output")}).error.isEmpty());
    }

    // A lone plain "F" is the echo switch; every other plain argument names
    // a scan file, read in the order given.
    void echoSwitchAndScanFilesFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("error");
        const QStringList none;
        QTest::newRow("F") << QStringList{"F"} << true << none << false;
        QTest::newRow("f with options")
            << QStringList{"f", "--output", "x"} << true << none << false;
        QTest::newRow("no arguments") << none << false << none << false;
        QTest::newRow("FF is a file") << QStringList{"FF"} << false << QStringList{"FF"} << false;
        QTest::newRow("F among files is a file")
            << QStringList{"F", "x"} << false << QStringList{"F", "x"} << false;
        QTest::newRow("F after -- is a file")
            << QStringList{"--", "F"} << false << QStringList{"F"} << false;
        QTest::newRow("./F is a file")
            << QStringList{"./F"} << false << QStringList{"./F"} << false;
        QTest::newRow("--echo with files")
            << QStringList{"a.RA1", "--echo", "b.RA1", "c.RA1"} << true
            << QStringList{"a.RA1", "b.RA1", "c.RA1"} << false;
        QTest::newRow("-- ends the options")
            << QStringList{"a.RA1", "--", "--no-splash", "-b.RA1"} << false
            << QStringList{"a.RA1", "--no-splash", "-b.RA1"} << false;
        QTest::newRow("-F is an unknown option") << QStringList{"-F"} << false << none << true;
        QTest::newRow("--output without a name")
            << QStringList{"--output"} << false << none << true;
    }

    void echoSwitchAndScanFilesFromTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, echo);
        QFETCH(QStringList, files);
        QFETCH(bool, error);
        const StartOptions options = parseArguments(arguments);
        QCOMPARE(options.echo, echo);
        QCOMPARE(options.scanFiles, files);
        QCOMPARE(!options.error.isEmpty(), error);
    }

    void otherOptionsAreTakenOut() {
        QCOMPARE(parseArguments({QStringLiteral("--output=a.txt")}).outputFile,
                 QStringLiteral("a.txt"));
        QVERIFY(!parseArguments({QStringLiteral("--no-splash")}).splash);
        // --help and --version are seen whatever else the line holds.
        const StartOptions asked = parseArguments(
            {QStringLiteral("-platform"), QStringLiteral("x"), QStringLiteral("--version")});
        QVERIFY(asked.version && !asked.help);
        QVERIFY(!asked.error.isEmpty());
        QVERIFY(parseArguments({QStringLiteral("--help")}).help);
        QVERIFY(!parseArguments({QStringLiteral("--"), QStringLiteral("--version")}).version);
    }

    void versionNamesTheProgramAndTheLibraryItLoads() {
        LibraryBinding library;
        const VersionReport report = versionReport(library);
        QCOMPARE(report.program, QStringLiteral("quillane (Quillane) 0.99.0039"));
        QVERIFY(report.error.isEmpty());
        // The tests put the stand-in library in place of the real one.
        const QString file = QFileInfo(qEnvironmentVariable("QUILLANE_LIBRARY")).fileName();
        QVERIFY2(report.library.startsWith(QStringLiteral("analysis library 0.99.0039, /")) &&
                     report.library.endsWith(QLatin1Char('/') + file),
                 qPrintable(report.library));
    }

    void versionWithoutALibraryStillNamesTheProgramAndSaysWhy() {
        const QByteArray saved = qgetenv("QUILLANE_LIBRARY");
        qputenv("QUILLANE_LIBRARY", QFile::encodeName(path(QStringLiteral("libnothere.so"))));
        LibraryBinding library;
        const VersionReport report = versionReport(library);
        qputenv("QUILLANE_LIBRARY", saved);
        QCOMPARE(report.program, QStringLiteral("quillane (Quillane) 0.99.0039"));
        QVERIFY(report.library.isEmpty());
        QVERIFY(report.error.contains(QStringLiteral("libnothere.so")));
    }

    void versionIsMajorDotTwoDigitMinorDotFourDigitRevision() {
        QCOMPARE(buildProgramVersion(), QStringLiteral("0.99.0039 "));
        QCOMPARE(buildProgramTitle(), QStringLiteral("Quillane V0.99  "));
    }

    void startUpCallsTheLibraryInTheGivenOrder() {
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(optionsWithOutput(QStringLiteral("out.txt"), true)),
                 StartUp::kRunning);
        QVERIFY(prompts.warnings.isEmpty());
        QVERIFY(sameLines(record_.names(), {"init_lbsink_ctx", "init_lbhandle", "init_namwr",
                                            "setplotfile", "initcommons"}));
        const QStringList lines = record_.lines();
        const QString out = QDir::toNativeSeparators(path(QStringLiteral("out.txt")));
        QCOMPARE(lines.at(2),
                 QStringLiteral("init_namwr %1 %2").arg(QFile::encodeName(out).size()).arg(out));
        // The working plot file lies in a folder of the program's own, not
        // in the folder it was started from; kept plots go beside the report.
        const QString plot = startUp.state().PlotFileName;
        QVERIFY(plot.endsWith(QStringLiteral("/plot.dat")));
        QVERIFY(QFileInfo(plot).absolutePath() != QDir::currentPath());
        QCOMPARE(lines.at(3), QStringLiteral("setplotfile %1 %2").arg(plot.size()).arg(plot));
        QCOMPARE(lines.at(4), QStringLiteral("initcommons -1"));
        QCOMPARE(startUp.state().TempPlotFileName,
                 QFileInfo(plot).absolutePath() + QStringLiteral("/~kestrl~.tmp"));
        QCOMPARE(startUp.state().WorkDir, QFileInfo(out).absolutePath() + QLatin1Char('/'));
        QVERIFY(startUp.window()->isVisible());
    }

    void scanFilesOnTheCommandLineAreReadOnceTheOutputFileIsChosen() {
        QStringList args{QStringLiteral("--output"), path(QStringLiteral("out.txt")),
                         QStringLiteral("--no-splash")};
        for (int i = 1; i <= 3; ++i)
            args << writeFile(path(QStringLiteral("s%1.RA1").arg(i)), scanFileContent(i));
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(parseArguments(args)), StartUp::kRunning);
        QVERIFY(prompts.warnings.isEmpty());
        const QStringList names = record_.names();
        QCOMPARE(names.indexOf(QStringLiteral("getdatar")), names.indexOf("initcommons") + 1);
        QCOMPARE(names.count(QStringLiteral("getdatar")), 3);
        QVERIFY(startUp.session()->files_read());
    }

    void echoStaysOffWithoutTheArgument() {
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(optionsWithOutput(QStringLiteral("out.txt"))), StartUp::kRunning);
        QCOMPARE(record_.lines().last(), QStringLiteral("initcommons 0"));
    }

    void outputFileAndListStartWithTheTwoBannerLines() {
        writeFile(path(QStringLiteral("out.txt")), "old contents that must go\r\n");
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(optionsWithOutput(QStringLiteral("out.txt"))), StartUp::kRunning);
        QCOMPARE(readFile(path(QStringLiteral("out.txt"))),
                 QByteArray(" Quillane V0.99  \r\n Current Revision V0.99.0039 \r\n"));
        QListWidget *list = startUp.window()->outFileBox();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral(" Quillane V0.99  "));
        QCOMPARE(list->item(1)->text(), QStringLiteral(" Current Revision V0.99.0039 "));
    }

    void outputFileChosenInTheDialogIsUsed() {
        RecordingPrompts prompts;
        prompts.saveNames.push_back(path(QStringLiteral("chosen.txt")));
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(parseArguments({QStringLiteral("--no-splash")})), StartUp::kRunning);
        QCOMPARE(prompts.saveTitles, QStringList{QStringLiteral("Output File Name")});
        QVERIFY(QFile::exists(path(QStringLiteral("chosen.txt"))));
        QCOMPARE(startUp.state().OutFileName,
                 QDir::toNativeSeparators(path(QStringLiteral("chosen.txt"))));
    }

    // The user has just typed the new output file's name: Enter creates it.
    // Other questions ("Exit Program?") keep No as what Enter answers.
    void enterAnswersYesWhenAskedToCreateTheOutputFile() {
        const QString text = QStringLiteral("out.txt\nThis file does not exist.\nCreate the file?");
        const auto create =
            questionBox(nullptr, QStringLiteral("Output File Name"), text, QMessageBox::Yes);
        create->show();
        QTest::keyClick(create.get(), Qt::Key_Return);
        QCOMPARE(create->clickedButton(), create->button(QMessageBox::Yes));
        const auto exit = questionBox(nullptr, QStringLiteral("Quillane"),
                                      QStringLiteral("Exit Program?"), QMessageBox::No);
        exit->show();
        QTest::keyClick(exit.get(), Qt::Key_Return);
        QCOMPARE(exit->clickedButton(), exit->button(QMessageBox::No));
    }

    void cancellingTheOutputFileEndsSilently() {
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(parseArguments({QStringLiteral("--no-splash")})), 0);
        QVERIFY(prompts.warnings.isEmpty());
        QVERIFY(!record_.names().contains(QStringLiteral("initcommons")));
    }

    void anOutputFileThatCannotBeCreatedEndsWithTheMessage() {
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(optionsWithOutput(QStringLiteral("no/such/folder/out.txt"))), 1);
        QCOMPARE(prompts.warnings.size(), 1);
        QCOMPARE(prompts.warnings[0].title, QStringLiteral("Output File Error"));
        QCOMPARE(prompts.warnings[0].text,
                 QStringLiteral("Error in GetOutfileName!  Program Ending!"));
        QVERIFY(!record_.names().contains(QStringLiteral("init_namwr")));
    }

    void aLongOutputFileNameIsHandedOverWhole() {
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        const QString name = QString(130, QLatin1Char('n'));
        QCOMPARE(startUp.run(optionsWithOutput(name)), StartUp::kRunning);
        const QString full = QDir::toNativeSeparators(path(name));
        QVERIFY(record_.lines().contains(
            QStringLiteral("init_namwr %1 %2").arg(QFile::encodeName(full).size()).arg(full)));
        prompts.answers.push_back(true);
    }

    void aSecondCopyIsRefusedWithAMessage() {
        RecordingPrompts first;
        StartUp running(first);
        QCOMPARE(running.run(optionsWithOutput(QStringLiteral("out.txt"))), StartUp::kRunning);
        record_.clear();

        RecordingPrompts second;
        StartUp another(second);
        QCOMPARE(another.run(optionsWithOutput(QStringLiteral("out2.txt"))), 1);
        QCOMPARE(second.warnings.size(), 1);
        QCOMPARE(second.warnings[0].title, QStringLiteral("Previous Instance"));
        QCOMPARE(second.warnings[0].text, QStringLiteral("Cannot Run Multiple Copies of Program!"));
        QVERIFY(record_.lines().isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("out2.txt"))));
        QVERIFY(running.guard().held());
    }

    void aLockLeftByACrashedCopyDoesNotBlockTheNextStart() {
        // A lock file in the lock's own format whose process has ended.
        QProcess gone;
        gone.start(QStringLiteral("true"), QStringList{});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        writeFile(path(QStringLiteral("lock")), QByteArray::number(pid) + "\nquillane\n" +
                                                    QSysInfo::machineHostName().toUtf8() + "\n");

        RecordingPrompts prompts;
        StartUp startUp(prompts);
        QCOMPARE(startUp.run(optionsWithOutput(QStringLiteral("out.txt"))), StartUp::kRunning);
        QVERIFY(prompts.warnings.isEmpty());
    }

    void theStartFolderIsLeftAsItWas() {
        const QDir start = QDir::current();
        writeFile(start.filePath(QStringLiteral("plot.dat")), "the user's own file");
        const QStringList before = start.entryList(QDir::Files);
        QString workFolder;
        {
            RecordingPrompts prompts;
            StartUp startUp(prompts);
            QCOMPARE(startUp.run(optionsWithOutput(QStringLiteral("out.txt"))), StartUp::kRunning);
            QVERIFY(prompts.warnings.isEmpty());
            workFolder = QFileInfo(startUp.state().PlotFileName).absolutePath();
            QVERIFY(QFileInfo(workFolder).isDir());
        }
        QStringList expected = before;  // and the report the user named
        expected << QStringLiteral("out.txt");
        expected.sort();
        QCOMPARE(start.entryList(QDir::Files), expected);
        QCOMPARE(readFile(start.filePath(QStringLiteral("plot.dat"))),
                 QByteArray("the user's own file"));
        QVERIFY2(!QFileInfo::exists(workFolder), "the work folder goes when the program does");
    }

    void aMissingLibraryEndsWithAMessageNamingIt() {
        const QByteArray saved = qgetenv("QUILLANE_LIBRARY");
        qputenv("QUILLANE_LIBRARY", QFile::encodeName(path(QStringLiteral("libnothere.so"))));
        RecordingPrompts prompts;
        StartUp startUp(prompts);
        const int status = startUp.run(optionsWithOutput(QStringLiteral("out.txt")));
        qputenv("QUILLANE_LIBRARY", saved);
        QCOMPARE(status, 2);
        QCOMPARE(prompts.warnings.size(), 1);
        QCOMPARE(prompts.warnings[0].title, QStringLiteral("Library Error"));
        QVERIFY(prompts.warnings[0].text.contains(QStringLiteral("quillane")));
        QVERIFY(prompts.warnings[0].text.contains(QStringLiteral("libnothere.so")));
    }
};

QTEST_MAIN(StartUpTest)
#include "startup_test.moc"
