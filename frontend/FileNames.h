// SPDX-License-Identifier: MIT
// File names between the system (bytes, as argv, the file system and the
// library spell them) and the front end's texts, without losing a byte, and
// the order dropped files are read in.
#pragma once

#include <QByteArray>
#include <QString>

namespace quillane::frontend {

// The name as a text.  Bytes that are not UTF-8 each become one code unit
// U+DC80..U+DCFF (an unpaired low surrogate, which no decoded text holds),
// so that nameBytes() gives back the very bytes; a name that is UTF-8, as
// nearly every name is, becomes the plain text.
QString nameFromBytes(const QByteArray &bytes);

// The bytes of a name made by nameFromBytes() (or typed, or picked in a
// dialog): UTF-8, with every escaped byte put back.
QByteArray nameBytes(const QString &name);

// Name order with every run of the digits 0-9 taken as a number, so that
// scan2 comes before scan10 (and 00012 after 0009).  Other characters
// compare by code, digit runs sit where the digit characters do, and names
// that tie (s01, s1) are ordered by their whole text: a strict ordering,
// as sorting needs.
bool naturalBefore(const QString &a, const QString &b);

}  // namespace quillane::frontend
