// SPDX-License-Identifier: MIT
#include "StartUp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include "AnalysisDialogs.h"
#include "FileUtil.h"
#include "LogListBox.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "SplashWindow.h"
#include "TextFormat.h"
#include "ViewerBridge.h"
#include "library_files.h"

namespace quillane::frontend {

namespace {

// How long the start-up picture stays.
constexpr int kSplashMs = 2250;

}  // namespace

StartOptions parseArguments(const QStringList &arguments) {
    StartOptions options;
    // "--" ends the options; the value of --output is never taken for it.
    qsizetype dashes = arguments.size();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--output")) {
            ++i;
        } else if (arguments.at(i) == QLatin1String("--")) {
            dashes = i;
            break;
        }
    }
    const QStringList afterDashes = arguments.mid(dashes + 1);

    QCommandLineParser parser;
    // "-h" is the one short option; "-platform" is one unknown option, not
    // eight letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption noSplash(QStringLiteral("no-splash"));
    const QCommandLineOption echo(QStringLiteral("echo"));
    parser.addOptions({help, version, output, noSplash, echo});
    // Every argument is looked at, also after a mistake, so that --help and
    // --version are always seen.
    if (!parser.parse(QStringList{QString()} + arguments.mid(0, dashes))) {
        const QStringList unknown = parser.unknownOptionNames();
        // The unknown option as it was written, with its dashes.
        QString given = unknown.isEmpty() ? QString() : unknown.first();
        for (const QString &arg : arguments.mid(0, dashes)) {
            const QString written = arg.section(QLatin1Char('='), 0, 0);
            QString name = written;
            while (name.startsWith(QLatin1Char('-')))
                name.remove(0, 1);
            if (!given.isEmpty() && written.startsWith(QLatin1Char('-')) && name == given) {
                given = written;
                break;
            }
        }
        options.error = unknown.isEmpty() ? parser.errorText()
                                          : QStringLiteral(
                                                "unknown option %1 (a scan file whose name starts "
                                                "with \"-\" goes after \"--\")")
                                                .arg(given);
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (parser.isSet(output)) options.outputFile = parser.value(output);
    options.splash = !parser.isSet(noSplash);
    options.echo = parser.isSet(echo);
    const QStringList plain = parser.positionalArguments();
    // A lone plain "F" is the echo switch; every other plain argument, and
    // everything after "--", names a scan file.
    if (afterDashes.isEmpty() && plain.size() == 1 &&
        plain.first().toUpper() == QLatin1String("F")) {
        options.echo = true;
    } else {
        options.scanFiles = plain + afterDashes;
    }
    if (qEnvironmentVariable("QUILLANE_NO_SPLASH") == QLatin1String("1")) options.splash = false;
    return options;
}

QString usageText() {
    return QStringLiteral(
        "Usage: quillane [--output FILE] [--no-splash] [--echo] [F | [--] SCANFILE...]\n"
        "       quillane -h | --help | --version\n"
        "  SCANFILE       scan files to read as data sets 1, 2, ... in this order, all\n"
        "                 active, once the output file is chosen (at most 50; with fewer\n"
        "                 than 3 they are put into the list of Data > Read Data Files)\n"
        "  F              echo every scan file read into the output file; counts only\n"
        "                 as the single plain argument, in any letter case (a scan\n"
        "                 file named F: ./F)\n"
        "  --echo         echo every scan file read into the output file\n"
        "  --output FILE  write the report to FILE instead of asking for it\n"
        "  --no-splash    skip the start-up picture (also QUILLANE_NO_SPLASH=1)\n"
        "  --             every argument after it is a scan file\n"
        "  -h, --help     print this help and exit\n"
        "  --version      print the version of the program and of the library it\n"
        "                 loads, and exit\n"
        "Environment: QUILLANE_LIBRARY=full path of the analysis library to load;\n"
        "             QUILLANE_LOCK_FILE=lock file of the one-copy check.\n");
}

VersionReport versionReport(LibraryBinding &library) {
    VersionReport report;
    report.program = QStringLiteral("quillane (Quillane) %1")
                         .arg(QString::fromStdString(session::Session::program_version()));
    if (!library.load()) {
        report.error = library.error();
        return report;
    }
    const std::string path = session::library_path(library.exports());
    report.library = QStringLiteral("analysis library %1, %2")
                         .arg(QString::fromStdString(session::library_version(library.exports())),
                              path.empty() ? library.fileName() : QFile::decodeName(path.c_str()));
    return report;
}

StartUp::StartUp(Prompts &prompts) : prompts_(prompts) {}

StartUp::~StartUp() = default;

