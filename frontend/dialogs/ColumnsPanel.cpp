// SPDX-License-Identifier: MIT
#include "ColumnsPanel.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillane::frontend {

namespace {

constexpr double kMaxMargin = 0.2;  // cm: more leaves little of a six-channel column
constexpr double kMarginStep = 0.005;

}  // namespace

QString ColumnsPanel::buttonText(int k, const session::Column &column, bool xiMode) {
    return QStringLiteral("Column %1: ").arg(k) +
           QString::fromStdString(session::column_limits_text(column, xiMode));
}

ColumnsPanel::ColumnsPanel(FindColumns find, bool xiMode, QWidget *parent)
    : QGroupBox(QStringLiteral("Solution Columns"), parent),
      find_(std::move(find)),
      xiMode_(xiMode),
      shownXi_(xiMode) {
    setObjectName(QStringLiteral("SolutionColumns"));
    margin_ = new QDoubleSpinBox(this);
    margin_->setObjectName(QStringLiteral("ColumnMargin"));
    margin_->setDecimals(3);
    margin_->setRange(0.0, kMaxMargin);
    margin_->setSingleStep(kMarginStep);
    margin_->setSuffix(QStringLiteral(" cm"));
    margin_->setValue(session::kDefaultColumnMargin);
    auto *marginLabel = new QLabel(QStringLiteral("&Margin inside meniscus and base:"), this);
    marginLabel->setBuddy(margin_);
    auto *marginRow = new QHBoxLayout;
    marginRow->addWidget(marginLabel);
    marginRow->addWidget(margin_);
    marginRow->addStretch(1);

    none_ = new QLabel(
        QStringLiteral("No solution column was found in these scans: the limits stay as they "
                       "are (the full range unless you set others)."),
        this);
    none_->setObjectName(QStringLiteral("NoColumnFound"));
    none_->setWordWrap(true);
    auto *hint =
        new QLabel(QStringLiteral("A button puts its column's limits into the fields."), this);
    hint->setWordWrap(true);

    buttonsLayout_ = new QVBoxLayout;
    buttonsLayout_->setSpacing(2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(marginRow);
    layout->addLayout(buttonsLayout_);
    layout->addWidget(none_);
    layout->addWidget(hint);
    layout->addStretch(1);
    connect(margin_, &QDoubleSpinBox::valueChanged, this, &ColumnsPanel::refresh);
    refresh();
}

void ColumnsPanel::showInUnit(bool xi) {
    if (xi == shownXi_) return;
    shownXi_ = xi;
    refresh();
}

QPushButton *ColumnsPanel::button(int k) const {
    if (k < 1 || k > static_cast<int>(buttons_.size())) return nullptr;
    return buttons_[static_cast<size_t>(k - 1)];
}

void ColumnsPanel::refresh() {
    columns_ = find_ ? find_(margin_->value()) : std::vector<session::Column>{};
    for (QPushButton *b : buttons_)
        delete b;
    buttons_.clear();
    for (int k = 1; k <= static_cast<int>(columns_.size()); ++k) {
        const session::Column &c = columns_[static_cast<size_t>(k - 1)];
        session::Column shown = c;
        shown.low = session::convert_position(c.low, xiMode_, shownXi_);
        shown.high = session::convert_position(c.high, xiMode_, shownXi_);
        auto *b = new QPushButton(buttonText(k, shown, shownXi_), this);
        b->setObjectName(QStringLiteral("Column_%1").arg(k));
        b->setAutoDefault(false);
        b->setToolTip(QStringLiteral("Meniscus %1 cm, base %2 cm")
                          .arg(c.meniscus_cm, 0, 'f', 3)
                          .arg(c.base_cm, 0, 'f', 3));
        connect(b, &QPushButton::clicked, this, [this, c] { emit limitsChosen(c.low, c.high); });
        buttonsLayout_->addWidget(b);
        buttons_.push_back(b);
    }
    none_->setVisible(columns_.empty());
}

}  // namespace quillane::frontend
