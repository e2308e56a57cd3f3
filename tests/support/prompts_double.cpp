// SPDX-License-Identifier: MIT
#include "prompts_double.h"

namespace quillane::test_support {

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

bool RecordingPrompts::confirm(QWidget *parent, const QString &title, const QString &text) {
    confirmations.append({title, text});
    return ask(parent, title, text);
}

std::optional<int> RecordingPrompts::askNumber(QWidget *, const QString &title,
                                               const QString &label, int, int, int) {
    questions.append({title, label});
    if (numbers.empty()) return std::nullopt;
    const std::optional<int> number = numbers.front();
    numbers.pop_front();
    return number;
}

QString RecordingPrompts::openFileName(QWidget *, const QString &title, const QString &filter,
                                       const QString &folder) {
    openTitles << title;
    openFilters << filter;
    openFolders << folder;
    if (openNames.empty()) return QString();
    const QString name = openNames.front();
    openNames.pop_front();
    return name;
}

QStringList RecordingPrompts::openFileNames(QWidget *parent, const QString &title,
                                            const QString &filter, const QString &folder) {
    ++multipleOpens;
    if (openNameLists.empty()) {
        const QString one = openFileName(parent, title, filter, folder);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
    openTitles << title;
    openFilters << filter;
    openFolders << folder;
    const QStringList names = openNameLists.front();
    openNameLists.pop_front();
    return names;
}

QString RecordingPrompts::openFolder(QWidget *, const QString &title, const QString &) {
    folderTitles << title;
    if (folderNames.empty()) return QString();
    const QString name = folderNames.front();
    folderNames.pop_front();
    return name;
}

QString RecordingPrompts::saveFileName(QWidget *, const QString &title, const QString &) {
    saveTitles << title;
    if (saveNames.empty()) return QString();
    const QString name = saveNames.front();
    saveNames.pop_front();
    return name;
}

QString RecordingPrompts::saveAsName(QWidget *parent, const QString &title, const QString &filter,
                                     const QString &folder) {
    saveAsFolders << folder;
    return saveFileName(parent, title, filter);
}

int RecordingPrompts::execDialog(QDialog &dialog) {
    dialog.setResult(QDialog::Rejected);
    if (onDialog) onDialog(dialog);
    if (dialog.result() != QDialog::Accepted) dialog.reject();
    return dialog.result();
}

}  // namespace quillane::test_support
