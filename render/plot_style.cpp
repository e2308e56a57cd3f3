// SPDX-License-Identifier: MIT
#include "plot_style.h"

#include <QFontDatabase>

namespace quillane::viewer {

Palette InitColours() {
    return Palette{
        QColor(0, 63, 159),    QColor(0, 0, 0),     QColor(255, 0, 0),   QColor(0, 255, 0),
        QColor(0, 0, 255),     QColor(127, 127, 0), QColor(127, 0, 95),  QColor(255, 127, 0),
        QColor(127, 127, 127), QColor(63, 0, 159),  QColor(95, 0, 0),    QColor(0, 95, 0),
        QColor(0, 223, 223),   QColor(255, 255, 0), QColor(223, 0, 223), QColor(0, 63, 159)};
}

SymbolLook symbolFor(int code, bool cycle_colors_first) {
    SymbolLook look;
    int shape = 0;
    if (cycle_colors_first) {
        look.colour_index = code % 15;
        shape = (code - 1) / 15;
    } else {
        look.colour_index = (code - 1) / 4 + 1;
        shape = (code - 1) % 4;
    }
    look.shape = static_cast<SymbolShape>(shape < 0 ? 0 : (shape > 3 ? 3 : shape));
    return look;
}

QColor colourOf(const Palette &palette, int colour_index) {
    if (colour_index < 0 || colour_index >= kPaletteSize) return kOverflowColour;
    return palette[static_cast<size_t>(colour_index)];
}

QString plotFontFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char *name : {"Times New Roman", "Liberation Serif", "Tinos", "DejaVu Serif"}) {
            if (families.contains(QLatin1String(name), Qt::CaseInsensitive)) {
                return QString::fromLatin1(name);
            }
        }
        return QStringLiteral("serif");
    }();
    return family;
}

QFont plotFont(int pixel_size, bool bold) {
    QFont font(plotFontFamily());
    font.setPixelSize(pixel_size < 1 ? 1 : pixel_size);
    font.setBold(bold);
    font.setStyleHint(QFont::Serif);
    return font;
}

}  // namespace quillane::viewer
