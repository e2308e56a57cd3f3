// SPDX-License-Identifier: MIT
// The fixed-pitch font of the report and the output list, whose tables line
// up in columns.  The desktop's "fixed" font is not always fixed: some
// themes name a proportional one, which would scatter the columns.
#pragma once

#include <QFont>
#include <QStringList>

namespace quillane::frontend {

// The families tried, in order, when the system's fixed font is not of
// fixed pitch; any one of them installed will do.
inline const QStringList kMonospaceFamilies{
    QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
    QStringLiteral("Noto Sans Mono"), QStringLiteral("Courier New"), QStringLiteral("Monospace")};

// `preferred` when it is of fixed pitch, else the first of the known
// monospace families that is, in the same size; else `preferred`.
QFont fixedPitchFont(const QFont &preferred);

// The system's fixed font, checked by fixedPitchFont.
QFont reportFont();

}  // namespace quillane::frontend
