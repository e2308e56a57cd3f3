// SPDX-License-Identifier: MIT
#include "WatchController.h"

#include <numeric>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include "DesktopNote.h"
#include "SessionText.h"
#include "WaitCursor.h"
#include "watch_analysis.h"

namespace quillane::frontend {

namespace {

bool sameFile(const QString &a, const std::string &b) {
    if (b.empty()) return false;
    const QString other = fromSession(b);
    return QFileInfo(a).absoluteFilePath() == QFileInfo(other).absoluteFilePath() ||
           a.startsWith(QFileInfo(other).absoluteFilePath() + QStringLiteral(".tmp-"));
}

}  // namespace

WatchController::WatchController(session::Session &session, QMainWindow *window,
                                 const WatchChoice &choice, WatchHooks hooks,
                                 session::FolderWatch::Clock clock)
    : QObject(window),
      session_(session),
      window_(window),
      choice_(choice),
      hooks_(std::move(hooks)),
      clock_(std::move(clock)) {
    setObjectName(QStringLiteral("WatchController"));
    status_ = new QLabel(window);
    status_->setObjectName(QStringLiteral("WatchStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    window->statusBar()->addWidget(status_, 1);
    timer_.setInterval(static_cast<int>(choice_.intervalSeconds * 1000.0));
    connect(&timer_, &QTimer::timeout, this, &WatchController::lookNow);
}

WatchController::~WatchController() {
    delete status_;
}

bool WatchController::start(QString &error) {
    session::WatchSettings settings;
    settings.folder = toSession(choice_.folder);
    settings.pattern = toSession(choice_.pattern);
    settings.interval_s = choice_.intervalSeconds;
    settings.own_file = [this](const std::string &path) {
        const QString file = fromSession(path);
        return sameFile(file, session_.report_path()) || sameFile(file, session_.plot_file());
    };
    settings.data_line = [this](std::string_view line) { return session_.is_data_line(line); };
    std::string why;
    if (!session::parse_series_selector(toSession(choice_.series), settings.follow, why) ||
        !session::settle_series_number(session_, settings, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    const auto header = [this](const std::string &f) { return session_.scan_header(f); };
    watch_ = std::make_unique<session::FolderWatch>(settings, header, clock_);
    session::AnalysisChoice analysis;
    analysis.column = choice_.useColumn ? 1 : 0;
    analyst_ = std::make_unique<session::WatchAnalyst>(session_, *watch_, analysis);
    followed_ = 0;
    reached_ = false;
    told_ = false;
    columnLost_ = false;
    arrival_ = {};
    setStatus(QStringLiteral("Watching %1: waiting for whole scans").arg(choice_.folder));
    lastStep_ = QStringLiteral("no whole scan yet");
    record(QStringLiteral("Watching %1 for %2, a look every %3 s")
               .arg(choice_.folder, choice_.pattern)
               .arg(choice_.intervalSeconds));
    timer_.start();
    QTimer::singleShot(0, this, &WatchController::lookNow);
    return true;
}

void WatchController::stop() {
    if (!timer_.isActive()) return;
    timer_.stop();
    QString unused;
    if (watch_)
        for (const std::string &u : watch_->unused())
            unused += QStringLiteral("; ") + fromSession(u);
    record(QStringLiteral("The watch of %1 ends").arg(choice_.folder) + unused);
    // Said first: the status line is cut at the window's edge, and a
    // "Watching ..." left standing would claim a watch that has ended.
    setStatus(QStringLiteral("Watch ended; last: ") + lastStep_);
}

QString WatchController::statusText() const {
    return status_ ? status_->text() : QString();
}

void WatchController::setStatus(const QString &text) {
    if (!status_) return;
    status_->setText(text);
    status_->setToolTip(text);
}

// A line for the record: the report and the list.
void WatchController::record(const QString &line) {
    session_.add_to_report({"Watch: " + toSession(line)});
}

void WatchController::lookNow() {
    if (!watch_ || !timer_.isActive()) return;
    // A dialog the user has open works on the session as it is: the look
    // waits for the next interval.
    if (QApplication::activeModalWidget()) return;
    if (hooks_.sessionBusy && hooks_.sessionBusy()) return;
    std::vector<session::WatchMessage> messages;
    std::string gone;
    const bool looked = watch_->look(messages, gone);
    for (const auto &m : messages)
        record(fromSession(m.text));
    if (!looked) {
        timer_.stop();
        const QString why = fromSession(gone);
        record(why + QStringLiteral("; the watch ends"));
        setStatus(QStringLiteral("The watch ended: ") + why);
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Watch Folder"),
                                    QStringLiteral("The watch ended: ") + why + QLatin1Char('.'),
                                    QMessageBox::Ok, window_);
        box->setObjectName(QStringLiteral("WatchEndedNote"));
        box->setModal(false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        emit ended(why);
        return;
    }
    // One series is followed: the first that matches the choice.
    if (followed_ == 0)
        for (const session::WatchedSeries &w : watch_->series())
            if (w.followed && !w.members.empty()) {
                followed_ = w.number;
                record(QStringLiteral("Series %1 is followed: %2")
                           .arg(w.number)
                           .arg(fromSession(w.name)));
                break;
            }
    for (int number : watch_->changed_series())
        if (number == followed_) analyse(number);
    if (!reached_) told_ = false;
    if (!told_ && arrival_.settled(reached_, *watch_)) {
        told_ = true;
        notify(verdict_);
    }
}

namespace {

// The watch's notices and problems go to the record (the report).
class RecordFeedback : public session::AnalysisFeedback {
  public:
    explicit RecordFeedback(std::function<void(const QString &)> record)
        : record_(std::move(record)) {}
    void notice(const std::string &text) override { record_(fromSession(text)); }
    void problem(const std::string &text) override { record_(fromSession(text)); }

  private:
    std::function<void(const QString &)> record_;
};

}  // namespace

void WatchController::analyse(int number) {
    const session::WatchedSeries *w = watch_->series_number(number);
    if (!w) return;
    const QString head =
        QStringLiteral("Watching %1, %2: ").arg(choice_.folder, fromSession(w->name));
    WaitCursor wait;
    RecordFeedback feedback([this](const QString &line) { record(line); });
    bool read = false;
    const auto reader = [&](const std::vector<std::string> &files,
                            std::vector<session::FileOutcome> &outcomes) {
        if (hooks_.beforeReading) hooks_.beforeReading();
        read = true;
        std::vector<int> all(files.size());
        std::iota(all.begin(), all.end(), 1);
        return session_.read_and_select(files, all, &outcomes);
    };
    const session::WatchStep step = analyst_->analyse(number, reader, feedback);
    if (read && hooks_.afterAnalysis) hooks_.afterAnalysis();
    using State = session::WatchStep::State;
    if (step.state == State::none) return;
    lastStep_ = fromSession(step.line);
    setStatus(head + lastStep_);
    if (step.state == State::waiting) return;
    record(fromSession(step.line));
    columnLost(step.state == State::column_lost, fromSession(w->name));
    if (step.state != State::analysed) {
        // No verdict for this scan: an earlier one no longer stands.
        reached_ = false;
        return;
    }
    const bool assessed = step.analysis.assessed;
    if (assessed && hooks_.showEquilibrium) hooks_.showEquilibrium();
    emit analysed(step.scans);
    reached_ = step.analysis.reached();
    if (reached_) {
        const std::string &column = analyst_->kept_column_text();
        verdict_ = fromSession(w->name) +
                   (column.empty() ? QString() : QStringLiteral(", ") + fromSession(column)) +
                   QStringLiteral(": ") + fromSession(step.analysis.assessment.verdict.text);
    }
}

// A column the watch kept and then lost is said on the desktop as well as
// in the status line, once each time it goes: the verdicts stop meanwhile,
// and the user at the instrument may be waiting for one.
void WatchController::columnLost(bool lost, const QString &series) {
    if (lost && !columnLost_) {
        if (!note_) note_ = new DesktopNote(window_, QStringLiteral("WatchEquilibriumNote"), this);
        note_->show(QStringLiteral("Quillane: column not found"),
                    QStringLiteral("%1, %2: %3 is not found in the latest scan; no verdict until "
                                   "it is")
                        .arg(choice_.folder, series, fromSession(analyst_->kept_column_text())));
    }
    columnLost_ = lost;
}

void WatchController::notify(const QString &verdict) {
    if (!note_) note_ = new DesktopNote(window_, QStringLiteral("WatchEquilibriumNote"), this);
    note_->show(QStringLiteral("Quillane: equilibrium reached"),
                QStringLiteral("%1, %2").arg(choice_.folder, verdict));
    emit equilibriumReached(verdict);
}

}  // namespace quillane::frontend
