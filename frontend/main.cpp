// SPDX-License-Identifier: MIT
// quillane: the program's entry point.  See StartUp.h for the command line.
#include <clocale>
#include <csignal>
#include <cstdio>

#include <QApplication>
#include <QIcon>

#include "FileNames.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "StartUp.h"

namespace {

using namespace quillane::frontend;

// --help and --version: text only, so no window system is needed.
int answerInText(const StartOptions &options) {
    if (options.help) {
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    }
    LibraryBinding library;
    const VersionReport report = versionReport(library);
    std::printf("%s\n", qPrintable(report.program));
    if (!report.error.isEmpty()) {
        std::fflush(stdout);
        std::fprintf(stderr,
                     "quillane: the analysis library could not be loaded, so its version is "
                     "unknown:\n%s\n",
                     qPrintable(report.error));
        return 1;
    }
    std::printf("%s\n", qPrintable(report.library));
    return 0;
}

}  // namespace

int main(int argc, char *argv[]) {
    // A write beyond the file-size limit then fails with EFBIG, which every
    // write checks and reports, instead of ending the program with a
    // report cut short.
    std::signal(SIGXFSZ, SIG_IGN);
    // Arguments are names as the system spells them: kept byte for byte
    // (FileNames.h), so a scan file whose name is not UTF-8 is still found.
    const auto argumentsOf = [](int count, char **values) {
        QStringList list;
        for (int i = 1; i < count; ++i)
            list << nameFromBytes(QByteArray(values[i]));
        return list;
    };
    const QStringList given = argumentsOf(argc, argv);
    if (const StartOptions asked = parseArguments(given); asked.help || asked.version) {
        QCoreApplication app(argc, argv);
        return answerInText(asked);
    }

    QApplication app(argc, argv);
    // Qt has switched the C library to the user's locale; numbers in reports
    // and files are always written and read with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("quillane"));
    // The desktop entry and the icon an installation puts in place: the
    // desktop shows the program's windows with them.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quillane")));
    // The program ends when the user confirms "Exit Program?", not when some
    // window happens to be the last one closed.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken out its own options (-platform, -style, ...) by now, from
    // argc and argv too.
    const StartOptions options = parseArguments(argumentsOf(argc, argv));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "quillane: %s\n%s", qPrintable(options.error),
                     qPrintable(usageText()));
        return kExitUsage;
    }

    QtPrompts prompts;
    StartUp startUp(prompts);
    const int status = startUp.run(options);
    if (status != StartUp::kRunning) return status;
    QObject::connect(startUp.window(), &MainWindow::exitConfirmed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    return app.exec();
}
