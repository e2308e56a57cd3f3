// SPDX-License-Identifier: MIT
#include "ReportWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "FixedFont.h"
#include "Settings.h"
#include "Twips.h"

namespace quillane::frontend {

namespace {

const QString kGeometryKey = QStringLiteral("report");

// The report's lines end in CR LF; the window shows them without the CR.
QString linesOf(const QByteArray &bytes) {
    QString text = QString::fromLocal8Bit(bytes);
    text.remove(QLatin1Char('\r'));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text;
}

}  // namespace

ReportWindow::ReportWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ReportWindow"));
    setWindowTitle(QStringLiteral("Report"));

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("ReportText"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The report is laid out in columns; a fixed-pitch font keeps them aligned.
    text_->setFont(reportFont());

    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("FindText"));
    find_->setPlaceholderText(QStringLiteral("Text to find"));
    find_->setClearButtonEnabled(true);
    auto *next = new QPushButton(QStringLiteral("&Next"), this);
    next->setObjectName(QStringLiteral("FindNext"));
    auto *previous = new QPushButton(QStringLiteral("&Previous"), this);
    previous->setObjectName(QStringLiteral("FindPrevious"));
    matchCase_ = new QCheckBox(QStringLiteral("&Match case"), this);
    matchCase_->setObjectName(QStringLiteral("MatchCase"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("FindStatus"));

    auto *findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(find_);
    auto *bar = new QHBoxLayout;
    bar->addWidget(findLabel);
    bar->addWidget(find_, 1);
    bar->addWidget(next);
    bar->addWidget(previous);
    bar->addWidget(matchCase_);
    bar->addWidget(status_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(bar);

    connect(find_, &QLineEdit::returnPressed, this, &ReportWindow::findNext);
    connect(next, &QPushButton::clicked, this, &ReportWindow::findNext);
    connect(previous, &QPushButton::clicked, this, &ReportWindow::findPrevious);
    auto *focusFind = new QShortcut(QKeySequence::Find, this);
    connect(focusFind, &QShortcut::activated, this, [this] {
        find_->setFocus();
        find_->selectAll();
    });
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this,
            &ReportWindow::findNext);
    connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
            &ReportWindow::findPrevious);

    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &ReportWindow::refresh);

    resize(800, 500);
    settings::keepGeometry(*this, kGeometryKey);
    keepOnScreen(this);  // a small screen at a large scale has less room
}

void ReportWindow::setFile(const QString &path) {
    if (path == path_) {
        refresh();
        return;
    }
    if (!path_.isEmpty()) watcher_->removePath(path_);
    path_ = path;
    setWindowTitle(QStringLiteral("Report - %1").arg(QFileInfo(path).fileName()));
    reload();
}

void ReportWindow::reload() {
    offset_ = 0;
    text_->clear();
    refresh();
}

void ReportWindow::watch() {
    // A watch is dropped when the file is replaced; take it up again.
    if (!path_.isEmpty() && QFileInfo::exists(path_) && !watcher_->files().contains(path_))
        watcher_->addPath(path_);
}

void ReportWindow::refresh() {
    watch();
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        text_->setPlainText(QStringLiteral("The report %1 cannot be read: %2")
                                .arg(path_, path_.isEmpty() ? QStringLiteral("no report file")
                                                            : file.errorString()));
        offset_ = 0;
        return;
    }
    if (file.size() < offset_) {
        reload();
        return;
    }
    file.seek(offset_);
    const QByteArray added = file.readAll();
    // Only whole lines: the rest is shown when its line is complete.
    const qsizetype end = added.lastIndexOf('\n');
    if (end < 0) return;
    const QByteArray lines = added.left(end + 1);
    QScrollBar *bar = text_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int keep = bar->value();
    if (offset_ == 0)
        text_->setPlainText(linesOf(lines));
    else
        text_->appendPlainText(linesOf(lines));
    offset_ += lines.size();
    bar->setValue(atEnd ? bar->maximum() : keep);
}

bool ReportWindow::findNext() {
    return find(false);
}

bool ReportWindow::findPrevious() {
    return find(true);
}

bool ReportWindow::find(bool backward) {
    const QString wanted = find_->text();
    if (wanted.isEmpty()) {
        status_->clear();
        return false;
    }
    QTextDocument::FindFlags flags;
    if (backward) flags |= QTextDocument::FindBackward;
    if (matchCase_->isChecked()) flags |= QTextDocument::FindCaseSensitively;
    if (text_->find(wanted, flags)) {
        status_->clear();
        return true;
    }
    // Round the end of the report and on from the other end.
    const QTextCursor before = text_->textCursor();
    text_->moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    if (text_->find(wanted, flags)) {
        status_->setText(backward ? QStringLiteral("Went on from the end")
                                  : QStringLiteral("Went on from the start"));
        return true;
    }
    text_->setTextCursor(before);
    status_->setText(QStringLiteral("\"%1\" is not in the report").arg(wanted));
    return false;
}

void ReportWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    refresh();
}

}  // namespace quillane::frontend
