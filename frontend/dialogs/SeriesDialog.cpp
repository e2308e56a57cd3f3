// SPDX-License-Identifier: MIT
#include "SeriesDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "SessionText.h"

namespace quillane::frontend {

namespace {

QString fileName(const std::vector<session::ScanFacts> &scans, int i) {
    return fileNameOf(scans[static_cast<size_t>(i - 1)].file);
}

}  // namespace

QString SeriesDialog::rowText(const session::SeriesSplit &split, int k,
                              const std::vector<session::ScanFacts> &scans) {
    const session::Series &s = split.series[static_cast<size_t>(k - 1)];
    QString text = QStringLiteral("Series %1: ").arg(k) +
                   QString::fromStdString(session::series_label(split, k));
    if (!s.scans.empty()) {
        text += QStringLiteral(" (") + fileName(scans, s.scans.front());
        if (s.scans.size() > 1) text += QStringLiteral(" ... ") + fileName(scans, s.scans.back());
        text += QLatin1Char(')');
    }
    if (static_cast<int>(s.scans.size()) < session::kMinActiveSets)
        text += QStringLiteral(": too few to fit");
    return text;
}

SeriesDialog::SeriesDialog(const session::SeriesSplit &split,
                           const std::vector<session::ScanFacts> &scans,
                           const std::vector<int> &active, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ChooseSeries"));
    setWindowTitle(QStringLiteral("Choose a Series"));
    setModal(true);

    auto *intro = new QLabel(
        QStringLiteral("The scans read make %1 series.  Only scans of one series (one cell, "
                       "one rotor speed, one wavelength) can be compared: choose the one to "
                       "analyse.  Its scans become the active data sets, in time order.")
            .arg(split.series.size()),
        this);
    intro->setWordWrap(true);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("SeriesList"));
    std::vector<int> sorted_active = active;
    std::sort(sorted_active.begin(), sorted_active.end());
    for (int k = 1; k <= static_cast<int>(split.series.size()); ++k) {
        auto *row = new QListWidgetItem(rowText(split, k, scans), list_);
        const session::Series &s = split.series[static_cast<size_t>(k - 1)];
        if (static_cast<int>(s.scans.size()) < session::kMinActiveSets)
            row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
        std::vector<int> members = s.scans;
        std::sort(members.begin(), members.end());
        if (members == sorted_active) list_->setCurrentItem(row);
    }
    const int rowHeight = list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : 18;
    list_->setMinimumHeight(rowHeight * (qMin(static_cast<int>(split.series.size()), 10) + 1));
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 30);

    QStringList lines;
    for (const std::string &note : split.notes)
        lines << QStringLiteral("- ") + fromSession(note);
    notes_ = new QLabel(lines.join(QLatin1Char('\n')), this);
    notes_->setObjectName(QStringLiteral("SeriesNotes"));
    notes_->setWordWrap(true);
    notes_->setVisible(!lines.isEmpty());

    auto *buttons = new QDialogButtonBox(this);
    analyse_ =
        buttons->addButton(QStringLiteral("&Analyse This Series"), QDialogButtonBox::AcceptRole);
    analyse_->setObjectName(QStringLiteral("AnalyseSeries"));
    QPushButton *keep =
        buttons->addButton(QStringLiteral("&Keep the Active Sets"), QDialogButtonBox::RejectRole);
    keep->setObjectName(QStringLiteral("KeepActiveSets"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SeriesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SeriesDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, &SeriesDialog::updateButton);
    connect(list_, &QListWidget::itemDoubleClicked, this, &SeriesDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list_, 1);
    layout->addWidget(notes_);
    layout->addWidget(buttons);
    updateButton();
}

void SeriesDialog::pick(int k) {
    list_->setCurrentRow(k - 1);
}

void SeriesDialog::updateButton() {
    const QListWidgetItem *row = list_->currentItem();
    analyse_->setEnabled(row != nullptr && (row->flags() & Qt::ItemIsEnabled));
}

void SeriesDialog::accept() {
    if (!analyse_->isEnabled()) return;
    chosen_ = list_->currentRow() + 1;
    QDialog::accept();
}

}  // namespace quillane::frontend
