// SPDX-License-Identifier: MIT
// The data limits typed in: two fields for the lower and upper limit, in cm
// or cm^2 as the user picks (whatever the position variable), filled with
// the limits in force, and a "Full Range" button.  The chooser of "Set Data Limits" shows it beside
// the data sets; the mouse rules of the limits plot stay as they are.
#pragma once

#include <optional>

#include <QGroupBox>

#include "Hooks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillane::frontend {

class Prompts;

class LimitsPanel : public QGroupBox {
    Q_OBJECT
  public:
    // Limits in the current position variable: `low`..`high` in force,
    // `fullLow`..`fullHigh` where the points read lie (the full range).
    LimitsPanel(bool xiMode, double low, double high, double fullLow, double fullHigh,
                QWidget *parent = nullptr);

    QLineEdit *lower() const { return lower_; }
    QLineEdit *upper() const { return upper_; }
    QPushButton *fullRangeButton() const { return fullRange_; }
    // The unit of the fields: cm (the radius) or cm^2 (xi).
    QComboBox *unit() const { return unit_; }
    bool fieldsInXi() const { return fieldsXi_; }
    void setFieldsInXi(bool xi);

    // "Full Range": the fields show where the points read lie.
    void fullRange();
    // The fields show these limits, given in the position variable (a
    // solution column's, say).
    void showLimits(double low, double high);

    // Checks the fields as OK is pressed.  False, after telling the user
    // why, when they hold no usable limits: a field that is not a number,
    // a lower limit not below the upper one, or limits that hold none of
    // the points read (the reason says where they lie).  True otherwise, with `typed` set when the
    // user changed the limits (left alone when the fields still show the limits in force).
    bool check(Prompts &prompts, std::optional<TypedLimits> &typed);

    // A limit as the fields show it: at most six decimals, no trailing zeros.
    static QString limitText(double value);

  signals:
    // The fields now show limits in cm^2 (`xi`) or cm.
    void unitChanged(bool xi);

  private:
    QString shown(double position) const;  // in the fields' unit
    void showUnit();

    QLineEdit *lower_;
    QLineEdit *upper_;
    QPushButton *fullRange_;
    QComboBox *unit_;
    QLabel *range_;
    QLabel *lowerUnit_;
    QLabel *upperUnit_;
    bool xiMode_;    // the position variable
    bool fieldsXi_;  // the unit of the fields
    double low_;     // the limits in force, in the position variable
    double high_;
    double fullLow_;
    double fullHigh_;
};

}  // namespace quillane::frontend
