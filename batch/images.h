// SPDX-License-Identifier: MIT
// Drawing the kept plot files as image files with the plot viewer's
// renderer, without any window.  Built only together with the viewer.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "plot_keeper.h"
#include "session.h"

namespace batch {

// The image file of a plot file: same folder and stem, the format as
// suffix (plots/plot_003.dat -> plots/plot_003.png).
std::string image_path(const std::string &plot_path, const std::string &format);

struct ImageTally {
    int written = 0;
    int failed = 0;
};

// Draws every plot of `plots` as a figure in an image of format o.images and
// size image_size_of(o), with the axes rounded by the library's rule, its
// series named in a key from what it shows and the session's sets, the
// answer of the approach to equilibrium in words and time in hours.  Each
// image written is listed on standard output; the viewer's warnings (such
// as all values identical) and every plot that could not be drawn, with the
// reason, go to standard error.  One failure does not stop the others.
ImageTally draw_images(const Options &o, const quillane::session::Session &session,
                       const std::vector<KeptPlot> &plots);

}  // namespace batch
