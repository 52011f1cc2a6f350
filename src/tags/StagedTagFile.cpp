#include "StagedTagFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pelvanto {

namespace {

bool copyContents(int from, int to) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
    }
}

} // namespace

StagedTagFile::~StagedTagFile() {
    discard();
}

void StagedTagFile::discard() {
    if (!work_.isEmpty())
        QFile::remove(work_);
    work_.clear();
}

bool StagedTagFile::begin(const QString &path) {
    discard();
    // Through a symlink, the file it points to is changed and the link kept.
    target_ = QFileInfo(path).canonicalFilePath();
    if (target_.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(target_);
    const int source = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (source < 0)
        return false;
    struct stat st {};
    const bool writable = ::fstat(source, &st) == 0 && S_ISREG(st.st_mode) &&
                          (st.st_mode & 0222) != 0 && ::access(native.constData(), W_OK) == 0;
    if (!writable) {
        ::close(source);
        return false;
    }
    const QFileInfo info(target_);
    QTemporaryFile copy(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    copy.setAutoRemove(false);
    bool ok = copy.open();
    if (ok) {
        work_ = copy.fileName();
        // Owner may fail for an ordinary user; the permissions must not.
        (void)::fchown(copy.handle(), st.st_uid, st.st_gid);
        ok = ::fchmod(copy.handle(), st.st_mode & 07777) == 0 &&
             copyContents(source, copy.handle()) && ::fsync(copy.handle()) == 0;
        copy.close();
    }
    ::close(source);
    if (!ok)
        discard();
    return ok;
}

bool StagedTagFile::commit() {
    if (work_.isEmpty())
        return false;
    if (::rename(QFile::encodeName(work_).constData(), QFile::encodeName(target_).constData()) !=
        0) {
        discard();
        return false;
    }
    work_.clear();
    return true;
}

} // namespace pelvanto
