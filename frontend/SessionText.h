// SPDX-License-Identifier: MIT
// Texts between the front end (QString) and the session (8-bit strings as the
// file system spells names).
#pragma once

#include <string>

#include <QFileInfo>
#include <QString>

#include "FileNames.h"

namespace quillane::frontend {

// Lossless both ways: a name with bytes that are not UTF-8 reaches the
// session as the very bytes it came with (FileNames.h).
inline std::string toSession(const QString &text) {
    return nameBytes(text).toStdString();
}

inline QString fromSession(const std::string &text) {
    return nameFromBytes(QByteArray::fromStdString(text));
}

// The name of a file the session names, without its folder.
inline QString fileNameOf(const std::string &path) {
    return QFileInfo(fromSession(path)).fileName();
}

}  // namespace quillane::frontend
