// SPDX-License-Identifier: MIT
// "Set Differentiation Parameters": how many points each local polynomial
// fit uses (3 up to the smallest active set; on the slider, or typed) and
// the polynomial's order.
#pragma once

#include <array>

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace quillane::frontend {

struct DifferParmsValues {
    int span = 50;      // points per local fit
    int maxPoints = 0;  // points of the smallest active set inside the limits
    int terms = 3;      // order of the polynomial, 1..3
};

class DifferParmsDialog : public QDialog {
    Q_OBJECT
  public:
    // `current` as the library reports it (get_differ_parms).
    explicit DifferParmsDialog(const DifferParmsValues &current, QWidget *parent = nullptr);

    // The choice made with OK: span and terms (maxPoints as given).
    DifferParmsValues result() const { return result_; }

    QSlider *slider() const { return slider_; }
    QLabel *pointsPerFit() const { return ptsPerFit_; }
    // The number of points typed in; it moves the slider and follows it.
    QSpinBox *pointsBox() const { return pointsBox_; }
    // Why the number typed cannot be taken (shown only then).
    QLabel *spanReason() const { return reason_; }
    QRadioButton *polyFit(int index) const { return polyFit_[static_cast<size_t>(index)]; }

    void accept() override;

    // The readout: 11 blanks, then the number.
    static QString pointsText(int points);

  private:
    QSlider *slider_;
    QLabel *ptsPerFit_;
    QSpinBox *pointsBox_;
    QLabel *reason_;
    QPushButton *ok_;
    static constexpr int kMaxTypedSpan = 9999;
    std::array<QRadioButton *, 3> polyFit_{};
    DifferParmsValues result_;
};

}  // namespace quillane::frontend
