// SPDX-License-Identifier: MIT
// Choosing one active set as the reference: the slider over the sets, the
// set's number in a box beside it that can also be typed into, and the
// set's file and time ("12: 00012.RA1 (79200 s)").  With 50 scans a slider
// step is a few pixels; the box and the keys (arrows, Page Up/Down, Home,
// End) make every set reachable.
#pragma once

#include <vector>

#include <QWidget>

#include "ActiveSetNames.h"

class QLabel;
class QSlider;
class QSpinBox;

namespace quillane::frontend {

class ReferenceSetPicker : public QWidget {
    Q_OBJECT
  public:
    // `sets`: the active sets (element 0 = active set 1); `value`: the set
    // to start at.
    ReferenceSetPicker(const std::vector<ActiveSetEntry> &sets, int value,
                       QWidget *parent = nullptr);

    int value() const;
    QSlider *slider() const { return slider_; }
    QSpinBox *box() const { return box_; }  // the number, "Text1"
    QLabel *description() const { return description_; }

  private:
    void show(int k);

    std::vector<ActiveSetEntry> sets_;
    QSlider *slider_;
    QSpinBox *box_;
    QLabel *description_;
};

}  // namespace quillane::frontend
