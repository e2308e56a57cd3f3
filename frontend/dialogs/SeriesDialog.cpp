// SPDX-License-Identifier: MIT
#include "SeriesDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "SessionText.h"

namespace quillane::frontend {

namespace {

// Files left out of a run named in the dialog before the rest are only
// counted: the report lists them all, and a dialog of a folder of odd
// files must still fit a small screen.
constexpr int kLeftOutShown = 6;
// The list is never made wider than this for its longest row: it scrolls
// sideways instead, so the dialog fits 683 logical pixels (1366 at 200 %).
constexpr int kWidestList = 600;

QString fileName(const std::vector<session::ScanFacts> &scans, int i) {
    return fileNameOf(scans[static_cast<size_t>(i - 1)].file);
}

}  // namespace

QString SeriesDialog::rowText(const session::SeriesSplit &split, int k,
                              const std::vector<session::ScanFacts> &scans) {
    const session::Series &s = split.series[static_cast<size_t>(k - 1)];
    QString text = QStringLiteral("Series %1: ").arg(k) +
                   QString::fromStdString(session::series_label(split, k));
    const std::string span = session::series_time_span(split, k, scans);
    if (!span.empty()) text += QStringLiteral(", ") + QString::fromStdString(span);
    if (!s.scans.empty()) {
        text += QStringLiteral(" (") + fileName(scans, s.scans.front());
        if (s.scans.size() > 1) text += QStringLiteral(" ... ") + fileName(scans, s.scans.back());
        text += QLatin1Char(')');
    }
    if (static_cast<int>(s.scans.size()) < session::kMinActiveSets)
        text += QStringLiteral(": too few to fit");
    else if (static_cast<int>(s.scans.size()) > session::kMaxDataSets)
        text +=
            QStringLiteral(": more than %1, you choose which are read").arg(session::kMaxDataSets);
    return text;
}

SeriesDialog::SeriesDialog(const session::SeriesSplit &split,
                           const std::vector<session::ScanFacts> &scans,
                           const std::vector<int> &active, QWidget *parent)
    : QDialog(parent) {
    QStringList notes;
    for (const std::string &note : split.notes)
        notes << QStringLiteral("- ") + fromSession(note);
    build(QStringLiteral("The scans read make %1 series.  Only scans of one series (one cell, "
                         "one rotor speed, one wavelength) can be compared: choose the one to "
                         "analyse.  Its scans become the active data sets, in time order.")
              .arg(split.series.size()),
          split, scans, active, notes, QStringLiteral("&Keep the Active Sets"));
}

SeriesDialog::SeriesDialog(const session::RunListing &run, QWidget *parent) : QDialog(parent) {
    QStringList notes;
    for (const std::string &note : run.split.notes)
        notes << QStringLiteral("- ") + fromSession(note);
    const int leftOut = static_cast<int>(run.left_out.size());
    for (int i = 0; i < std::min(leftOut, kLeftOutShown); ++i)
        notes << QStringLiteral("- ") + fromSession(run.left_out[static_cast<size_t>(i)].text);
    if (leftOut > kLeftOutShown)
        notes << QStringLiteral("- and %1 more files left out (the report names them all)")
                     .arg(leftOut - kLeftOutShown);
    const QString where = run.folder.empty()
                              ? QStringLiteral("The files given hold")
                              : QStringLiteral("The folder %1 holds")
                                    .arg(QDir::toNativeSeparators(fromSession(run.folder)));
    QString intro = QStringLiteral("%1 %2 scans in %3 series")
                        .arg(where)
                        .arg(run.scans.size())
                        .arg(run.split.series.size());
    if (leftOut > 0)
        intro += QStringLiteral(", and %1 %2 left out (below)")
                     .arg(leftOut)
                     .arg(leftOut == 1 ? QStringLiteral("file is") : QStringLiteral("files are"));
    intro += QStringLiteral(
                 ".  Only scans of one series (one cell, one rotor speed, one wavelength) can "
                 "be compared: choose the one to read and analyse.  At most %1 scans are read "
                 "at once; of a longer series you choose which.")
                 .arg(session::kMaxDataSets);
    build(intro, run.split, run.scans, {}, notes, QStringLiteral("Cancel"));
    setWindowTitle(QStringLiteral("Open Run: Choose a Series"));
}

void SeriesDialog::build(const QString &introText, const session::SeriesSplit &split,
                         const std::vector<session::ScanFacts> &scans,
                         const std::vector<int> &active, const QStringList &lines,
                         const QString &keepCaption) {
    setObjectName(QStringLiteral("ChooseSeries"));
    setWindowTitle(QStringLiteral("Choose a Series"));
    setModal(true);

    auto *intro = new QLabel(introText, this);
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
        if (!sorted_active.empty() && members == sorted_active) list_->setCurrentItem(row);
    }
    const int rowHeight = list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : 18;
    list_->setMinimumHeight(rowHeight * (qMin(static_cast<int>(split.series.size()), 10) + 1));
    list_->setMinimumWidth(qMin(list_->sizeHintForColumn(0) + 30, kWidestList));

    notes_ = new QLabel(lines.join(QLatin1Char('\n')), this);
    notes_->setObjectName(QStringLiteral("SeriesNotes"));
    notes_->setWordWrap(true);
    notes_->setVisible(!lines.isEmpty());

    auto *buttons = new QDialogButtonBox(this);
    analyse_ =
        buttons->addButton(QStringLiteral("&Analyse This Series"), QDialogButtonBox::AcceptRole);
    analyse_->setObjectName(QStringLiteral("AnalyseSeries"));
    QPushButton *keep = buttons->addButton(keepCaption, QDialogButtonBox::RejectRole);
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
