// SPDX-License-Identifier: MIT
#include "InstanceGuard.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>

namespace quillane::frontend {

QString InstanceGuard::defaultLockFile() {
    const QString override = qEnvironmentVariable("QUILLANE_LOCK_FILE");
    if (!override.isEmpty()) return override;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) return QDir(runtime).filePath(QStringLiteral("quillane.lock"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("quillane-%1.lock").arg(getuid()));
}

InstanceGuard::InstanceGuard() : InstanceGuard(defaultLockFile()) {}

InstanceGuard::InstanceGuard(const QString &lockFile) : path_(lockFile) {}

bool InstanceGuard::acquire() {
    if (held()) return true;
    lock_ = std::make_unique<QLockFile>(path_);
    // A running copy may hold the lock for days: only a lock whose process
    // is gone counts as stale, never an old one.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return true;
    lock_.reset();
    return false;
}

bool InstanceGuard::held() const {
    return lock_ && lock_->isLocked();
}

}  // namespace quillane::frontend
