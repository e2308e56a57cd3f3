// quillane: the program's entry point.  See StartUp.h for the command line.
#include <clocale>
#include <cstdio>

#include <QApplication>

#include "MainWindow.h"
#include "Prompts.h"
#include "StartUp.h"

int main(int argc, char *argv[]) {
    using namespace quillane::frontend;
    QApplication app(argc, argv);
    // Qt has switched the C library to the user's locale; numbers in reports
    // and files are always written and read with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("quillane"));
    // The program ends when the user confirms "Exit Program?", not when some
    // window happens to be the last one closed.
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const StartOptions options = parseArguments(arguments);
    if (!options.error.isEmpty() || options.help) {
        if (!options.error.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(options.error));
        std::fprintf(options.help ? stdout : stderr, "%s", qPrintable(usageText()));
        return options.help ? 0 : 2;
    }

    QtPrompts prompts;
    StartUp startUp(prompts);
    const int status = startUp.run(options);
    if (status != StartUp::kRunning) return status;
    QObject::connect(startUp.window(), &MainWindow::exitConfirmed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    return app.exec();
}
