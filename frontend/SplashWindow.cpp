// SPDX-License-Identifier: MIT
#include "SplashWindow.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "TextFormat.h"
#include "Twips.h"

namespace quillane::frontend {

namespace {

QLabel *centredLabel(QWidget *parent, const char *name, const QString &text, int topTwips,
                     int pointSize) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    label->setFont(font);
    const int width = twipsToPixelsX(5088, parent);
    label->setGeometry((parent->width() - width) / 2, twipsToPixelsY(topTwips, parent), width,
                       twipsToPixelsY(372, parent));
    return label;
}

}  // namespace

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Splash1"));
    setWindowTitle(programName());
    setFixedSize(twipsToPixelsX(5400, this), twipsToPixelsY(3000, this));
    // The theme's own colours: text stays readable on light and dark ones.
    setAutoFillBackground(true);

    centredLabel(this, "Label1", programName() + QStringLiteral("  for Win95 + WinNT"), 180, 12);
    centredLabel(this, "Label2", QStringLiteral("Program For Intercomparison of "), 528, 12);
    centredLabel(this, "Label3", QStringLiteral("Ultracentrifuge Data Files"), 888, 12);

    const int pictureSize = twipsToPixelsX(960, this);
    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(programPicture(pictureSize));
    image->setGeometry(twipsToPixelsX(360, this), twipsToPixelsY(1500, this), pictureSize,
                       pictureSize);

    auto *notice = new QLabel(
        QStringLiteral("Quillane project\nAnalysis library and front end\nFree to use and share"),
        this);
    notice->setObjectName(QStringLiteral("Label4"));
    QFont small(QStringLiteral("Liberation Sans"));
    small.setStyleHint(QFont::SansSerif);
    small.setPointSize(8);
    notice->setFont(small);
    const int left = twipsToPixelsX(1560, this);
    notice->setGeometry(left, twipsToPixelsY(1560, this),
                        width() - left - twipsToPixelsX(240, this), twipsToPixelsY(900, this));
    placeAtQuarter(this);
}

QPixmap SplashWindow::programPicture(int size) {
    // Drawn at the screen's own resolution, so it stays sharp when scaled.
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF rotor(size * 0.5, -size * 0.9);  // the rotor axis lies far above the picture
    const double inner = size * 1.05;
    const double outer = size * 1.80;
    const double half = qDegreesToRadians(9.0);

    // The sector of the cell between meniscus and bottom.
    QPainterPath sector;
    const QRectF innerRect(rotor.x() - inner, rotor.y() - inner, 2 * inner, 2 * inner);
    const QRectF outerRect(rotor.x() - outer, rotor.y() - outer, 2 * outer, 2 * outer);
    const double start = 270.0 - qRadiansToDegrees(half);
    const double sweep = 2 * qRadiansToDegrees(half);
    sector.arcMoveTo(innerRect, start);
    sector.arcTo(innerRect, start, sweep);
    sector.arcTo(outerRect, start + sweep, -sweep);
    sector.closeSubpath();
    p.fillPath(sector, QColor(250, 250, 235));

    // Fringes crowd together where the boundary moves through the cell.
    p.setClipPath(sector);
    for (int k = 0; k < 22; ++k) {
        const double t = k / 21.0;
        const double bunched = t + 0.12 * std::sin(t * M_PI * 2.0);
        const double radius = inner + (outer - inner) * bunched;
        QPen pen(QColor(40, 70, 160, 190));
        pen.setWidthF(size / 64.0 * (k % 2 ? 1.0 : 2.0));
        p.setPen(pen);
        p.drawEllipse(rotor, radius, radius);
    }
    p.setClipping(false);
    QPen rim(QColor(60, 60, 60));
    rim.setWidthF(size / 40.0);
    p.setPen(rim);
    p.drawPath(sector);
    return pixmap;
}

}  // namespace quillane::frontend
