// SPDX-License-Identifier: MIT
// Shared helpers of the front-end tests: prompts that tests answer, the
// record of the stand-in library, scratch folders and small file helpers.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <QColor>
#include <QDialog>
#include <QDir>
#include <QPalette>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>

#include "AppState.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "StartUp.h"
#include "ViewerBridge.h"
#include "plot_window.h"
#include "prompts_double.h"
#include "qt_support.h"

namespace quillane::frontend::testing {

using quillane::test_support::RecordingPrompts;

// The stand-in library's record file, set in the environment.
class CallRecord {
  public:
    CallRecord();
    void clear();
    QStringList lines() const;
    // Only the operation names, in call order.
    QStringList names() const;
    QString path() const { return path_; }

  private:
    QTemporaryDir dir_;
    QString path_;
};

// Writes a text file; returns its full path.
QString writeFile(const QString &path, const QByteArray &content);
using quillane::test_support::readFile;

// A scan file with a description line, a time line and a few data points.
QByteArray scanFileContent(int number);

// A scratch current folder that also holds the program's one-copy lock
// file, as a whole-program test needs.
class WorkingFolder : public quillane::test_support::CurrentFolder {
  public:
    WorkingFolder();
};

using quillane::test_support::quietOffscreenNotes;

// Fills every hook of the main window as a user who cancels every dialog
// would answer, and a plot window that does nothing; a test sets the hooks
// it looks at afterwards.  The main window does not load without them.
void fillHooks(Hooks &hooks);

// A test of the main window alone, over the session and the stand-in
// library that records every call: a fresh window, state and report for
// each test function.  Its slots call loadLibrary() in initTestCase,
// openWindow() in init and closeWindow() in cleanup.
class StandInWindowTest : public QObject {
  protected:
    CallRecord record_;
    LibraryBinding library_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<AppState> state_;
    std::unique_ptr<RecordingPrompts> prompts_;
    std::unique_ptr<session::Session> session_;
    std::unique_ptr<MainWindow> window_;

    void loadLibrary();
    // The report and the plot file in a fresh folder; the stand-in's limits
    // back at 16..26, which it keeps between tests; an empty call record.
    void openWindow();
    // Answers "Exit Program?" and closes the window.
    void closeWindow();
};

// A test that drives the whole program as a user would, in a working
// folder, answering every dialog in answerDialog().  The test's slots call
// prepare() first and finish() last.
class WholeProgramTest : public QObject {
  protected:
    std::unique_ptr<WorkingFolder> dir_;
    RecordingPrompts prompts_;
    std::unique_ptr<StartUp> startUp_;

    virtual void answerDialog(QDialog &dialog) = 0;
    // Answers Read Data Files by loading the sequence that begins at
    // `first` and accepting; false (nothing done) for any other dialog.
    bool readSequenceFrom(QDialog &dialog, const QString &first);

    // The working folder, and the dialogs sent to answerDialog().
    void prepare();
    // Starts the program with its report in the working folder and no
    // splash screen; true when it runs.
    bool start();
    // Answers "Exit Program?", ends the program and removes the folder.
    void finish();

    QString reportPath() const { return dir_->file(QStringLiteral("report.txt")); }
    MainWindow &window() { return *startUp_->window(); }
    quillane::session::Session &session() { return *startUp_->session(); }
    quillane::viewer::Plotit *viewer() { return startUp_->viewer()->plotWindow(); }
    // Triggers the menu item `name`, which must be enabled.
    void trigger(const char *name);
    // The library's data limits, as it reports them.
    std::pair<double, double> libraryLimits();
};

using quillane::test_support::darkPalette;

// The contrast ratio of two colours (1 to 21, as the accessibility
// guidelines reckon it).  Highlighted text needs kReadableContrast against
// its ground: the guidelines' level for large text and controls, which the
// platforms' own selection colours meet (blue on a dark ground gives 1.4).
double contrastRatio(const QColor &a, const QColor &b);
inline constexpr double kReadableContrast = 3.0;

// Whether every tab of `tabs` is shown whole in its tab bar, none hidden
// behind scroll arrows (the widget must be shown).
bool everyTabInView(const QTabWidget &tabs);

// With the environment variable `dirVariable` naming a folder (the test run
// on a real screen, such as Xvfb), the whole screen as the user sees it
// now, into that folder as NAME.png; nothing otherwise.
void screenShot(const char *dirVariable, const QString &name);

// Compares two string lists and prints both in full when they differ.
bool sameLines(const QStringList &actual, const QStringList &expected);

#ifdef QUILLANE_EXAMPLES_DIR
// A file of the bundled examples, by name ("00001.RA1").
inline QString examplePath(const QString &name) {
    return QDir(QStringLiteral(QUILLANE_EXAMPLES_DIR)).absoluteFilePath(name);
}
#endif

}  // namespace quillane::frontend::testing
