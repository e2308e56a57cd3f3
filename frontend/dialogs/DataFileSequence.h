// SPDX-License-Identifier: MIT
// Names of a numbered series of scan files: the five digits in front of the
// first "." of the file name are the file number, e.g. SCAN00012.IP1.
#pragma once

#include <QString>

namespace quillane::frontend {

struct SequenceName {
    bool valid = false;  // false when the file name has no "." with five characters before it
    QString prefix;      // folder and the part of the file name before the number
    long long number = 0;
    QString extension;  // from the first "." of the file name on
};

// Splits a full path.  Only the file name is searched for the ".", so dots
// in folder names do not matter.
SequenceName splitSequenceName(const QString &path);

// The name with the given number, written with at least five digits.
QString sequenceFileName(const SequenceName &name, long long number);

}  // namespace quillane::frontend
