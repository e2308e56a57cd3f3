// SPDX-License-Identifier: MIT
#include "NumberFormat.h"

namespace quillane::frontend {

QString vbDigits(long long value) {
    return QString::number(value);
}

QString vbOptionalDecimals(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    while (text.endsWith('0'))
        text.chop(1);
    if (!text.contains('.')) text += '.';
    const bool negative = text.startsWith('-');
    QString body = negative ? text.mid(1) : text;
    if (body.startsWith("0.")) body.remove(0, 1);
    if (body == ".") body = "0.";
    // A value that rounds to zero has no sign.
    const bool zero = body == "0." || body == ".";
    return (negative && !zero ? "-" : "") + body;
}

}  // namespace quillane::frontend
