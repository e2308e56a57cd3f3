#include "test_support.h"

#include "scan_files.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillane::frontend::testing {

void RecordingPrompts::warn(QWidget *, const QString &title, const QString &text) {
    warnings.append({title, text});
}

bool RecordingPrompts::ask(QWidget *, const QString &title, const QString &text) {
    questions.append({title, text});
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

QString RecordingPrompts::openFileName(QWidget *, const QString &title, const QString &filter) {
    openTitles << title;
    openFilters << filter;
    if (openNames.empty()) return QString();
    const QString name = openNames.front();
    openNames.pop_front();
    return name;
}

QString RecordingPrompts::saveFileName(QWidget *, const QString &title, const QString &) {
    saveTitles << title;
    if (saveNames.empty()) return QString();
    const QString name = saveNames.front();
    saveNames.pop_front();
    return name;
}

int RecordingPrompts::execDialog(QDialog &dialog) {
    dialog.setResult(QDialog::Rejected);
    if (onDialog) onDialog(dialog);
    if (dialog.result() != QDialog::Accepted) dialog.reject();
    return dialog.result();
}

CallRecord::CallRecord() {
    path_ = dir_.filePath(QStringLiteral("calls.txt"));
    qputenv("QUILLANE_RECORD_FILE", QFile::encodeName(path_));
}

void CallRecord::clear() {
    QFile::remove(path_);
}

QStringList CallRecord::lines() const {
    QStringList result;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return result;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty()) result << QString::fromLocal8Bit(line);
    return result;
}

QStringList CallRecord::names() const {
    QStringList result;
    for (const QString &line : lines())
        result << line.section(QLatin1Char(' '), 0, 0);
    return result;
}

QString writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
    return QFileInfo(path).absoluteFilePath();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray scanFileContent(int number) {
    return QByteArray::fromStdString(
        quillane::test_support::scan_text(quillane::test_support::small_scan(number)));
}

void quietOffscreenNotes() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (text.startsWith(QLatin1String("This plugin does not support"))) return;
            if (previous) previous(type, context, text);
        });
}

bool sameLines(const QStringList &actual, const QStringList &expected) {
    if (actual == expected) return true;
    qWarning().noquote() << "actual:\n  " + actual.join(QStringLiteral("\n  "));
    qWarning().noquote() << "expected:\n  " + expected.join(QStringLiteral("\n  "));
    return false;
}

}  // namespace quillane::frontend::testing
