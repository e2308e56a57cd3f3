// SPDX-License-Identifier: MIT
#include "LimitsPanel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "Prompts.h"
#include "TextFormat.h"
#include "session.h"

namespace quillane::frontend {

QString LimitsPanel::limitText(double value) {
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

LimitsPanel::LimitsPanel(bool xiMode, double low, double high, double fullLow, double fullHigh,
                         QWidget *parent)
    : QGroupBox(QStringLiteral("Data Limits"), parent),
      xiMode_(xiMode),
      fieldsXi_(xiMode),
      low_(low),
      high_(high),
      fullLow_(fullLow),
      fullHigh_(fullHigh) {
    setObjectName(QStringLiteral("DataLimits"));

    unit_ = new QComboBox(this);
    unit_->setObjectName(QStringLiteral("LimitsUnit"));
    unit_->addItem(QStringLiteral("cm (radius R)"));
    unit_->addItem(QStringLiteral("cm^2 (XI = R^2/2)"));
    auto *unitLabel = new QLabel(QStringLiteral("Limits &in:"), this);
    unitLabel->setBuddy(unit_);
    lower_ = new QLineEdit(this);
    lower_->setObjectName(QStringLiteral("LowerLimit"));
    upper_ = new QLineEdit(this);
    upper_->setObjectName(QStringLiteral("UpperLimit"));
    for (QLineEdit *field : {lower_, upper_})
        field->setMinimumWidth(QFontMetrics(field->font()).horizontalAdvance(QString(12, '0')));
    lowerUnit_ = new QLabel(this);
    lowerUnit_->setObjectName(QStringLiteral("LowerUnit"));
    upperUnit_ = new QLabel(this);
    upperUnit_->setObjectName(QStringLiteral("UpperUnit"));
    fullRange_ = new QPushButton(QStringLiteral("&Full Range"), this);
    fullRange_->setObjectName(QStringLiteral("FullRange"));
    fullRange_->setAutoDefault(false);
    connect(fullRange_, &QPushButton::clicked, this, &LimitsPanel::fullRange);

    auto *lowerLabel = new QLabel(QStringLiteral("&Lower limit:"), this);
    lowerLabel->setBuddy(lower_);
    auto *upperLabel = new QLabel(QStringLiteral("&Upper limit:"), this);
    upperLabel->setBuddy(upper_);
    range_ = new QLabel(this);
    range_->setObjectName(QStringLiteral("FullRangeText"));
    auto *mouse = new QLabel(
        QStringLiteral("Or on the plot: Ctrl+left or Shift+left click for the lower limit, "
                       "Ctrl+right, Alt+left or Shift+right click for the upper one."),
        this);
    mouse->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(unitLabel, 0, 0);
    grid->addWidget(unit_, 0, 1, 1, 2);
    grid->addWidget(lowerLabel, 1, 0);
    grid->addWidget(lower_, 1, 1);
    grid->addWidget(lowerUnit_, 1, 2);
    grid->addWidget(upperLabel, 2, 0);
    grid->addWidget(upper_, 2, 1);
    grid->addWidget(upperUnit_, 2, 2);
    grid->addWidget(range_, 3, 0, 1, 3);
    grid->addWidget(fullRange_, 4, 0, 1, 3, Qt::AlignLeft);
    grid->addWidget(mouse, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);

    unit_->setCurrentIndex(xiMode ? 1 : 0);
    lower_->setText(shown(low));
    upper_->setText(shown(high));
    showUnit();
    connect(unit_, &QComboBox::currentIndexChanged, this,
            [this](int index) { setFieldsInXi(index == 1); });
}

QString LimitsPanel::shown(double position) const {
    return limitText(session::convert_position(position, xiMode_, fieldsXi_));
}

void LimitsPanel::showUnit() {
    const QString unit = QString::fromLatin1(session::limits_unit(fieldsXi_));
    lowerUnit_->setText(unit);
    upperUnit_->setText(unit);
    range_->setText(
        QStringLiteral("Full range: %1 to %2 %3").arg(shown(fullLow_), shown(fullHigh_), unit));
}

// A field still showing a limit in force (or the full range) shows it again
// in the new unit; anything else typed is converted as it stands.
void LimitsPanel::setFieldsInXi(bool xi) {
    if (xi == fieldsXi_) return;
    QLineEdit *fields[] = {lower_, upper_};
    const double known[] = {low_, high_, fullLow_, fullHigh_};
    QString texts[2];
    for (int i = 0; i < 2; ++i) {
        const QString text = fields[i]->text();
        texts[i] = text;
        bool matched = false;
        for (double v : known)
            if (text == shown(v)) {
                fieldsXi_ = xi;
                texts[i] = shown(v);
                fieldsXi_ = !xi;
                matched = true;
                break;
            }
        double value = 0.0;
        if (!matched && parseUserNumber(text, value))
            texts[i] = limitText(session::convert_position(value, fieldsXi_, xi));
    }
    fieldsXi_ = xi;
    const QSignalBlocker block(unit_);
    unit_->setCurrentIndex(xi ? 1 : 0);
    lower_->setText(texts[0]);
    upper_->setText(texts[1]);
    showUnit();
    emit unitChanged(xi);
}

void LimitsPanel::fullRange() {
    lower_->setText(shown(fullLow_));
    upper_->setText(shown(fullHigh_));
}

void LimitsPanel::showLimits(double low, double high) {
    lower_->setText(shown(low));
    upper_->setText(shown(high));
}

bool LimitsPanel::check(Prompts &prompts, std::optional<TypedLimits> &typed) {
    const struct {
        QLineEdit *field;
        const char *name;
    } fields[] = {{lower_, "Lower"}, {upper_, "Upper"}};
    double values[2] = {0.0, 0.0};
    for (int i = 0; i < 2; ++i) {
        if (!parseUserNumber(fields[i].field->text(), values[i])) {
            prompts.warn(this, QStringLiteral("Parameter Entry Error"),
                         QStringLiteral("Illegal Value for the %1 Data Limit")
                             .arg(QString::fromLatin1(fields[i].name)));
            fields[i].field->setFocus();
            fields[i].field->selectAll();
            return false;
        }
    }
    // What was typed, in the position variable.
    const double low = session::convert_position(values[0], fieldsXi_, xiMode_);
    const double high = session::convert_position(values[1], fieldsXi_, xiMode_);
    // Limits on the wrong way round, or wholly outside the points read,
    // would leave no point to fit; anywhere inside them (past the range the
    // limits start at, too) they are taken.
    if (!(low < high)) {
        prompts.warn(this, QStringLiteral("Invalid Operation"),
                     QString::fromLatin1(session::kLimitsRemoveAllData));
        lower_->setFocus();
        return false;
    }
    if (high < fullLow_ || low > fullHigh_) {
        prompts.warn(this, QStringLiteral("Invalid Operation"),
                     QString::fromStdString(
                         session::limits_outside_text(low, high, {fullLow_, fullHigh_}, xiMode_)));
        lower_->setFocus();
        return false;
    }
    if (lower_->text() == shown(low_) && upper_->text() == shown(high_)) return true;
    const bool full = lower_->text() == shown(fullLow_) && upper_->text() == shown(fullHigh_);
    typed = TypedLimits{full, low, high};
    return true;
}

}  // namespace quillane::frontend
