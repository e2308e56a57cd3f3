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

namespace {

const QString kEllipsis = QStringLiteral("\u2026");

// The longest start of `text` that ends before a blank and fits `room`
// (with `tail` after it); empty when not even the first word fits.
QString wordsThatFit(const QString &text, const QString &tail, const QFontMetricsF &metrics,
                     double room) {
    QString best;
    for (qsizetype blank = text.indexOf(QLatin1Char(' ')); blank >= 0;
         blank = text.indexOf(QLatin1Char(' '), blank + 1)) {
        const QString start = text.left(blank).trimmed();
        if (start.isEmpty()) continue;
        if (metrics.horizontalAdvance(start + tail) > room) break;
        best = start;
    }
    return best;
}

QString elideAtWord(const QString &text, const QFontMetricsF &metrics, double room) {
    if (metrics.horizontalAdvance(text) <= room) return text;
    const QString words = wordsThatFit(text, kEllipsis, metrics, room);
    // A single word wider than the room: it can only be shortened.
    if (words.isEmpty()) return metrics.elidedText(text, Qt::ElideRight, room);
    return words + kEllipsis;
}

}  // namespace

QStringList fitHeadingLines(const QString &heading, const QString &heading2,
                            const QFontMetricsF &metrics, double room) {
    QStringList lines{heading, heading2};
    const int empty = heading.trimmed().isEmpty() ? 0 : heading2.trimmed().isEmpty() ? 1 : -1;
    if (empty >= 0) {
        const QString &only = lines[1 - empty];
        if (metrics.horizontalAdvance(only) > room) {
            const QString first = wordsThatFit(only, QString(), metrics, room);
            if (!first.isEmpty()) lines = {first, only.mid(first.size()).trimmed()};
        }
    }
    for (QString &line : lines)
        line = elideAtWord(line, metrics, room);
    return lines;
}

}  // namespace quillane::viewer
