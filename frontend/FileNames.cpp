// SPDX-License-Identifier: MIT
#include "FileNames.h"

namespace quillane::frontend {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at bytes[i], or 0.
qsizetype utf8Length(const QByteArray &bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char c = at(i);
    if (c < 0x80) return 1;
    qsizetype n = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;  // no encoded surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + n > bytes.size()) return 0;
    if (at(i + 1) < low || at(i + 1) > high) return 0;
    for (qsizetype k = 2; k < n; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
    return n;
}

bool isEscape(char16_t u) {
    return u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF;
}

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

}  // namespace

QString nameFromBytes(const QByteArray &bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype n = utf8Length(bytes, i);
        if (n == 0) {
            name.append(
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        name.append(QString::fromUtf8(bytes.constData() + i, n));
        i += n;
    }
    return name;
}

QByteArray nameBytes(const QString &name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        // An escape is an unpaired low surrogate: not the second half of a
        // pair.
        if (!isEscape(u) || (i > 0 && name[i - 1].isHighSurrogate())) continue;
        bytes += QStringView(name).mid(start, i - start).toUtf8();
        bytes += static_cast<char>(u - kEscapeBase);
        start = i + 1;
    }
    bytes += QStringView(name).mid(start).toUtf8();
    return bytes;
}

bool naturalBefore(const QString &a, const QString &b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && isAsciiDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isAsciiDigit(b[ej]))
                ++ej;
            QStringView x = QStringView(a).mid(i, ei - i), y = QStringView(b).mid(j, ej - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size()) return x.size() < y.size();
            if (const int c = x.compare(y); c != 0) return c < 0;
            i = ei;
            j = ej;
        } else {
            // A digit run against another character compares as its first
            // digit does: all digit runs lie between '/' and ':'.
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    // A name that is the beginning of the other comes first.
    if ((i == a.size()) != (j == b.size())) return i == a.size();
    return a < b;
}

}  // namespace quillane::frontend
