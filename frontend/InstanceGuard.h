// SPDX-License-Identifier: MIT
// Only one copy of the program runs at a time for a user.  The first copy
// holds a lock file for as long as it runs; a lock file left behind by a
// copy that crashed is recognised (its process is gone) and taken over.
#pragma once

#include <memory>

#include <QLockFile>
#include <QString>

namespace quillane::frontend {

class InstanceGuard {
  public:
    // The lock file: $QUILLANE_LOCK_FILE when set, else quillane.lock in the
    // user's runtime folder (or the temporary folder).
    InstanceGuard();
    explicit InstanceGuard(const QString &lockFile);

    // True when this is the only running copy (the lock is now ours).
    bool acquire();
    // True while the lock acquired above is still held.
    bool held() const;
    QString lockFile() const { return path_; }

    static QString defaultLockFile();

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace quillane::frontend
