// SPDX-License-Identifier: MIT
#include "ManyScansDialog.h"

#include <numeric>
#include <vector>

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "run_listing.h"
#include "session.h"

namespace quillane::frontend {

ManyScansDialog::ManyScansDialog(const QString &series, int scans, int capacity, QWidget *parent)
    : QDialog(parent), scans_(scans) {
    setObjectName(QStringLiteral("ManyScans"));
    setWindowTitle(QStringLiteral("More Scans Than Can Be Read"));
    setModal(true);

    auto *intro = new QLabel(QStringLiteral("The series %1 holds %2 scans; at most %3 can be read "
                                            "and compared at once.  Which scans are read?")
                                 .arg(series)
                                 .arg(scans)
                                 .arg(capacity),
                             this);
    intro->setObjectName(QStringLiteral("ManyScansText"));
    intro->setWordWrap(true);

    latest_ = new QRadioButton(QStringLiteral("The &latest %1 scans (%2 are left out)")
                                   .arg(capacity)
                                   .arg(scans - capacity),
                               this);
    latest_->setObjectName(QStringLiteral("LatestScans"));
    latest_->setChecked(true);
    everyNth_ = new QRadioButton(QStringLiteral("&Every Nth scan, the latest first; N ="), this);
    everyNth_->setObjectName(QStringLiteral("EveryNthScan"));
    every_ = new QSpinBox(this);
    every_->setObjectName(QStringLiteral("EveryN"));
    // Fewer than three scans cannot be fitted: N stops where three remain.
    const int smallest = session::smallest_every_nth(static_cast<size_t>(scans), capacity);
    every_->setRange(smallest, qMax(smallest, (scans - 1) / (session::kMinActiveSets - 1)));
    every_->setValue(smallest);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("EveryNthCount"));
    count_->setWordWrap(true);

    auto *grid = new QGridLayout;
    grid->addWidget(latest_, 0, 0, 1, 2);
    grid->addWidget(everyNth_, 1, 0);
    grid->addWidget(every_, 1, 1);
    grid->addWidget(count_, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ManyScansDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ManyScansDialog::reject);
    connect(every_, &QSpinBox::valueChanged, this, [this] {
        everyNth_->setChecked(true);
        showCount();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons);
    showCount();
}

void ManyScansDialog::showCount() {
    std::vector<int> positions(static_cast<size_t>(scans_));
    std::iota(positions.begin(), positions.end(), 1);
    const int kept = static_cast<int>(session::every_nth(positions, every_->value()).size());
    count_->setText(QStringLiteral("Every %1 scan: %2 scans are read, %3 left out.")
                        .arg(QString::fromStdString(session::ordinal(every_->value())))
                        .arg(kept)
                        .arg(scans_ - kept));
}

void ManyScansDialog::accept() {
    choice_.latest = latest_->isChecked();
    choice_.every = every_->value();
    QDialog::accept();
}

}  // namespace quillane::frontend
