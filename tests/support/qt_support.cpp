// SPDX-License-Identifier: MIT
#include "qt_support.h"

#include "scan_files.h"

#include <QColor>
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

QPalette darkPalette() {
    QPalette p;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(42, 130, 218));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(127, 127, 127));
    return p;
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
