// SPDX-License-Identifier: MIT
#include "ChooseRefSetDialog.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "ReferenceSetPicker.h"

namespace quillane::frontend {

ChooseRefSetDialog::ChooseRefSetDialog(const std::vector<ActiveSetEntry> &sets, int refSet,
                                       QWidget *parent)
    : QDialog(parent), refSet_(refSet) {
    setObjectName("ChooseRefSet");
    setWindowTitle("Choose Reference Set");
    setModal(true);

    picker_ = new ReferenceSetPicker(sets, refSet, this);
    auto *ok = new QPushButton("&OK", this);
    ok->setObjectName("IsReady");
    ok->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picker_);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // The keys move the slider from the start.
    picker_->setFocus();
}

QSlider *ChooseRefSetDialog::slider() const {
    return picker_->slider();
}

QSpinBox *ChooseRefSetDialog::box() const {
    return picker_->box();
}

void ChooseRefSetDialog::done(int result) {
    // Every way out of the dialog ends here, the close button included.
    refSet_ = picker_->value();
    QDialog::done(result);
}

}  // namespace quillane::frontend