int StartUp::run(const StartOptions &options) {
    // 1-2: counts, options and the echo switch; the program's title.
    state_.NumFilesRead = 0;
    state_.FileIncrement = 1;
    state_.MaxFiles = kMaxDataSets;
    state_.EchoInputSwitch = options.echo ? kTrue : kFalse;
    state_.ShowCoordsDefault = kTrue;
    state_.ProgramTitle = buildProgramTitle();

    // 3: one running copy only.
    if (!guard_.acquire()) {
        prompts_.warn(nullptr, QStringLiteral("Previous Instance"),
                      QStringLiteral("Cannot Run Multiple Copies of Program!"));
        return 1;
    }

    // 4-7: version, modes, printers.
    state_.ProgramVersion = buildProgramVersion();
    state_.PrinterNames = QPrinterInfo::availablePrinterNames();
    if (!state_.PrinterNames.isEmpty()) {
        QString name = QPrinterInfo::defaultPrinterName();
        for (int i = 0; i < 2 && name.endsWith(QChar(0)); ++i)
            name.chop(1);
        state_.DefaultPrinterName = name;
    }
    state_.DiscardPlotFiles = kTrue;
    state_.RmsPlotOptions = {kTrue, kTrue, kTrue};
    state_.LogChoice = 0;
    state_.LogChoiceVariance = 0;
    state_.LogChoiceDevs = 0;
    state_.LogChoiceDevsTime = 0;

    // 8: the splash picture for a moment.
    if (options.splash) showSplash();

    // 9: the main window; its load makes the first library calls.
    if (!library_.load()) {
        prompts_.warn(nullptr, QStringLiteral("Library Error"), library_.error());
        return 2;
    }
    session_ = std::make_unique<session::Session>(library_.exports());
    window_ = std::make_unique<MainWindow>(state_, *session_, prompts_);
    installAnalysisDialogs(window_->hooks(), state_, *session_, prompts_);
    viewer_ = std::make_unique<ViewerBridge>(state_, *session_, prompts_, *window_);
    viewer_->install();
    window_->load();

    // 10-11: the output file; make sure we are still the only copy.
    switch (ChooseOutputFile(options.outputFile)) {
        case OutputResult::Cancelled:
            return 0;
        case OutputResult::Failed:
            prompts_.warn(window_.get(), QStringLiteral("Output File Error"),
                          QStringLiteral("Error in GetOutfileName!  Program Ending!"));
            return 1;
        case OutputResult::Chosen:
            break;
    }
    if (!guard_.held()) {
        prompts_.warn(window_.get(), QStringLiteral("Previous Instance"),
                      QStringLiteral("Cannot Run Multiple Copies of Program!"));
        return 1;
    }
    state_.ProgramVersion = buildProgramVersion();

    // 12-13: the working plot file and its temporary live in a folder of
    // this run's own, so nothing is written into the folder the program was
    // started from (from a desktop menu, the home folder); plot files the
    // user keeps go beside the report.
    if (!makeWorkFolder()) {
        prompts_.warn(window_.get(), QStringLiteral("Plot File Error"),
                      QStringLiteral("No folder for the working plot file could be made in %1 "
                                     "or %2.  No plot can be made.")
                          .arg(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                               QDir::tempPath()));
    }
    const QString work = workFolder_ ? workFolder_->path() + QLatin1Char('/') : QString();
    state_.TempPlotFileName = work + QStringLiteral("~kestrl~.tmp");
    state_.PlotFileName = work + QStringLiteral("plot.dat");
    session_->set_plot_file(toSession(state_.PlotFileName));
    const QString reportFolder = QFileInfo(state_.OutFileName).absolutePath();
    state_.WorkDir =
        reportFolder.endsWith(QLatin1Char('/')) ? reportFolder : reportFolder + QLatin1Char('/');

    // 14-16: the library's start values, the banner, and the window.
    session_->initialise(state_.EchoInputSwitch == kTrue);
    for (const std::string &line : session::Session::banner_lines())
        window_->logList().addString(QString::fromStdString(line));
    window_->show();

    // Scan files named on the command line, now that the report is open.
    if (!options.scanFiles.isEmpty()) window_->openDataFiles(options.scanFiles);
    return kRunning;
}

StartUp::OutputResult StartUp::ChooseOutputFile(const QString &given) {
    QString name = given;
    if (name.isEmpty()) {
        name = prompts_.saveFileName(window_.get(), QStringLiteral("Output File Name"),
                                     QStringLiteral("Output File (*)"));
        if (name.isEmpty()) return OutputResult::Cancelled;
    }
    name = QFileInfo(name).absoluteFilePath();
    std::string error;
    if (!session_->create_report(toSession(name), error)) return OutputResult::Failed;
    state_.OutFileName = QDir::toNativeSeparators(name);
    return OutputResult::Chosen;
}

void StartUp::showSplash() {
    // The picture stays for a moment while the program goes on starting:
    // nothing waits for it.
    auto *splash = new SplashWindow;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    // Above the main window, which is shown while the picture still stands.
    splash->setWindowFlag(Qt::WindowStaysOnTopHint);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        splash->move(screen->availableGeometry().center() - splash->rect().center());
    splash->show();
    QTimer::singleShot(kSplashMs, splash, &QWidget::close);
}

bool StartUp::makeWorkFolder() {
    for (const QString &base :
         {QStandardPaths::writableLocation(QStandardPaths::CacheLocation), QDir::tempPath()}) {
        if (base.isEmpty() || !QDir().mkpath(base)) continue;
        auto folder = std::make_unique<QTemporaryDir>(base + QStringLiteral("/run-XXXXXX"));
        if (!folder->isValid()) continue;
        workFolder_ = std::move(folder);
        return true;
    }
    return false;
}

}  // namespace quillane::frontend
