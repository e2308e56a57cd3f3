// Texts between the front end (QString) and the session (8-bit strings as the
// file system spells names).
#pragma once

#include <string>

#include <QFile>
#include <QFileInfo>
#include <QString>

namespace quillane::frontend {

inline std::string toSession(const QString &text) {
    return QFile::encodeName(text).toStdString();
}

inline QString fromSession(const std::string &text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

// The name of a file the session names, without its folder.
inline QString fileNameOf(const std::string &path) {
    return QFileInfo(fromSession(path)).fileName();
}

}  // namespace quillane::frontend
