#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace pelvanto {

SingleInstance::SingleInstance(const QString &lockPath)
    : path_(lockPath.isEmpty() ? defaultLockPath() : lockPath),
      lock_(std::make_unique<QLockFile>(path_)) {
    // Never treat a live copy's lock as stale because of its age; a dead
    // owner's lock is still detected by its process id.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    if (lock_->isLocked())
        return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    return lock_->tryLock(0);
}

bool SingleInstance::isHeld() const {
    return lock_->isLocked();
}

QString SingleInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/pelvanto.lock");
}

} // namespace pelvanto
