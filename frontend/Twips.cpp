#include "Twips.h"

#include <cmath>

#include <QGuiApplication>
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
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QSize decoration = frame.size() - window->size();
    const QSize room = area.size() - decoration;
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(qMin(window->width(), room.width()), qMin(window->height(), room.height()));
    const QSize size = window->frameGeometry().size();
    const int x =
        qBound(area.left(), window->x(), qMax(area.left(), area.right() + 1 - size.width()));
    const int y =
        qBound(area.top(), window->y(), qMax(area.top(), area.bottom() + 1 - size.height()));
    window->move(x, y);
}

}  // namespace quillane::frontend
