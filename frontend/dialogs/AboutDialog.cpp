// SPDX-License-Identifier: MIT
#include "AboutDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace quillane::frontend {

AboutDialog::AboutDialog(const AboutFacts &facts, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Quillane"));
    setModal(true);

    auto *title = new QLabel(QStringLiteral("<b>Quillane</b>"), this);
    auto *purpose = new QLabel(
        QStringLiteral("Compares the scans of an analytical-ultracentrifuge cell taken over time "
                       "and tells whether the cell has reached sedimentation equilibrium."),
        this);
    purpose->setWordWrap(true);
    QString text = QStringLiteral("Program version %1\nAnalysis library version %2")
                       .arg(facts.programVersion, facts.libraryVersion);
    if (!facts.libraryFile.isEmpty())
        text += QStringLiteral("\nLibrary loaded from %1")
                    .arg(QDir::toNativeSeparators(facts.libraryFile));
    text += QStringLiteral("\nBuilt with Qt %1, running on Qt %2")
                .arg(QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()));
    versions_ = new QLabel(text, this);
    versions_->setObjectName(QStringLiteral("Versions"));
    versions_->setWordWrap(true);
    versions_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *licence = new QLabel(QStringLiteral("Free software under the MIT licence."), this);
    licence->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(purpose);
    layout->addWidget(versions_);
    layout->addWidget(licence);
    layout->addWidget(buttons);
}

}  // namespace quillane::frontend
