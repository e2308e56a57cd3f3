// SPDX-License-Identifier: MIT
// Small text layouts the windows show: version, shortened file names, times,
// and reading numbers the user typed.
#pragma once

#include <QString>

namespace quillane::frontend {

// The version of this build, from the library header's version macros.
QString buildProgramVersion();

// The program's name and version, "Quillane V0.99", from the library
// header's version macros.
QString programName();

// The program title, 16 characters: "Quillane V0.99" and two blanks.
QString buildProgramTitle();

// A name shown in a narrow box: the whole name when it is shorter than
// `bound` characters, else "..." and its last `keep` characters.
QString shortenedName(const QString &name, int bound, int keep);

// A data set time as the times dialog shows it: two blanks, then six
// decimals when 0.1 <= |t| < 10, else scientific with five decimals and a
// signed two-digit exponent ("  3.60000E+03").
QString formatDataSetTime(double t);

// Reads a number the user typed: blanks around it are allowed, and "D" as
// well as "E" marks an exponent.  False for anything else (an empty text
// included).
bool parseUserNumber(const QString &text, double &value);

// The leading whole number of a text, as a permissive reader takes it:
// leading blanks skipped, then digits up to the first other character; 0 when
// there are none.
long long leadingNumber(const QString &text);

// Pads or cuts to exactly `width` characters.
QString fixedWidth(const QString &text, int width);

}  // namespace quillane::frontend
