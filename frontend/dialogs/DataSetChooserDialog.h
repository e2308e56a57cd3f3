// SPDX-License-Identifier: MIT
// "Choose Data Sets": which active sets a plot shows.  One check box per
// active set on five pages of ten; "Plot &All" ticks every set (but the
// reference set, when the deviations graph asks).  The result is the list
// handed to the library: count first, then the active-set numbers in
// ascending order.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QDialog>

#include "AppState.h"
#include "Hooks.h"

class QCheckBox;
class QHBoxLayout;
class QTabWidget;

namespace quillane::frontend {

class ColumnsPanel;
class LimitsPanel;
class Prompts;

// list[0] = count, list[1..count] = active sets.
using PlotList = std::array<int32_t, kMaxDataSets + 1>;

class DataSetChooserDialog : public QDialog {
    Q_OBJECT
  public:
    // `names`: the file of each active set (element 0 = active set 1).
    // `forDeviations`: the reference set `refSet` cannot be chosen.
    DataSetChooserDialog(const std::vector<QString> &names, bool forDeviations, int refSet,
                         QWidget *parent = nullptr);

    // For "Set Data Limits": fields beside the sets for typing the limits
    // (see LimitsPanel), checked when OK or "Plot All" is pressed.
    void addLimitsPanel(Prompts &prompts, bool xiMode, double low, double high, double fullLow,
                        double fullHigh);
    LimitsPanel *limitsPanel() const { return limitsPanel_; }
    // Beside the limits: the solution columns found, whose buttons fill the
    // limit fields (see ColumnsPanel).  Needs the limits panel.
    void addColumnsPanel(std::function<std::vector<session::Column>(double margin_cm)> find,
                         bool xiMode);
    ColumnsPanel *columnsPanel() const { return columnsPanel_; }
    // The limits typed, when the dialog ended with OK or "Plot All" and the
    // user changed them.
    const std::optional<TypedLimits> &typedLimits() const { return typed_; }

    // The chosen active sets in ascending order, for the session.
    std::vector<int> chosenSets() const;

    // The sets ticked when OK or "Plot All" closed the dialog; count 0 when
    // none was ticked or the dialog was closed otherwise.
    const PlotList &chosen() const { return chosen_; }

    QCheckBox *box(int activeSet) const { return boxes_[static_cast<size_t>(activeSet)]; }
    QTabWidget *tabs() const { return tabs_; }

    void accept() override;
    void plotAll();

    // The caption of active set k's box.
    static QString boxCaption(int k, const QString &fileName);

  private:
    std::array<QCheckBox *, kMaxDataSets + 1> boxes_{};
    QTabWidget *tabs_;
    QHBoxLayout *top_;
    LimitsPanel *limitsPanel_ = nullptr;
    ColumnsPanel *columnsPanel_ = nullptr;
    Prompts *prompts_ = nullptr;
    std::optional<TypedLimits> typed_;
    int numActive_;
    bool forDeviations_;
    int refSet_;
    PlotList chosen_{};
};

}  // namespace quillane::frontend
