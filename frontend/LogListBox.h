// The main window's output list as the library's log sink.
//
// The library reaches the list through five operations that hand back the
// context pointer it was given with them (this object), so no table of
// lists is needed.  While a library operation runs, each posted line
// repaints the list and lets pending events through, but never user input:
// the user cannot start a second command while the first one is still
// working.
#pragma once

#include <cstdint>

#include <QListWidget>
#include <QPointer>
#include <QString>

#include "quillane.h"

namespace quillane::frontend {

class LogListBox {
  public:
    explicit LogListBox(QListWidget *list);
    LogListBox(const LogListBox &) = delete;
    LogListBox &operator=(const LogListBox &) = delete;

    QListWidget *list() const { return list_; }

    // The five operations, callable from the front end too.
    void addString(const QString &line);
    int32_t count() const;
    void setTopIndex(int32_t index);  // 0-based line shown first
    void update();                    // repaint now
    int32_t dispatchPending();        // let pending non-input events run

    // The table handed to the library with this object as its context.
    static const quillane_listbox_ctx_ops &operations();

  private:
    QPointer<QListWidget> list_;
};

}  // namespace quillane::frontend
