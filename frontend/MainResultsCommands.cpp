// SPDX-License-Identifier: MIT
// The main window's commands that take the fit's results out of the
// program: CSV for a spreadsheet, JSON as the runner writes it.  Each save
// is confirmed by a line in the output list and the report, so the record
// of the run says which files hold its results.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>

#include "AppState.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SessionText.h"
#include "WaitCursor.h"
#include "results.h"

namespace quillane::frontend {

namespace {

const QString kTitle = QStringLiteral("Save Results");

// Where the per-scan table goes beside the pairs: "run.csv" gives
// "run-scans.csv".
QString scansFileName(const QString &pairs) {
    const QFileInfo info(pairs);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-scans.") + info.suffix());
}

}  // namespace

QString MainWindow::resultsFileName(const QString &kind, const QString &suffix) {
    if (!session_.fit_current()) {
        prompts_.warn(this, kTitle,
                      QStringLiteral("There are no current fit results to save: fit the data "
                                     "first."));
        return {};
    }
    const QString filter = QStringLiteral("%1 files (*.%2);;All files (*)").arg(kind, suffix);
    QString name = prompts_.saveAsName(this, QStringLiteral("Save Results as %1").arg(kind), filter,
                                       QFileInfo(state_.OutFileName).absolutePath());
    if (name.isEmpty()) return {};
    if (QFileInfo(name).suffix().isEmpty()) {
        name += QLatin1Char('.') + suffix;
        // The dialog asked about the name as typed, not with the extension.
        if (QFileInfo::exists(name) &&
            !prompts_.ask(this, kTitle,
                          QStringLiteral("%1 already exists.\nDo you want to replace it?")
                              .arg(QFileInfo(name).fileName())))
            return {};
    }
    return name;
}

void MainWindow::confirmSaved(const std::string &line) {
    tell(session_.add_to_report({line}), QString());
    statusBar()->showMessage(fromSession(line).trimmed(), 10000);
}

// Every ordered pair of the fit, and beside it every scan with its noise,
// its distance from the latest scan and whether the verdict counts it.
void MainWindow::SaveResultsCsv() {
    const QString name = resultsFileName(QStringLiteral("CSV"), QStringLiteral("csv"));
    if (name.isEmpty()) return;
    const QString scans = scansFileName(name);
    std::string error;
    bool saved = false;
    {
        WaitCursor wait;
        session::Assessment assessment;
        const bool assessed = session_.assess(false, &assessment).done;
        saved = session::write_file_atomically(toSession(name), session::results_csv(session_),
                                               error) &&
                session::write_file_atomically(
                    toSession(scans),
                    session::scans_csv(session_, assessed ? &assessment : nullptr), error);
    }
    if (!saved) {
        prompts_.warn(this, kTitle, fromSession(error));
        return;
    }
    confirmSaved("Results saved: pairs in " + toSession(name) + ", scans in " + toSession(scans));
}

// The whole run as the runner's --json writes it.
void MainWindow::SaveResultsJson() {
    const QString name = resultsFileName(QStringLiteral("JSON"), QStringLiteral("json"));
    if (name.isEmpty()) return;
    std::string error;
    bool saved = false;
    {
        WaitCursor wait;
        session::Assessment assessment;
        const bool assessed = session_.assess(false, &assessment).done;
        saved = session::write_file_atomically(
            toSession(name), session::results_json(session_, assessed ? &assessment : nullptr),
            error);
    }
    if (!saved) {
        prompts_.warn(this, kTitle, fromSession(error));
        return;
    }
    confirmSaved("Results saved as JSON in " + toSession(name));
}

void MainWindow::PlotOffsetsAgainstLatest() {
    session::GraphRequest request;
    request.kind = session::GraphKind::rms;
    request.fit_kinds = {true, true, false};
    // The latest scan by time, as the verdict compares with it.
    int latest = 0;
    for (int k = 1; k <= session_.active_count(); ++k)
        if (latest == 0 || session_.active_set(k).time_s >= session_.active_set(latest).time_s)
            latest = k;
    request.reference = latest;
    showResultGraph(request);
}

}  // namespace quillane::frontend
