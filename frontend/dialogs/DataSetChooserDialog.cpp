// SPDX-License-Identifier: MIT
#include "DataSetChooserDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ActiveSetPages.h"
#include "ColumnsPanel.h"
#include "LimitsPanel.h"
#include "TextFormat.h"

namespace quillane::frontend {

QString DataSetChooserDialog::boxCaption(int k, const QString &fileName) {
    // Names of up to 23 characters are shown whole, longer ones by their end.
    return QStringLiteral(" %1:  ").arg(k) + shortenedName(fileName.trimmed(), 24, 21);
}

DataSetChooserDialog::DataSetChooserDialog(const std::vector<QString> &names, bool forDeviations,
                                           int refSet, QWidget *parent)
    : QDialog(parent),
      numActive_(qBound(0, static_cast<int>(names.size()), kMaxDataSets)),
      forDeviations_(forDeviations),
      refSet_(refSet) {
    setObjectName(QStringLiteral("NewDSToPlot"));
    setWindowTitle(QStringLiteral("Choose Data Sets"));
    setModal(true);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    for (int page = 0; page < kSetPages; ++page) {
        auto *widget = new QWidget;
        auto *column = new QVBoxLayout(widget);
        column->setSpacing(2);
        for (int i = 0; i < kSetsPerPage; ++i) {
            const int k = page * kSetsPerPage + i + 1;
            auto *box = new QCheckBox(widget);
            box->setObjectName(QStringLiteral("Check_%1").arg(k));
            boxes_[static_cast<size_t>(k)] = box;
            column->addWidget(box);
            if (k > numActive_) {
                box->setVisible(false);
                continue;
            }
            const QString &name = names[static_cast<size_t>(k - 1)];
            box->setText(boxCaption(k, name));
            box->setToolTip(name.trimmed());
            // The reference set is not compared with itself.
            if (forDeviations && k == refSet) box->setEnabled(false);
        }
        column->addStretch(1);
        tabs_->addTab(widget, setPageCaption(page));
    }
    cutPagesToActiveSets(*tabs_, numActive_);
    keepEveryTabInView(*tabs_);

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("IsReady"));
    ok->setDefault(true);
    auto *all = new QPushButton(QStringLiteral("Plot &All"), this);
    all->setObjectName(QStringLiteral("PlotAll"));
    connect(ok, &QPushButton::clicked, this, &DataSetChooserDialog::accept);
    connect(all, &QPushButton::clicked, this, &DataSetChooserDialog::plotAll);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(all);
    buttons->addWidget(ok);
    top_ = new QHBoxLayout;
    top_->addWidget(tabs_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top_);
    layout->addLayout(buttons);
}

void DataSetChooserDialog::addLimitsPanel(Prompts &prompts, bool xiMode, double low, double high,
                                          double fullLow, double fullHigh) {
    if (limitsPanel_) return;
    prompts_ = &prompts;
    limitsPanel_ = new LimitsPanel(xiMode, low, high, fullLow, fullHigh, this);
    top_->addWidget(limitsPanel_);
}

void DataSetChooserDialog::addColumnsPanel(
    std::function<std::vector<session::Column>(double margin_cm)> find, bool xiMode) {
    if (!limitsPanel_ || columnsPanel_) return;
    columnsPanel_ = new ColumnsPanel(std::move(find), xiMode, this);
    connect(columnsPanel_, &ColumnsPanel::limitsChosen, limitsPanel_, &LimitsPanel::showLimits);
    connect(limitsPanel_, &LimitsPanel::unitChanged, columnsPanel_, &ColumnsPanel::showInUnit);
    top_->addWidget(columnsPanel_);
}

void DataSetChooserDialog::accept() {
    std::optional<TypedLimits> typed;
    if (limitsPanel_ && !limitsPanel_->check(*prompts_, typed)) return;  // stays open
    typed_ = typed;
    PlotList list{};
    int count = 0;
    for (int k = 1; k <= numActive_; ++k)
        if (boxes_[static_cast<size_t>(k)]->isChecked()) list[static_cast<size_t>(++count)] = k;
    list[0] = count;
    chosen_ = list;
    QDialog::accept();
}

std::vector<int> DataSetChooserDialog::chosenSets() const {
    std::vector<int> sets;
    for (int i = 1; i <= chosen_[0]; ++i)
        sets.push_back(chosen_[static_cast<size_t>(i)]);
    return sets;
}

void DataSetChooserDialog::plotAll() {
    for (int k = 1; k <= numActive_; ++k)
        boxes_[static_cast<size_t>(k)]->setChecked(true);
    if (forDeviations_ && refSet_ >= 1 && refSet_ <= numActive_)
        boxes_[static_cast<size_t>(refSet_)]->setChecked(false);
    accept();
}

}  // namespace quillane::frontend
