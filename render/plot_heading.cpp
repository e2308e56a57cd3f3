// SPDX-License-Identifier: MIT
#include "plot_heading.h"

#include <QFileInfo>

namespace quillane::viewer {

QString headingWithoutPath(const QString &heading, const QString &report) {
    static const QString kPrefix = QStringLiteral("Outfile: ");
    if (!heading.startsWith(kPrefix)) return heading;
    const QString rest = heading.mid(kPrefix.size());
    const QString base = QFileInfo(report).fileName();
    if (!report.isEmpty() && rest.startsWith(report))
        return kPrefix + base + rest.mid(report.size());
    // The heading was cut inside the path: keep only what names the file.
    if (!report.isEmpty() && report.startsWith(rest.trimmed())) return kPrefix + base;
    // A report named otherwise: the path runs to the first blank.
    const qsizetype blank = rest.indexOf(QLatin1Char(' '));
    const QString path = blank < 0 ? rest : rest.left(blank);
    if (!path.contains(QLatin1Char('/'))) return heading;
    return kPrefix + QFileInfo(path).fileName() + (blank < 0 ? QString() : rest.mid(blank));
}

}  // namespace quillane::viewer
