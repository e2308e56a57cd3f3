// Binding to libquillane.so at run time, the way the desktop program binds
// to it: by file name and by export name.
#pragma once

#include <string>

#include "quillane.h"

namespace batch {

// The exports the runner calls.
struct Api {
    decltype(&::init_lbsink) init_lbsink = nullptr;
    decltype(&::init_lbhandle) init_lbhandle = nullptr;
    decltype(&::init_namwr) init_namwr = nullptr;
    decltype(&::setplotfile) setplotfile = nullptr;
    decltype(&::initcommons) initcommons = nullptr;
    decltype(&::set_plotsave) set_plotsave = nullptr;
    decltype(&::getdatar) getdatar = nullptr;
    decltype(&::setredir) setredir = nullptr;
    decltype(&::set_x_var) set_x_var = nullptr;
    decltype(&::find_smallest_range) find_smallest_range = nullptr;
    decltype(&::TRANSFER_DATA) TRANSFER_DATA = nullptr;
    decltype(&::setxirange) setxirange = nullptr;
    decltype(&::getxirange) getxirange = nullptr;
    decltype(&::set_lim_indices_vb) set_lim_indices_vb = nullptr;
    decltype(&::get_differ_parms) get_differ_parms = nullptr;
    decltype(&::set_differ_parms) set_differ_parms = nullptr;
    decltype(&::fit_allB) fit_allB = nullptr;
    decltype(&::put_plotlist) put_plotlist = nullptr;
    decltype(&::GENERIC_PLOT) GENERIC_PLOT = nullptr;
    decltype(&::setrchoice) setrchoice = nullptr;
    decltype(&::set_xs_to_plot) set_xs_to_plot = nullptr;
    decltype(&::plot_result_graphs) plot_result_graphs = nullptr;
    decltype(&::tkrnd2) tkrnd2 = nullptr;  // the axes of the images
};

// Loads the library: $QUILLANE_LIBRARY when set, else libquillane.so next
// to this program, else libquillane.so on the library path.  Binds every
// export of Api.  On failure returns false and sets error.
bool load_library(Api &api, std::string &where, std::string &error);

}  // namespace batch
