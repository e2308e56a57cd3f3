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

}  // namespace quillane::frontend
