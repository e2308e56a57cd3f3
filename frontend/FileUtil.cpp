// SPDX-License-Identifier: MIT
#include "FileUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AppState.h"

namespace quillane::frontend {

bool FileExists(const QString &name) {
    if (name.trimmed().isEmpty()) return false;
    const QFileInfo info(name);
    const QString pattern = info.fileName();
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?')))
        return info.isFile();
    const QDir folder = info.dir();
    return !folder.entryList({pattern}, QDir::Files).isEmpty();
}

QString currentFolderWithSeparator() {
    QString dir = QDir::toNativeSeparators(QDir::currentPath());
    if (!dir.endsWith(QDir::separator())) dir += QDir::separator();
    return dir;
}

}  // namespace quillane::frontend
