// SPDX-License-Identifier: MIT
#include "ProgressWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

namespace quillane::frontend {

ProgressWindow::ProgressWindow(QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("cmpltfrm"));
    setWindowTitle(QStringLiteral("% Complete"));
    gauge_ = new QProgressBar(this);
    gauge_->setObjectName(QStringLiteral("Gauge1"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setTextVisible(false);
    gauge_->setMinimumWidth(260);
    auto *low = new QLabel(QStringLiteral("0"), this);
    low->setObjectName(QStringLiteral("Label1"));
    auto *high = new QLabel(QStringLiteral("100"), this);
    high->setObjectName(QStringLiteral("Label2"));
    high->setAlignment(Qt::AlignRight);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Label3"));
    status_->setAlignment(Qt::AlignCenter);

    auto *grid = new QGridLayout(this);
    grid->addWidget(gauge_, 0, 0, 1, 2);
    grid->addWidget(low, 1, 0, Qt::AlignLeft);
    grid->addWidget(high, 1, 1, Qt::AlignRight);
    grid->addWidget(status_, 2, 0, 1, 2);
}

void ProgressWindow::setPercent(int percent) {
    gauge_->setValue(qBound(0, percent, 100));
}
int ProgressWindow::percent() const {
    return gauge_->value();
}
void ProgressWindow::setStatus(const QString &text) {
    status_->setText(text);
}
QString ProgressWindow::status() const {
    return status_->text();
}

}  // namespace quillane::frontend
