// SPDX-License-Identifier: MIT
#include "DifferParmsDialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "NumberFormat.h"

namespace quillane::frontend {

QString DifferParmsDialog::pointsText(int points) {
    return QString(11, ' ') + vbDigits(points);
}

DifferParmsDialog::DifferParmsDialog(const DifferParmsValues &current, QWidget *parent)
    : QDialog(parent), result_(current) {
    setObjectName("DifferParms");
    setWindowTitle("Set Differentiation Parameters");
    setModal(true);

    auto *pointsFrame = new QGroupBox(this);
    auto *label2 = new QLabel("&Number of Points Used in Each Fit", pointsFrame);
    label2->setObjectName("Label2");
    slider_ = new QSlider(Qt::Horizontal, pointsFrame);
    slider_->setObjectName("Slider1");
    ptsPerFit_ = new QLabel(pointsFrame);
    ptsPerFit_->setObjectName("PtsPerFit");
    ptsPerFit_->setFont(QFont("Monospace"));
    pointsBox_ = new QSpinBox(pointsFrame);
    pointsBox_->setObjectName("PointsBox");
    pointsBox_->setAccelerated(true);
    label2->setBuddy(pointsBox_);
    auto *sliderRow = new QHBoxLayout;
    sliderRow->addWidget(slider_, 1);
    sliderRow->addWidget(pointsBox_);
    reason_ = new QLabel(pointsFrame);
    reason_->setObjectName("SpanReason");
    reason_->setWordWrap(true);
    reason_->setVisible(false);
    auto *pointsLayout = new QVBoxLayout(pointsFrame);
    pointsLayout->addWidget(label2);
    pointsLayout->addLayout(sliderRow);
    pointsLayout->addWidget(ptsPerFit_);
    pointsLayout->addWidget(reason_);

    auto *orderFrame = new QGroupBox(this);
    auto *label1 = new QLabel("Order of Fitting Polynomial", orderFrame);
    label1->setObjectName("Label1");
    auto *orderLayout = new QVBoxLayout(orderFrame);
    orderLayout->addWidget(label1);
    auto *group = new QButtonGroup(this);
    const char *captions[3] = {"&1st", "&2nd", "&3rd"};
    for (int i = 0; i < 3; ++i) {
        polyFit_[static_cast<size_t>(i)] = new QRadioButton(captions[i], orderFrame);
        polyFit_[static_cast<size_t>(i)]->setObjectName(QString("PolyFit_%1").arg(i));
        group->addButton(polyFit_[static_cast<size_t>(i)], i);
        orderLayout->addWidget(polyFit_[static_cast<size_t>(i)]);
    }

    ok_ = new QPushButton("&OK", this);
    QPushButton *ok = ok_;
    ok->setObjectName("IsReady");
    ok->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pointsFrame);
    layout->addWidget(orderFrame);
    layout->addWidget(ok, 0, Qt::AlignRight);

    polyFit_[static_cast<size_t>(std::clamp(current.terms, 1, 3) - 1)]->setChecked(true);
    // The span can range from 3 points to the smallest active set's points.
    slider_->setRange(3, std::max(3, current.maxPoints));
    slider_->setPageStep(10);
    // The box takes any number typed; one above the slider's end is kept as
    // typed and refused with the reason, never cut down unseen.
    pointsBox_->setRange(slider_->minimum(), kMaxTypedSpan);
    slider_->setValue(std::min(current.span, current.maxPoints));
    auto show = [this](int v) {
        ptsPerFit_->setText(pointsText(v));
        pointsBox_->setValue(v);
    };
    connect(pointsBox_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        const bool fits = v <= slider_->maximum();
        if (fits) slider_->setValue(v);
        reason_->setText(fits ? QString()
                              : QString("At most %1 points: the smallest active set holds only "
                                        "%1 inside the data limits.")
                                    .arg(slider_->maximum()));
        reason_->setVisible(!fits);
        ok_->setEnabled(fits);
    });
    connect(slider_, &QSlider::valueChanged, this, show);
    show(slider_->value());
    connect(ok, &QPushButton::clicked, this, &DifferParmsDialog::accept);
}

void DifferParmsDialog::accept() {
    int terms = 3;
    for (int i = 0; i < 3; ++i)
        if (polyFit_[static_cast<size_t>(i)]->isChecked()) {
            terms = i + 1;
            break;
        }
    result_.terms = terms;
    if (pointsBox_->value() > slider_->maximum()) return;  // the reason is on show
    result_.span = slider_->value();
    QDialog::accept();
}

}  // namespace quillane::frontend
