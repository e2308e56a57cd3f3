// SPDX-License-Identifier: MIT
#include "Twips.h"

#include <cmath>

#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace quillane::frontend {

namespace {

const QScreen *screenOf(const QWidget *widget) {
    if (widget && widget->screen()) return widget->screen();
    return QGuiApplication::primaryScreen();
}

int convert(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

}  // namespace

int twipsToPixelsX(int twips, const QWidget *widget) {
    const QScreen *screen = screenOf(widget);
    return convert(twips, screen ? screen->logicalDotsPerInchX() : 96.0);
}

int twipsToPixelsY(int twips, const QWidget *widget) {
    const QScreen *screen = screenOf(widget);
    return convert(twips, screen ? screen->logicalDotsPerInchY() : 96.0);
}

void placeAtQuarter(QWidget *window) {
    const QScreen *screen = screenOf(window);
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 4,
                 area.y() + (area.height() - size.height()) / 4);
}

void keepOnScreen(QWidget *window) {
    const QScreen *screen = screenOf(window);
    if (!screen) return;
    keepInside(window, screen->availableGeometry());
}

void keepInside(QWidget *window, const QRect &area) {
    // Before the window is shown its frame is not known yet and equals the
    // client area.  The client area is what is set: move() would put the
    // frame where the client was, and a window put back where it was saved
    // would creep down by its title bar at every start.
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    const QMargins decoration(client.left() - frame.left(), client.top() - frame.top(),
                              frame.right() - client.right(), frame.bottom() - client.bottom());
    QRect wanted = frame;
    wanted.setWidth(qMin(frame.width(), area.width()));
    wanted.setHeight(qMin(frame.height(), area.height()));
    wanted.moveLeft(
        qBound(area.left(), frame.left(), qMax(area.left(), area.right() + 1 - wanted.width())));
    wanted.moveTop(
        qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() + 1 - wanted.height())));
    if (wanted == frame) return;  // inside already: the place stays exactly as it is
    window->setGeometry(wanted.marginsRemoved(decoration));
}

}  // namespace quillane::frontend
