// SPDX-License-Identifier: MIT
#include "FixedFont.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace quillane::frontend {

QFont fixedPitchFont(const QFont &preferred) {
    if (QFontInfo(preferred).fixedPitch()) return preferred;
    for (const QString &family : kMonospaceFamilies) {
        QFont font(preferred);
        font.setFamilies({family});
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
        const QFontInfo info(font);
        if (info.fixedPitch()) return font;
    }
    return preferred;
}

QFont reportFont() {
    return fixedPitchFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

}  // namespace quillane::frontend
