// SPDX-License-Identifier: MIT
#include "StatusProgress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

namespace quillane::frontend {

StatusProgress::StatusProgress(QMainWindow &window, const QString &text, int total)
    : window_(window), label_(new QLabel(text)), bar_(new QProgressBar) {
    label_->setObjectName(QStringLiteral("ProgressText"));
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setRange(0, total);
    bar_->setValue(0);
    bar_->setMaximumWidth(240);
    QStatusBar *status = window_.statusBar();
    status->clearMessage();
    status->addWidget(label_);
    status->addWidget(bar_);
    if (window_.isVisible()) status->show();
    status->repaint();
}

StatusProgress::~StatusProgress() {
    window_.statusBar()->removeWidget(bar_);
    window_.statusBar()->removeWidget(label_);
    delete bar_;
    delete label_;
}

void StatusProgress::step(int done, int total) {
    if (bar_->maximum() != total) bar_->setMaximum(total);
    bar_->setValue(done);
    bar_->repaint();
    label_->repaint();
}

}  // namespace quillane::frontend
