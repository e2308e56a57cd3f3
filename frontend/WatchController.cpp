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
#include <QSystemTrayIcon>

#include "SessionText.h"
#include "WaitCursor.h"

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
    std::string why;
    if (!session::parse_series_selector(toSession(choice_.series), settings.follow, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    const auto header = [this](const std::string &f) { return session_.scan_header(f); };
    if (settings.follow.number != 0) {
        // A number counts the series of the folder as it is now.
        const session::FolderWatch now(settings, header);
        std::vector<std::string> files;
        if (!now.list_files(files, why)) {
            error = QString::fromStdString(why);
            return false;
        }
        std::vector<session::ScanFacts> facts;
        for (const std::string &f : files)
            if (auto h = session_.scan_header(f); h.opened && h.time_line) facts.push_back(h);
        if (!session::resolve_series_number(settings.follow, session::split_into_series(facts),
                                            facts, why)) {
            error = QString::fromStdString(why);
            return false;
        }
    }
    watch_ = std::make_unique<session::FolderWatch>(settings, header, clock_);
    followed_ = 0;
    reached_ = false;
    setStatus(QStringLiteral("Watching %1: waiting for whole scans").arg(choice_.folder));
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
    setStatus(statusText() + QStringLiteral(" (watch ended)"));
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
}

void WatchController::analyse(int number) {
    for (;;) {
        const session::WatchedSeries *w = watch_->series_number(number);
        if (!w || w->scans.empty()) return;
        std::vector<std::string> files = w->scans;
        if (static_cast<int>(files.size()) > session::kMaxDataSets)
            files.erase(files.begin(), files.end() - session::kMaxDataSets);
        const int place = w->place(files.back());
        const QString head =
            QStringLiteral("Watching %1, %2: ").arg(choice_.folder, fromSession(w->name));
        if (static_cast<int>(files.size()) < session::kMinActiveSets) {
            setStatus(head + QStringLiteral("scan %1: %2; waiting for at least 3 scans")
                                 .arg(place)
                                 .arg(fileNameOf(files.back())));
            return;
        }
        WaitCursor wait;
        if (hooks_.beforeReading) hooks_.beforeReading();
        std::vector<int> all(files.size());
        std::iota(all.begin(), all.end(), 1);
        std::vector<session::FileOutcome> read;
        const session::Outcome outcome = session_.read_and_select(files, all, &read);
        bool setAside = false;
        for (const auto &f : read)
            if (f.points == 0) {
                watch_->set_aside(f.name, "the library read no points from it (" + f.error + ")");
                setAside = true;
            }
        if (setAside) continue;  // again without it
        QString refusal = outcome.done ? QString() : fromSession(outcome.refusal);
        QString notes;
        if (refusal.isEmpty() && choice_.useColumn) {
            const auto columns = session_.solution_columns(session::kDefaultColumnMargin);
            if (!columns.empty()) {
                const session::Outcome limited =
                    session_.set_limits(columns.front().low, columns.front().high);
                if (limited.done)
                    notes +=
                        QStringLiteral(", column ") + fromSession(session::column_limits_text(
                                                          columns.front(), session_.xi_mode()));
            } else {
                notes += QStringLiteral(", no solution column: the full range");
            }
        }
        // A column of fewer points than the span takes the largest span it
        // holds, and says so.
        if (const auto parms = session_.differ_parms();
            refusal.isEmpty() && parms.points <= parms.span) {
            const int span = std::max(session::kMinSpan, parms.points - 1);
            if (session_.set_differ_parms(span, std::min(parms.terms, span - 1)).done)
                notes += QStringLiteral(", span %1").arg(span);
        }
        session::Assessment assessment;
        bool assessed = false;
        if (refusal.isEmpty()) {
            const session::Outcome fit = session_.fit(session_.suggested_reference());
            if (!fit.done) refusal = fromSession(fit.refusal);
        }
        if (refusal.isEmpty()) assessed = session_.assess(true, &assessment).done;
        if (hooks_.afterAnalysis) hooks_.afterAnalysis();
        if (!refusal.isEmpty()) {
            setStatus(head + QStringLiteral("scan %1 (%2): not fitted: %3")
                                 .arg(place)
                                 .arg(fileNameOf(files.back()), refusal));
            record(statusText());
            return;
        }
        const QString line = fromSession(
            session::watch_status_line(session_, place, assessed ? &assessment : nullptr));
        setStatus(head + line + notes);
        record(line + notes);
        if (assessed && hooks_.showEquilibrium) hooks_.showEquilibrium();
        emit analysed(static_cast<int>(files.size()));
        const bool reached =
            assessed && assessment.verdict.status == session::VerdictStatus::reached;
        if (reached && !reached_) notify(fromSession(assessment.verdict.text));
        reached_ = reached;
        return;
    }
}

void WatchController::notify(const QString &verdict) {
    const QString title = QStringLiteral("Quillane: equilibrium reached");
    const QString text = QStringLiteral("%1: %2").arg(choice_.folder, verdict);
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        if (!tray_) {
            tray_ = new QSystemTrayIcon(window_->windowIcon(), this);
            tray_->setToolTip(QStringLiteral("Quillane watch"));
        }
        tray_->show();
        tray_->showMessage(title, text);
    } else {
        auto *box =
            new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, window_);
        box->setObjectName(QStringLiteral("WatchEquilibriumNote"));
        box->setModal(false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
    emit equilibriumReached(verdict);
}

}  // namespace quillane::frontend
