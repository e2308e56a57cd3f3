// SPDX-License-Identifier: MIT
// Number layouts of the analysis dialogs, written the way their labels have
// always shown numbers: '#' is a digit shown only when needed, so 40 with
// "####" is "40" and 16.5 with "##.#####" is "16.5".
#pragma once

#include <QString>

namespace quillane::frontend {

// A whole number with no padding ("##", "###", "####").
QString vbDigits(long long value);

// A number with an optional-digit pattern like "##.#####": at most `decimals`
// decimals, trailing zeros dropped, the point always kept, no leading zero
// before the point ("16.", ".5", "-2.25").
QString vbOptionalDecimals(double value, int decimals);

}  // namespace quillane::frontend
