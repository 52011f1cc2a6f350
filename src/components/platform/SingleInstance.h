#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace pelvanto {

// Holds the lock that marks the one running copy of the program. A lock left
// behind by a crashed copy is recognised as stale and taken over.
class SingleInstance {
public:
    // lockPath empty: the user's runtime folder.
    explicit SingleInstance(const QString &lockPath = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process now holds the lock, false when another copy runs.
    bool acquire();
    bool isHeld() const;
    QString lockPath() const { return path_; }

    static QString defaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace pelvanto
