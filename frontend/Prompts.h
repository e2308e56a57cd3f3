// Everything that waits for the user: message boxes, the file dialogs, the
// beep and modal dialogs.  Windows and dialogs reach them only through this
// interface, so tests can answer them (a test never runs a real modal loop).
#pragma once

#include <QDialog>
#include <QString>

class QWidget;

namespace quillane::frontend {

class Prompts {
  public:
    virtual ~Prompts() = default;

    // A message with the exclamation icon and an OK button.
    virtual void warn(QWidget *parent, const QString &title, const QString &text) = 0;
    // A question with Yes and No buttons and the question icon; true for Yes.
    virtual bool ask(QWidget *parent, const QString &title, const QString &text) = 0;
    // The open-file dialog; an empty result means the user cancelled.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // The save-file dialog, asking before overwriting a file and before
    // creating a new one; an empty result means the user cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // Shows a dialog modally and returns its result code.
    virtual int execDialog(QDialog &dialog) = 0;
    virtual void beep() = 0;
};

// The real thing: Qt's message boxes and file dialogs.
class QtPrompts : public Prompts {
  public:
    void warn(QWidget *parent, const QString &title, const QString &text) override;
    bool ask(QWidget *parent, const QString &title, const QString &text) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
    int execDialog(QDialog &dialog) override;
    void beep() override;
};

}  // namespace quillane::frontend
