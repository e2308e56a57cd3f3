// SPDX-License-Identifier: MIT
#include "DataFileSequence.h"

#include "TextFormat.h"

namespace quillane::frontend {

namespace {

constexpr int kDigits = 5;

int fileNameStart(const QString &path) {
    const int slash = static_cast<int>(path.lastIndexOf(QLatin1Char('/')));
    const int backslash = static_cast<int>(path.lastIndexOf(QLatin1Char('\\')));
    return qMax(slash, backslash) + 1;
}

}  // namespace

SequenceName splitSequenceName(const QString &path) {
    SequenceName result;
    const int start = fileNameStart(path);
    const int dot = static_cast<int>(path.indexOf(QLatin1Char('.'), start));
    if (dot < 0 || dot - start < kDigits) return result;
    result.valid = true;
    result.prefix = path.left(dot - kDigits).trimmed();
    result.number = leadingNumber(path.mid(dot - kDigits, kDigits));
    result.extension = path.mid(dot).trimmed();
    return result;
}

QString sequenceFileName(const SequenceName &name, long long number) {
    return name.prefix + QStringLiteral("%1").arg(number, kDigits, 10, QLatin1Char('0')) +
           name.extension;
}

}  // namespace quillane::frontend
