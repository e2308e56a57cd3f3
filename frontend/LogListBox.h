// The main window's output list as the library's log sink.
//
// The library reaches the list through five operations and an int32 handle
// (it keeps no pointers of ours), so each list registers itself under a small
// handle of its own and the operations look the list up by it.  While a
// library operation runs, each posted line repaints the list and lets pending
// events through, but never user input: the user cannot start a second
// command while the first one is still working.
#pragma once

#include <cstdint>

#include <QObject>
#include <QPointer>
#include <QString>

#include "quillane.h"

#include <QListWidget>

namespace quillane::frontend {

class LogListBox {
  public:
    explicit LogListBox(QListWidget *list);
    ~LogListBox();
    LogListBox(const LogListBox &) = delete;
    LogListBox &operator=(const LogListBox &) = delete;

    int32_t handle() const { return handle_; }
    QListWidget *list() const { return list_; }

    // The five operations, callable from the front end too.
    void addString(const QString &line);
    int32_t count() const;
    void setTopIndex(int32_t index);  // 0-based line shown first
    void update();                    // repaint now
    int32_t dispatchPending();        // let pending non-input events run

    // The table handed to the library's init_lbsink.
    static const quillane_listbox_ops &operations();
    // The list registered under `handle`, or nullptr.
    static LogListBox *find(int32_t handle);

  private:
    QPointer<QListWidget> list_;
    int32_t handle_;
};

}  // namespace quillane::frontend
