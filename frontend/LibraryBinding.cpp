// SPDX-License-Identifier: MIT
#include "LibraryBinding.h"

#include <QFile>

namespace quillane::frontend {

bool LibraryBinding::load() {
    if (library_.load()) return true;
    error_ = QFile::decodeName(library_.error().c_str());
    return false;
}

QString LibraryBinding::fileName() const {
    return library_.loaded() ? QFile::decodeName(library_.file().c_str()) : QString();
}

QStringList LibraryBinding::missingExports() const {
    QStringList names;
    for (const std::string &name : library_.missing())
        names << QString::fromStdString(name);
    return names;
}

}  // namespace quillane::frontend
