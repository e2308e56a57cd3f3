// SPDX-License-Identifier: MIT
#include "DataSetTimesDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ActiveSetPages.h"
#include "Prompts.h"
#include "TextFormat.h"

namespace quillane::frontend {

namespace {

constexpr int kPages = kMaxDataSets / DataSetTimesDialog::kRowsPerPage;
constexpr int kNameBound = 17;  // names of at most 16 characters are shown in full
constexpr int kNameTail = 14;

}  // namespace

DataSetTimesDialog::DataSetTimesDialog(const std::vector<QString> &names,
                                       const std::vector<double> &times, Prompts &prompts,
                                       QWidget *parent)
    : QDialog(parent), prompts_(prompts), times_(times) {
    setObjectName(QStringLiteral("SetDSTimes"));
    setWindowTitle(QStringLiteral("Set Dataset Times"));
    numActive_ = qBound(0, static_cast<int>(names.size()), kMaxDataSets);
    times_.resize(kMaxDataSets, 0.0);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    for (int page = 0; page < kPages; ++page) {
        auto *widget = new QWidget;
        auto *grid = new QGridLayout(widget);
        grid->setVerticalSpacing(2);
        for (int i = 0; i < kRowsPerPage; ++i) {
            const int k = page * kRowsPerPage + i + 1;
            labels_[k] = new QLabel(widget);
            labels_[k]->setObjectName(QStringLiteral("SetLabel_%1").arg(k));
            labels_[k]->setMinimumWidth(
                QFontMetrics(labels_[k]->font()).horizontalAdvance(QString(22, QLatin1Char('x'))));
            boxes_[k] = new QLineEdit(widget);
            boxes_[k]->setObjectName(QStringLiteral("TimeBox_%1").arg(k));
            grid->addWidget(labels_[k], i, 0);
            grid->addWidget(boxes_[k], i, 1);
            const bool shown = k <= numActive_;
            labels_[k]->setVisible(shown);
            boxes_[k]->setVisible(shown);
            if (!shown) continue;
            const QString name = names[static_cast<size_t>(k - 1)].trimmed();
            labels_[k]->setText(QStringLiteral(" %1: ").arg(k) +
                                shortenedName(name, kNameBound, kNameTail));
            labels_[k]->setToolTip(name);
            boxes_[k]->setText(formatDataSetTime(times_[static_cast<size_t>(k - 1)]));
        }
        grid->setRowStretch(kRowsPerPage, 1);
        tabs_->addTab(widget, setPageCaption(page));
    }
    cutPagesToActiveSets(*tabs_, numActive_);
    keepEveryTabInView(*tabs_);

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &DataSetTimesDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

void DataSetTimesDialog::accept() {
    std::vector<double> entered = times_;
    for (int k = 1; k <= numActive_; ++k) {
        double value = 0.0;
        if (!parseUserNumber(boxes_[k]->text(), value)) {
            tabs_->setCurrentIndex((k - 1) / kRowsPerPage);
            boxes_[k]->setFocus();
            prompts_.warn(this, QStringLiteral("Input Error"),
                          QStringLiteral("Illegal Value For Time #%1! Try Again.").arg(k));
            boxes_[k]->setFocus();
            return;
        }
        entered[static_cast<size_t>(k - 1)] = value;
    }
    times_ = entered;
    QDialog::accept();
}

}  // namespace quillane::frontend
