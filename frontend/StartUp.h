// SPDX-License-Identifier: MIT
// StartUp: everything that runs before the main window is shown.
//
// Command line:
//   quillane [--output FILE] [--no-splash] [--echo] [F | [--] SCANFILE...]
//   quillane -h | --help | --version
// The plain argument "F" (in any letter case) switches on the echo of every
// scan file into the output file; it counts only when it is the one plain
// argument left once the options are taken out, so "quillane f --output
// run.txt" echoes, while "quillane F x" does not.  Every other plain
// argument names a scan file: once the output file is chosen, the files are
// read as data sets 1, 2, ... in the order given, all active (with fewer
// than three they only fill the rows of the data-file dialog, since a fit
// needs three).  So "F" together with scan files is a file named F, and a
// lone file named F is read as "./F", or after "--", which ends the options
// and makes every argument after it a scan file.  --echo switches the echo
// on whatever else is given.  An unknown option is an error: a scan file
// whose name starts with "-" goes after "--" (QCommandLineParser reads the
// options, so "--output=FILE" works as well as "--output FILE").  --output names the output
// file instead of asking for it (for scripts and tests); --no-splash, or
// QUILLANE_NO_SPLASH=1 in the environment, skips the start-up picture.
// -h, --help and --version print and end the program without a display;
// a malformed command line ends it with status 2, as the runner's does.
#pragma once

#include <memory>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "AppState.h"
#include "InstanceGuard.h"
#include "LibraryBinding.h"
#include "session.h"

namespace quillane::frontend {

class MainWindow;
class Prompts;

// The exit status of a malformed command line, the runner's too.
inline constexpr int kExitUsage = 2;

struct StartOptions {
    bool echo = false;
    bool splash = true;
    bool help = false;
    bool version = false;
    QString outputFile;     // empty: ask the user
    QStringList scanFiles;  // read as data sets 1..n once the output file is chosen
    QString error;          // a malformed command line (the first mistake)
};

// The arguments without the program's name.  Every argument is looked at,
// also after a mistake, so that --help and --version are always seen.
StartOptions parseArguments(const QStringList &arguments);
QString usageText();

// What --version prints: the program's version, and the version of the
// library it loads with the file it came from, or why no library could be
// loaded (`library` empty, `error` set).
struct VersionReport {
    QString program;
    QString library;
    QString error;
};
VersionReport versionReport(LibraryBinding &library);

class ViewerBridge;

class StartUp {
  public:
    // Start-up ended: the main window is shown and the event loop is to run.
    static constexpr int kRunning = -1;

    explicit StartUp(Prompts &prompts);
    ~StartUp();

    // Runs the start-up steps in order.  Returns kRunning, or the exit
    // status when the program is to end here (0 when the user cancelled the
    // output file).
    int run(const StartOptions &options);

    AppState &state() { return state_; }
    LibraryBinding &library() { return library_; }
    session::Session *session() const { return session_.get(); }
    MainWindow *window() const { return window_.get(); }
    ViewerBridge *viewer() const { return viewer_.get(); }
    InstanceGuard &guard() { return guard_; }

  private:
    enum class OutputResult { Chosen, Cancelled, Failed };
    OutputResult ChooseOutputFile(const QString &given);
    void showSplash();
    // A folder of this run's own for the working plot file and its
    // temporary; false when none can be made.
    bool makeWorkFolder();

    Prompts &prompts_;
    AppState state_;
    LibraryBinding library_;
    std::unique_ptr<QTemporaryDir> workFolder_;  // removed when the program ends
    std::unique_ptr<session::Session> session_;
    InstanceGuard guard_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ViewerBridge> viewer_;  // goes before the main window does
};

}  // namespace quillane::frontend
