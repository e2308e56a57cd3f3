// SPDX-License-Identifier: MIT
#include "gui_app.h"

#include <clocale>
#include <cstdlib>

namespace batch {

namespace {

bool has_value(const char *name) {
    const char *v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

}  // namespace

std::unique_ptr<QGuiApplication> start_drawing() {
    // Drawing needs a Qt platform even though no window is shown.  The
    // offscreen one draws the same pictures as a display's (images are drawn
    // by Qt itself, with the same fonts), needs no display, and cannot fail
    // the way a display platform does when DISPLAY names a display that is
    // not reachable: Qt then ends the process.  A platform the user chose is
    // kept.
    if (!has_value("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt may take arguments of its own out of argv; it gets none of the
    // runner's.  Both must outlive the application.
    static int argc = 1;
    static char name[] = "quillane-batch";
    static char *argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    // Qt switches the C library to the user's locale; plot files hold
    // numbers with a decimal point whatever the locale, and are read with
    // the C library.
    std::setlocale(LC_NUMERIC, "C");
    return app;
}

quillane::viewer::TickRounder tick_rounder(const quillane::session::Session &session) {
    return [&session](float lo, float hi, float &out_lo, float &out_hi, int32_t &n_intervals) {
        int n = 0;
        session.tick_round(lo, hi, out_lo, out_hi, n);
        n_intervals = n;
    };
}

}  // namespace batch
