// SPDX-License-Identifier: MIT
#include "TextFormat.h"

#include <cmath>

#include "session.h"

namespace quillane::frontend {

QString fixedWidth(const QString &text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

QString buildProgramVersion() {
    return fixedWidth(QString::fromStdString(session::Session::program_version()), 10);
}

QString programName() {
    return QString::fromStdString(session::Session::program_title());
}

QString buildProgramTitle() {
    return fixedWidth(programName(), 16);
}

QString shortenedName(const QString &name, int bound, int keep) {
    if (name.size() < bound) return name;
    return QStringLiteral("...") + name.right(keep);
}

QString formatDataSetTime(double t) {
    const double magnitude = std::fabs(t);
    if (magnitude >= 0.1 && magnitude < 10.0)
        return QStringLiteral("  ") + QString::number(t, 'f', 6);
    return QStringLiteral("  ") + QString::number(t, 'E', 5);
}

bool parseUserNumber(const QString &text, double &value) {
    QString s = text.trimmed();
    if (s.isEmpty()) return false;
    s.replace(QLatin1Char('D'), QLatin1Char('E')).replace(QLatin1Char('d'), QLatin1Char('e'));
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

long long leadingNumber(const QString &text) {
    long long value = 0;
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i) {
        if (value > 1'000'000'000'000LL) break;
        value = value * 10 + (text.at(i).unicode() - '0');
    }
    return value;
}

}  // namespace quillane::frontend
