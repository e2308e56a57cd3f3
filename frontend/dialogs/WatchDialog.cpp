// SPDX-License-Identifier: MIT
#include "WatchDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "folder_watch.h"

namespace quillane::frontend {

namespace {

const QString kFirstSeries = QStringLiteral("The first series found");

}  // namespace

WatchDialog::WatchDialog(const WatchChoice &start, SeriesLister lister, QWidget *parent)
    : QDialog(parent), lister_(std::move(lister)), choice_(start) {
    setObjectName(QStringLiteral("WatchFolder"));
    setWindowTitle(QStringLiteral("Watch Folder"));
    setModal(true);

    auto *intro = new QLabel(
        QStringLiteral("Follows a run folder while the instrument writes it.  Each scan is "
                       "used once it is whole (unchanged over two looks, its last line ended, "
                       "as many points as the scans before it); after each, the series is "
                       "fitted again and the Equilibrium plot and the status line are brought "
                       "up to date."),
        this);
    intro->setWordWrap(true);

    folder_ = new QLineEdit(start.folder, this);
    folder_->setObjectName(QStringLiteral("WatchFolderPath"));
    auto *browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setObjectName(QStringLiteral("WatchBrowse"));
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);

    pattern_ = new QLineEdit(start.pattern, this);
    pattern_->setObjectName(QStringLiteral("WatchPattern"));
    pattern_->setToolTip(QStringLiteral("Which file names are scans, such as *.RA2"));

    interval_ = new QDoubleSpinBox(this);
    interval_->setObjectName(QStringLiteral("WatchInterval"));
    interval_->setRange(session::kMinIntervalSeconds, session::kMaxIntervalSeconds);
    interval_->setDecimals(1);
    interval_->setSuffix(QStringLiteral(" s"));
    interval_->setValue(start.intervalSeconds);

    series_ = new QComboBox(this);
    series_->setObjectName(QStringLiteral("WatchSeries"));
    series_->setEditable(true);
    series_->setInsertPolicy(QComboBox::NoInsert);
    series_->setToolTip(
        QStringLiteral("A series listed, or typed by speed, wavelength or cell: 280nm, "
                       "10000rpm, cell2 (several joined by commas)"));
    auto *list = new QPushButton(QStringLiteral("&List Series"), this);
    list->setObjectName(QStringLiteral("WatchListSeries"));
    auto *seriesRow = new QHBoxLayout;
    seriesRow->addWidget(series_, 1);
    seriesRow->addWidget(list);

    column_ = new QCheckBox(QStringLiteral("Fit only the first solution &column found"), this);
    column_->setObjectName(QStringLiteral("WatchUseColumn"));
    column_->setChecked(start.useColumn);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("WatchProblem"));
    problem_->setWordWrap(true);
    problem_->setVisible(false);

    auto *form = new QFormLayout;
    auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label(QStringLiteral("&Folder:"), folder_), folderRow);
    form->addRow(label(QStringLiteral("&Pattern:"), pattern_), pattern_);
    form->addRow(label(QStringLiteral("&Interval:"), interval_), interval_);
    form->addRow(label(QStringLiteral("&Series:"), series_), seriesRow);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("&Watch"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("WatchStart"));
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &WatchDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &WatchDialog::reject);
    connect(browse, &QPushButton::clicked, this, &WatchDialog::browse);
    connect(list, &QPushButton::clicked, this, &WatchDialog::listSeries);
    connect(folder_, &QLineEdit::editingFinished, this, &WatchDialog::listSeries);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(column_);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    listSeries();
    if (!start.series.isEmpty()) series_->setEditText(start.series);
}

void WatchDialog::browse() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Watch Folder"),
                                                             folder_->text().trimmed());
    if (folder.isEmpty()) return;
    folder_->setText(QDir::toNativeSeparators(folder));
    listSeries();
}

void WatchDialog::listSeries() {
    const QString typed = series_->currentIndex() > 0 ? QString() : series_->currentText();
    series_->clear();
    series_->addItem(kFirstSeries, QString());
    const QString folder = folder_->text().trimmed();
    if (lister_ && !folder.isEmpty() && QFileInfo(folder).isDir()) {
        const std::vector<std::string> lines = lister_(folder, pattern_->text().trimmed());
        for (size_t k = 0; k < lines.size(); ++k)
            series_->addItem(QString::fromStdString(lines[k]), QString::number(k + 1));
    }
    if (!typed.isEmpty() && typed != kFirstSeries) series_->setEditText(typed);
}

void WatchDialog::accept() {
    const QString folder = folder_->text().trimmed();
    QString problem;
    QString series;
    const int index = series_->findText(series_->currentText());
    if (index >= 0)
        series = series_->itemData(index).toString();
    else
        series = series_->currentText().trimmed();
    session::SeriesSelector selector;
    std::string why;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        problem = QStringLiteral("Choose a folder that exists.");
    else if (!session::parse_series_selector(series.toStdString(), selector, why) ||
             selector.mode == session::SeriesSelector::Mode::together)
        problem = QStringLiteral("Series: ") +
                  (why.empty() ? QStringLiteral("one series is followed, not all together")
                               : QString::fromStdString(why));
    if (!problem.isEmpty()) {
        problem_->setText(problem);
        problem_->setVisible(true);
        return;
    }
    choice_.folder = folder;
    choice_.pattern =
        pattern_->text().trimmed().isEmpty() ? QStringLiteral("*") : pattern_->text().trimmed();
    choice_.intervalSeconds = interval_->value();
    choice_.series = series;
    choice_.useColumn = column_->isChecked();
    QDialog::accept();
}

}  // namespace quillane::frontend
