// SPDX-License-Identifier: MIT
// "Choose Reference Set": the active sets on a slider, with the chosen
// set's number, file and time beside it (see ReferenceSetPicker).  However
// the dialog is closed (OK or the window's close button), the slider's value
// is the choice.
#pragma once

#include <vector>

#include <QDialog>

#include "ActiveSetNames.h"

class QSlider;
class QSpinBox;

namespace quillane::frontend {

class ReferenceSetPicker;

class ChooseRefSetDialog : public QDialog {
    Q_OBJECT
  public:
    // `sets`: the active sets (element 0 = active set 1).
    ChooseRefSetDialog(const std::vector<ActiveSetEntry> &sets, int refSet,
                       QWidget *parent = nullptr);

    // The slider's value when the dialog closed (or now, while it is open).
    int refSet() const { return refSet_; }

    ReferenceSetPicker *picker() const { return picker_; }
    QSlider *slider() const;
    QSpinBox *box() const;

    void done(int result) override;

  private:
    ReferenceSetPicker *picker_;
    int refSet_;
};

}  // namespace quillane::frontend
