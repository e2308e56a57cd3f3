#include "LimitsPanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    : QGroupBox(QStringLiteral("Data Limits"), parent), fullLow_(fullLow), fullHigh_(fullHigh) {
    setObjectName(QStringLiteral("DataLimits"));
    const QString unit = xiMode ? QStringLiteral("XI = R^2/2 (cm^2)") : QStringLiteral("R (cm)");

    lower_ = new QLineEdit(limitText(low), this);
    lower_->setObjectName(QStringLiteral("LowerLimit"));
    upper_ = new QLineEdit(limitText(high), this);
    upper_->setObjectName(QStringLiteral("UpperLimit"));
    for (QLineEdit *field : {lower_, upper_})
        field->setMinimumWidth(QFontMetrics(field->font()).horizontalAdvance(QString(12, '0')));
    shownLow_ = lower_->text();
    shownHigh_ = upper_->text();
    fullRange_ = new QPushButton(QStringLiteral("&Full Range"), this);
    fullRange_->setObjectName(QStringLiteral("FullRange"));
    fullRange_->setAutoDefault(false);
    connect(fullRange_, &QPushButton::clicked, this, &LimitsPanel::fullRange);

    auto *lowerLabel = new QLabel(QStringLiteral("&Lower limit:"), this);
    lowerLabel->setBuddy(lower_);
    auto *upperLabel = new QLabel(QStringLiteral("&Upper limit:"), this);
    upperLabel->setBuddy(upper_);
    auto *range = new QLabel(
        QStringLiteral("Full range: %1 to %2").arg(limitText(fullLow), limitText(fullHigh)), this);
    range->setObjectName(QStringLiteral("FullRangeText"));
    auto *mouse = new QLabel(
        QStringLiteral("Or on the plot: Ctrl+left or Shift+left click for the lower limit, "
                       "Ctrl+right, Alt+left or Shift+right click for the upper one."),
        this);
    mouse->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(unit, this), 0, 0, 1, 2);
    grid->addWidget(lowerLabel, 1, 0);
    grid->addWidget(lower_, 1, 1);
    grid->addWidget(upperLabel, 2, 0);
    grid->addWidget(upper_, 2, 1);
    grid->addWidget(range, 3, 0, 1, 2);
    grid->addWidget(fullRange_, 4, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(mouse, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
}

void LimitsPanel::fullRange() {
    lower_->setText(limitText(fullLow_));
    upper_->setText(limitText(fullHigh_));
}

void LimitsPanel::showLimits(double low, double high) {
    lower_->setText(limitText(low));
    upper_->setText(limitText(high));
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
    const double low = values[0], high = values[1];
    // Limits on the wrong way round, or wholly outside the range read,
    // would leave no point to fit.
    if (!(low < high) || high < fullLow_ || low > fullHigh_) {
        prompts.warn(this, QStringLiteral("Invalid Operation"),
                     QString::fromLatin1(session::kLimitsRemoveAllData));
        lower_->setFocus();
        return false;
    }
    if (lower_->text() == shownLow_ && upper_->text() == shownHigh_) return true;
    const bool full =
        lower_->text() == limitText(fullLow_) && upper_->text() == limitText(fullHigh_);
    typed = TypedLimits{full, low, high};
    return true;
}

}  // namespace quillane::frontend
