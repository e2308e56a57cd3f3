// The hourglass pointer for the life of a scope; the normal pointer comes
// back however the scope is left.
#pragma once

#include <QApplication>
#include <QCursor>

namespace quillane::frontend {

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { restore(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    void restore() {
        if (active_) QApplication::restoreOverrideCursor();
        active_ = false;
    }

  private:
    bool active_ = true;
};

}  // namespace quillane::frontend
