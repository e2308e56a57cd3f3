// SPDX-License-Identifier: MIT
// The hourglass pointer for the life of a scope; the normal pointer comes
// back however the scope is left.  And the other way round for dialogs.
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

// The normal pointer for the life of a scope, over an hourglass shown
// outside it: for a dialog that a long command opens half-way.
class NormalCursor {
  public:
    NormalCursor() { QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }
    ~NormalCursor() { QApplication::restoreOverrideCursor(); }
    NormalCursor(const NormalCursor &) = delete;
    NormalCursor &operator=(const NormalCursor &) = delete;
};

}  // namespace quillane::frontend
