#include "ChooseRefSetDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "NumberFormat.h"

namespace quillane::frontend {

ChooseRefSetDialog::ChooseRefSetDialog(int numActive, int refSet, QWidget *parent)
    : QDialog(parent), refSet_(refSet) {
    setObjectName("ChooseRefSet");
    setWindowTitle("Choose Reference Set");
    setModal(true);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("Slider1");
    slider_->setRange(1, std::max(1, numActive));
    slider_->setValue(refSet);
    slider_->setTickPosition(QSlider::TicksBelow);
    text_ = new QLineEdit(this);
    text_->setObjectName("Text1");
    text_->setReadOnly(true);
    text_->setMaximumWidth(48);
    auto *label = new QLabel("Data Set #", this);
    label->setObjectName("Label1");
    auto *ok = new QPushButton("&OK", this);
    ok->setObjectName("IsReady");
    ok->setDefault(true);

    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(text_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(slider_);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);

    auto show = [this](int v) { text_->setText(vbDigits(v)); };
    connect(slider_, &QSlider::valueChanged, this, show);
    show(slider_->value());
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void ChooseRefSetDialog::done(int result) {
    // Every way out of the dialog ends here, the close button included.
    refSet_ = slider_->value();
    QDialog::done(result);
}

}  // namespace quillane::frontend
