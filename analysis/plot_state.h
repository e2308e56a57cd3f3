// State of the data plots and result graphs kept between calls.
#pragma once

namespace quillane {

struct PlotState {
    int plot_set = 0;
    int plot_kind = 0;
};

}  // namespace quillane
