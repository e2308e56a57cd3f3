// SPDX-License-Identifier: MIT
// Everything that waits for the user: message boxes, the file dialogs, the
// beep and modal dialogs.  Windows and dialogs reach them only through this
// interface, so tests can answer them (a test never runs a real modal loop).
#pragma once

#include <memory>
#include <optional>

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace quillane::frontend {

class Prompts {
  public:
    virtual ~Prompts() = default;

    // A message with the exclamation icon and an OK button.
    virtual void warn(QWidget *parent, const QString &title, const QString &text) = 0;
    // A question with Yes and No buttons and the question icon; true for Yes.
    // No is the default answer (what Enter gives).
    virtual bool ask(QWidget *parent, const QString &title, const QString &text) = 0;
    // The same question with Yes as the default answer, for a step the user
    // has just asked for (creating the file just named).
    virtual bool confirm(QWidget *parent, const QString &title, const QString &text) = 0;
    // Asks for a whole number from `minimum` to `maximum`, starting at
    // `value`; nothing when the user cancelled.
    virtual std::optional<int> askNumber(QWidget *parent, const QString &title,
                                         const QString &label, int value, int minimum,
                                         int maximum) = 0;
    // The open-file dialog, starting in `folder` (the current folder when
    // empty); an empty result means the user cancelled.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &filter,
                                 const QString &folder) = 0;
    // The same picking any number of files at once (Shift and Ctrl); empty
    // when the user cancelled.
    virtual QStringList openFileNames(QWidget *parent, const QString &title, const QString &filter,
                                      const QString &folder) = 0;
    // The folder dialog, starting in `folder`; empty when cancelled.
    virtual QString openFolder(QWidget *parent, const QString &title, const QString &folder) = 0;
    // The save-file dialog, asking before overwriting a file and before
    // creating a new one; an empty result means the user cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // The save-file dialog that asks only before overwriting a file, starting
    // in `folder`; an empty result means the user cancelled.
    virtual QString saveAsName(QWidget *parent, const QString &title, const QString &filter,
                               const QString &folder) = 0;
    // Shows a dialog modally and returns its result code.
    virtual int execDialog(QDialog &dialog) = 0;
    virtual void beep() = 0;
};

// The question box behind ask() and confirm(): Yes and No, the question
// icon, and `defaultButton` as what Enter answers.
std::unique_ptr<QMessageBox> questionBox(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButton defaultButton);

// The real thing: Qt's message boxes and file dialogs.
class QtPrompts : public Prompts {
  public:
    void warn(QWidget *parent, const QString &title, const QString &text) override;
    bool ask(QWidget *parent, const QString &title, const QString &text) override;
    bool confirm(QWidget *parent, const QString &title, const QString &text) override;
    std::optional<int> askNumber(QWidget *parent, const QString &title, const QString &label,
                                 int value, int minimum, int maximum) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &filter,
                         const QString &folder) override;
    QStringList openFileNames(QWidget *parent, const QString &title, const QString &filter,
                              const QString &folder) override;
    QString openFolder(QWidget *parent, const QString &title, const QString &folder) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveAsName(QWidget *parent, const QString &title, const QString &filter,
                       const QString &folder) override;
    int execDialog(QDialog &dialog) override;
    void beep() override;
};

}  // namespace quillane::frontend
