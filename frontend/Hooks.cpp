// SPDX-License-Identifier: MIT
// Which hooks of the main window are still unset.
#include "Hooks.h"

namespace quillane::frontend {

std::vector<std::string> Hooks::missing() const {
    std::vector<std::string> names;
    auto need = [&names](const auto &hook, const char *name) {
        if (!hook) names.emplace_back(name);
    };
    need(chooseRefSet, "chooseRefSet");
    need(differParms, "differParms");
    need(showSpanWarning, "showSpanWarning");
    need(rmsVsTime, "rmsVsTime");
    need(devVsPos, "devVsPos");
    need(devsVsTime, "devsVsTime");
    need(newDSToPlot, "newDSToPlot");
    need(chooseForLimits, "chooseForLimits");
    need(loadPlotWindow, "loadPlotWindow");
    need(showPlot, "showPlot");
    need(disposePlotFile, "disposePlotFile");
    need(showPlotWindow, "showPlotWindow");
    need(redrawPlot, "redrawPlot");
    need(closePlotWindow, "closePlotWindow");
    need(closeLegendWindow, "closeLegendWindow");
    need(setViewerPrinterChecked, "setViewerPrinterChecked");
    return names;
}

}  // namespace quillane::frontend
