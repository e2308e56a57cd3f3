// SPDX-License-Identifier: MIT
// The option dialogs of the result graphs.  Each collects the user's choice
// into a plain struct; the caller stores it in the shared state and hands it
// to the library.
//
//   RmsVsTimeDialog   RMS or variance against time: reference set, fit kinds
//                     (any of the three), logarithms
//   DevVsPosDialog    deviations against position: one fit kind, logarithms
//   DevsVsTimeDialog  deviations against time at up to ten positions inside
//                     the data limits: one fit kind, logarithms
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QDialog>

#include "ActiveSetNames.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace quillane::frontend {

class Prompts;
class ReferenceSetPicker;

// ---- RMS / variance against time ----

struct RmsChoice {
    bool accepted = false;                    // a graph is to be made
    std::array<int32_t, 3> options{0, 0, 0};  // fit kinds 1..3 ticked (1) or not (0)
    int32_t logChoice = 0;
    int32_t refSet = 1;
};

class RmsVsTimeDialog : public QDialog {
    Q_OBJECT
  public:
    // `previous` holds the options, log choice and reference set to start
    // with; `sets` are the active sets (element 0 = active set 1).
    RmsVsTimeDialog(Prompts &prompts, const QString &caption, const RmsChoice &previous,
                    const std::vector<ActiveSetEntry> &sets, QWidget *parent = nullptr);

    // The options are those of the last OK (kept even when no kind was
    // ticked); the log choice and reference set change only when accepted.
    RmsChoice result() const { return result_; }

    QSlider *slider() const;
    ReferenceSetPicker *picker() const { return picker_; }
    QCheckBox *rchoice(int i) const { return rchoice_[static_cast<size_t>(i)]; }
    QCheckBox *logChoice() const { return log_; }

    void accept() override;

  private:
    Prompts &prompts_;
    ReferenceSetPicker *picker_;
    std::array<QCheckBox *, 3> rchoice_{};
    QCheckBox *log_;
    RmsChoice result_;
};

// ---- one fit kind, for the deviation graphs ----

struct DeviationChoice {
    bool accepted = false;
    std::array<int32_t, 3> devOptions{0, 0, 1};  // 1 for the chosen fit kind
    int32_t logChoice = 0;
    std::vector<double> positions;  // DevsVsTimeDialog: valid positions in entry order
};

// The "Plot Using" frame shared by both deviation dialogs.
class FitKindFrame;

class DevVsPosDialog : public QDialog {
    Q_OBJECT
  public:
    // `referenceNote` says whose deviations the graph draws (may be empty).
    DevVsPosDialog(int32_t logChoice, const QString &referenceNote = {}, QWidget *parent = nullptr);
    DeviationChoice result() const { return result_; }
    QRadioButton *pchoice(int i) const;
    QCheckBox *logChoice() const;
    void accept() override;

  private:
    FitKindFrame *frame_;
    DeviationChoice result_;
};

class DevsVsTimeDialog : public QDialog {
    Q_OBJECT
  public:
    DevsVsTimeDialog(Prompts &prompts, double xLow, double xHigh, bool xiMode, int32_t logChoice,
                     const QString &referenceNote = {}, QWidget *parent = nullptr);
    DeviationChoice result() const { return result_; }
    QLineEdit *position(int i) const { return positions_[static_cast<size_t>(i)]; }
    QLabel *minMaxPos() const { return minMaxPos_; }
    QRadioButton *pchoice(int i) const;
    QCheckBox *logChoice() const;
    void accept() override;

    // The limits as the label shows them.
    static QString limitsText(double xLow, double xHigh, bool xiMode);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    Prompts &prompts_;
    double xLow_;
    double xHigh_;
    std::array<QLineEdit *, 10> positions_{};
    QLabel *minMaxPos_;
    FitKindFrame *frame_;
    DeviationChoice result_;
};

}  // namespace quillane::frontend
