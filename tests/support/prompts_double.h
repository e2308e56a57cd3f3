// SPDX-License-Identifier: MIT
// The one stand-in for the program's prompts in tests and benchmarks: it
// answers from what the caller queued and records what was asked.
#pragma once

#include <deque>
#include <functional>
#include <optional>

#include <QDialog>
#include <QList>
#include <QStringList>

#include "Prompts.h"

namespace quillane::test_support {

// Answers every prompt from what the test queued and records what was asked.
class RecordingPrompts : public frontend::Prompts {
  public:
    struct Message {
        QString title;
        QString text;
    };

    void warn(QWidget *parent, const QString &title, const QString &text) override;
    bool ask(QWidget *parent, const QString &title, const QString &text) override;
    // Answered like ask(), and noted in `confirmations` as well.
    bool confirm(QWidget *parent, const QString &title, const QString &text) override;
    std::optional<int> askNumber(QWidget *parent, const QString &title, const QString &label,
                                 int value, int minimum, int maximum) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &filter,
                         const QString &folder) override;
    // Answered from openNameLists, else (one file picked) from openNames.
    QStringList openFileNames(QWidget *parent, const QString &title, const QString &filter,
                              const QString &folder) override;
    QString openFolder(QWidget *parent, const QString &title, const QString &folder) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveAsName(QWidget *parent, const QString &title, const QString &filter,
                       const QString &folder) override;
    int execDialog(QDialog &dialog) override;
    void beep() override { ++beeps; }

    QList<Message> warnings;
    QList<Message> questions;
    QList<Message> confirmations;
    QStringList openTitles;
    QStringList openFilters;
    QStringList openFolders;
    QStringList saveTitles;
    QStringList saveAsFolders;
    std::deque<bool> answers;                // for ask() and confirm(); Yes when empty
    std::deque<std::optional<int>> numbers;  // for askNumber(); cancel when empty
    std::deque<QString> openNames;           // for openFileName(); cancel when empty
    std::deque<QStringList> openNameLists;   // for openFileNames()
    std::deque<QString> folderNames;         // for openFolder(); cancel when empty
    int multipleOpens = 0;                   // openFileNames() calls
    QStringList folderTitles;
    std::deque<QString> saveNames;  // for saveFileName() and saveAsName(); cancel when empty
    // Runs in place of a modal loop: set the dialog's controls and call
    // accept() or reject().  Without it every dialog is rejected.
    std::function<void(QDialog &)> onDialog;
    int beeps = 0;
};

}  // namespace quillane::test_support
