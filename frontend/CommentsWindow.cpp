// SPDX-License-Identifier: MIT
#include "CommentsWindow.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "Twips.h"

namespace quillane::frontend {

namespace {

QFont commentFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(7.5);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(7.5);
    }
    return font;
}

QLineEdit *commentLine(QWidget *parent, const char *name) {
    auto *line = new QLineEdit(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setReadOnly(true);
    line->setFont(commentFont());
    line->setMinimumWidth(
        QFontMetrics(line->font()).horizontalAdvance(QString(82, QLatin1Char('0'))));
    return line;
}

}  // namespace

CommentsWindow::CommentsWindow(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Comments"));
    setWindowTitle(QStringLiteral("Click Anywhere To Close"));
    text1_ = commentLine(this, "Text1");
    text2_ = commentLine(this, "Text2");
    text1_->setText(QStringLiteral(
        "12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text1_);
    layout->addWidget(text2_);
    // A click on a text line closes the window like a click on its background.
    for (QLineEdit *line : {text1_, text2_})
        line->installEventFilter(this);
}

void CommentsWindow::setLines(const QString &first, const QString &second, const QString &caption) {
    text1_->setText(first);
    text2_->setText(second);
    text1_->setCursorPosition(0);
    text2_->setCursorPosition(0);
    setWindowTitle(caption);
}

QString CommentsWindow::firstLine() const {
    return text1_->text();
}
QString CommentsWindow::secondLine() const {
    return text2_->text();
}

void CommentsWindow::placeOver(const QWidget *form) {
    if (!form) return;
    adjustSize();
    move(form->x() + (form->width() - width()) / 2, form->y() + twipsToPixelsY(400, form));
}

bool CommentsWindow::eventFilter(QObject *watched, QEvent *event) {
    if ((watched == text1_ || watched == text2_) && event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CommentsWindow::mousePressEvent(QMouseEvent *) {
    accept();
}

}  // namespace quillane::frontend
