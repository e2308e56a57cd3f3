// SPDX-License-Identifier: MIT
// The main window's output list as the library's log sink.
//
// The library reaches the list through five operations that hand back the
// context pointer it was given with them (this object), so no table of
// lists is needed.  While a library operation runs, each posted line
// repaints the list and lets pending events through, but never user input:
// the user cannot start a second command while the first one is still
// working.  Repainting and letting events through are held to a few dozen
// times a second: a reading of 50 files posts hundreds of lines, and a
// repaint for each one took longer than the reading itself.
//
// A long session call may run on a worker thread (MainWindow::
// runInBackground) while the window's own event loop goes on.  Lines posted
// from that thread wait in a queue the window's thread empties into the
// list a few dozen times a second; the count the library asks for includes
// them, and repainting and event handling are left to the window's own loop.
#pragma once

#include <cstdint>
#include <mutex>

#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "quillane.h"

class QThread;

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
    // Moves the lines posted from another thread into the list, with the
    // newest line scrolled into view as asked.  The window's thread only.
    void takePosted();

    // The table handed to the library with this object as its context.
    static const quillane_listbox_ctx_ops &operations();

    // The least time between two repaints (or two rounds of events), ms.
    static constexpr int kIntervalMs = 40;

  private:
    bool onListThread() const;

    QPointer<QListWidget> list_;
    QThread *list_thread_;
    // Receives the calls that take posted lines; they end with this object.
    QObject taker_;
    // Lines (and the first line to show) posted from another thread, and
    // the list's count when it last took them.
    mutable std::mutex posted_mutex_;
    QStringList posted_;
    int32_t posted_top_ = -1;
    bool take_queued_ = false;
    QElapsedTimer last_take_;
    int32_t list_count_ = 0;
    QElapsedTimer last_repaint_;
    QElapsedTimer last_dispatch_;
};

}  // namespace quillane::frontend
