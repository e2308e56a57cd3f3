// SPDX-License-Identifier: MIT
// What the plot viewer needs from the rest of the program.
//
// The viewer owns its window, its plot state and its style; everything else
// (the front end's data limits and file names, the analysis library, the
// progress window, the printer choice of the main window) is reached through
// this interface, so the viewer can be built, driven and tested on its own.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "plot_axes.h"
#include "plot_stretches.h"

namespace quillane::viewer {

// Shows a message with an exclamation icon and waits for the user.
using MessageHook = std::function<void(const QString &text, const QString &title)>;

// What became of new data limits.
struct LimitChange {
    bool applied = false;  // false: refused, the limits are as they were
    bool spanOk = true;    // every data set keeps more points than the span
    QString refusal;       // the message for a refusal
};

class ViewerHost {
  public:
    virtual ~ViewerHost() = default;

    // Current data limits in the current position unit, and whether the plot
    // on show is the one used to set them.
    virtual double xLow() const = 0;
    virtual double xHigh() const = 0;
    virtual bool limitsMode() const = 0;

    // Applies new data limits low..high (the library rebuilds the data the
    // fit works on); refused unless low < high.
    virtual LimitChange applyLimits(double low, double high) = 0;
    // The library's tick rounding.
    virtual void tickRound(float lo, float hi, float &out_lo, float &out_hi,
                           int32_t &n_intervals) = 0;
    // The warning about too few points for the differentiation span.
    virtual void showSpanWarning() = 0;
    // The column finder's stretches on the plot on show, in its x units;
    // none unless it shows the scans against the position variable in use.
    // A click on one takes its limits, its edges can be dragged.
    virtual std::vector<StretchBand> stretchBands() const { return {}; }

    // File names: the plot file the library writes, the working copy of a
    // plot marked for deletion, and the folder of the plot files (ends in a
    // separator; SavePlotNow changes it).
    virtual QString plotFileName() const = 0;
    virtual QString tempPlotFileName() const = 0;
    virtual QString workDir() const = 0;
    virtual void setWorkDir(const QString &dir) = 0;
    virtual QString programTitle() const = 0;

    // Printers: the name of the current printer, and the user's choice of
    // printer `index` (0-based, in the order of the system's list) in the
    // plot window, which the main window shows in its own list.
    virtual QString defaultPrinterName() const = 0;
    virtual void printerChosen(int index, const QString &name) = 0;

    virtual bool showCoordsDefault() const { return true; }
    // The user's last choice of "Time in Hours" (kept between runs), or
    // nothing before the first; the viewer tells each new choice.
    virtual std::optional<bool> timeInHoursChoice() const { return std::nullopt; }
    virtual void timeInHoursChosen(bool hours) { (void)hours; }
    // The report's full path, which plot headings name; pictures of the
    // plot name it by its base name only.
    virtual QString reportFileName() const { return {}; }
    // Where the program's main window is on the screen (its frame), so that
    // the plot window can open beside it; empty when unknown.
    virtual QRect mainWindowFrame() const { return {}; }
    virtual void setPlotWindowOpen(bool open) = 0;
    virtual void setLegendWindowOpen(bool open) = 0;

    // The percent-complete window shown while a plot file is read.
    virtual void showProgress(const QString &text) { (void)text; }
    virtual void setProgress(int percent) { (void)percent; }
    virtual void hideProgress() {}
};

// The message boxes used unless a caller installs its own hook.
MessageHook defaultMessageHook();

}  // namespace quillane::viewer
