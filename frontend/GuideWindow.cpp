// SPDX-License-Identifier: MIT
#include "GuideWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "Settings.h"
#include "Twips.h"

// Set by the build: the path from the folder the programs are installed in
// to the documentation folder, and the source tree's docs/.
#ifndef QUILLANE_DOCDIR_FROM_BINDIR
#error "QUILLANE_DOCDIR_FROM_BINDIR must give the installed documentation folder"
#endif
#ifndef QUILLANE_SOURCE_DOCS_DIR
#error "QUILLANE_SOURCE_DOCS_DIR must give the source tree's docs folder"
#endif

namespace quillane::frontend {

namespace {

const QString kGuideName = QStringLiteral("guide.md");
// Wide enough for the guide's pictures beside nothing else, tall enough
// for a page of text; the screen may make it smaller (keepOnScreen).
constexpr int kWidthTwips = 12000;
constexpr int kHeightTwips = 10000;

}  // namespace

GuideWindow::GuideWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Guide"));
    setWindowTitle(QStringLiteral("Quillane Guide"));
    text_ = new QTextBrowser(this);
    text_->setObjectName(QStringLiteral("GuideText"));
    text_->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    resize(twipsToPixelsX(kWidthTwips, this), twipsToPixelsY(kHeightTwips, this));
    if (!settings::keepGeometry(*this, QStringLiteral("guide"))) placeAtQuarter(this);
    keepOnScreen(this);
}

void GuideWindow::showFile(const QString &file) {
    file_ = file;
    // The pictures are named relative to the guide: the source's folder
    // resolves them.
    text_->setSource(QUrl::fromLocalFile(file), QTextDocument::MarkdownResource);
    setWindowTitle(QStringLiteral("Quillane Guide - %1").arg(QDir::toNativeSeparators(file)));
}

QStringList GuideWindow::guidePlaces(const QString &programFolder) {
    QStringList places;
    if (!programFolder.isEmpty())
        places << QDir::cleanPath(programFolder + QLatin1Char('/') +
                                  QStringLiteral(QUILLANE_DOCDIR_FROM_BINDIR) + QLatin1Char('/') +
                                  kGuideName);
    places << QDir::cleanPath(QStringLiteral(QUILLANE_SOURCE_DOCS_DIR) + QLatin1Char('/') +
                              kGuideName);
    return places;
}

QString GuideWindow::findGuide(const QString &programFolder) {
    for (const QString &place : guidePlaces(programFolder))
        if (QFileInfo(place).isFile()) return place;
    return {};
}

}  // namespace quillane::frontend
