// SPDX-License-Identifier: MIT
// The solution columns found in the scans, as buttons beside the data
// limits of "Set Data Limits": "Column 1: 5.880-6.060 cm" puts that
// column's limits (meniscus and base less the margin) into the limit
// fields.  The margin can be changed; the columns are then asked for again.
// Without a column, a line says so and the limits stay as they are.
#pragma once

#include <functional>
#include <vector>

#include <QGroupBox>

#include "session.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace quillane::frontend {

class ColumnsPanel : public QGroupBox {
    Q_OBJECT
  public:
    // The columns for a margin in cm, limits in the position variable in use.
    using FindColumns = std::function<std::vector<session::Column>(double margin_cm)>;

    ColumnsPanel(FindColumns find, bool xiMode, QWidget *parent = nullptr);

    QDoubleSpinBox *margin() const { return margin_; }
    // The button of column k (1-based); null when there is none.
    QPushButton *button(int k) const;
    int columnCount() const { return static_cast<int>(columns_.size()); }
    const session::Column &column(int k) const { return columns_[static_cast<size_t>(k - 1)]; }
    QLabel *noneFound() const { return none_; }

    // "Column 1: 5.880-6.060 cm".
    static QString buttonText(int k, const session::Column &column, bool xiMode);
    // The buttons name the limits in cm^2 (`xi`) or cm, as the limit
    // fields show them.
    void showInUnit(bool xi);

  signals:
    // A column's button was pressed: its limits, in the position variable.
    void limitsChosen(double low, double high);

  private:
    void refresh();

    FindColumns find_;
    bool xiMode_;
    bool shownXi_;
    QDoubleSpinBox *margin_;
    QLabel *none_;
    QVBoxLayout *buttonsLayout_;
    std::vector<QPushButton *> buttons_;
    std::vector<session::Column> columns_;
};

}  // namespace quillane::frontend
