// StartUp: everything that runs before the main window is shown.
//
// Command line:
//   quillane [F] [--output FILE] [--no-splash] [--help]
// The plain argument "F" (in any letter case) switches on the echo of every
// scan file into the output file; it counts only when it is the one argument
// left once the options are taken out, so "quillane f --output run.txt"
// echoes, while "quillane -F" or "quillane F x" do not.  --output names the
// output file instead of asking for it (for scripts and tests); --no-splash,
// or QUILLANE_NO_SPLASH=1 in the environment, skips the start-up picture.
#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "AppState.h"
#include "InstanceGuard.h"
#include "LibraryBinding.h"
#include "session.h"

namespace quillane::frontend {

class MainWindow;
class Prompts;

struct StartOptions {
    bool echo = false;
    bool splash = true;
    bool help = false;
    QString outputFile;  // empty: ask the user
    QString error;       // a malformed command line
};

// The arguments without the program's name.
StartOptions parseArguments(const QStringList &arguments);
QString usageText();

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
    void moveOldPlotFile();

    Prompts &prompts_;
    AppState state_;
    LibraryBinding library_;
    std::unique_ptr<session::Session> session_;
    InstanceGuard guard_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ViewerBridge> viewer_;  // goes before the main window does
};

}  // namespace quillane::frontend
