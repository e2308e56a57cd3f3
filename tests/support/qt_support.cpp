// SPDX-License-Identifier: MIT
#include "qt_support.h"

#include "scan_files.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

namespace quillane::test_support {

CurrentFolder::CurrentFolder() : previous_(QDir::currentPath()) {
    if (!dir_.isValid() || !QDir::setCurrent(dir_.path())) qFatal("no scratch folder");
}

CurrentFolder::~CurrentFolder() {
    QDir::setCurrent(previous_);
}

QByteArray readFile(const QString &path) {
    return QByteArray::fromStdString(read_file(QFile::encodeName(path).toStdString()));
}

void quietOffscreenNotes() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (text.startsWith(QLatin1String("This plugin does not support"))) return;
            if (previous) previous(type, context, text);
        });
}

}  // namespace quillane::test_support
