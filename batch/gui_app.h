// SPDX-License-Identifier: MIT
// What drawing without a display needs: a Qt application on a platform that
// needs no display, and the library's tick rounding for the plots' axes.
#pragma once

#include <QGuiApplication>
#include <memory>

#include "plot_axes.h"
#include "session.h"

namespace batch {

// A Qt application for drawing, on the offscreen platform unless
// QT_QPA_PLATFORM names another.  It takes none of the runner's arguments;
// numbers keep their decimal point whatever the locale.
std::unique_ptr<QGuiApplication> start_drawing();

// The library's tick rounding, asked of the session.
quillane::viewer::TickRounder tick_rounder(const quillane::session::Session &session);

}  // namespace batch
