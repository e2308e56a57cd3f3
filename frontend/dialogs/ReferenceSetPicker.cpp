// SPDX-License-Identifier: MIT
#include "ReferenceSetPicker.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillane::frontend {

ReferenceSetPicker::ReferenceSetPicker(const std::vector<ActiveSetEntry> &sets, int value,
                                       QWidget *parent)
    : QWidget(parent), sets_(sets) {
    const int count = std::max(1, static_cast<int>(sets_.size()));
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("Slider1"));
    slider_->setRange(1, count);
    slider_->setPageStep(5);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(count > 20 ? 5 : 1);
    slider_->setFocusPolicy(Qt::StrongFocus);
    box_ = new QSpinBox(this);
    box_->setObjectName(QStringLiteral("Text1"));
    box_->setRange(1, count);
    box_->setAccelerated(true);
    description_ = new QLabel(this);
    description_->setObjectName(QStringLiteral("SetDescription"));
    description_->setMinimumWidth(
        QFontMetrics(description_->font()).horizontalAdvance(QString(32, QLatin1Char('x'))));

    auto *label = new QLabel(QStringLiteral("Data &Set #"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(box_);
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(box_);
    row->addWidget(description_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider_);
    layout->addLayout(row);

    connect(slider_, &QSlider::valueChanged, this, &ReferenceSetPicker::show);
    connect(box_, qOverload<int>(&QSpinBox::valueChanged), slider_, &QSlider::setValue);
    slider_->setValue(std::clamp(value, 1, count));
    show(slider_->value());
    setFocusProxy(slider_);
}

int ReferenceSetPicker::value() const {
    return slider_->value();
}

void ReferenceSetPicker::show(int k) {
    box_->setValue(k);
    const size_t index = static_cast<size_t>(k - 1);
    description_->setText(index < sets_.size() ? activeSetLabel(k, sets_[index]) : QString());
}

}  // namespace quillane::frontend
