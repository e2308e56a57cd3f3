// "Choose Reference Set": a slider over the active sets with the chosen
// number beside it.  However the dialog is closed (OK or the window's close
// button), the slider's value is the choice.
#pragma once

#include <QDialog>

class QLineEdit;
class QSlider;

namespace quillane::frontend {

class ChooseRefSetDialog : public QDialog {
    Q_OBJECT
  public:
    ChooseRefSetDialog(int numActive, int refSet, QWidget *parent = nullptr);

    // The slider's value when the dialog closed (or now, while it is open).
    int refSet() const { return refSet_; }

    QSlider *slider() const { return slider_; }
    QLineEdit *text() const { return text_; }

    void done(int result) override;

  private:
    QSlider *slider_;
    QLineEdit *text_;
    int refSet_;
};

}  // namespace quillane::frontend
