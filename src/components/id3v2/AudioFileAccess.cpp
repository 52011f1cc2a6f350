#include "AudioFileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pelvanto {

AudioFileReader::~AudioFileReader() {
    close();
}

bool AudioFileReader::open(const QString &path, bool writable) {
    close();
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused right after,
    // and on a regular file the flag changes nothing.
    const int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = -1;
    do {
        fd = ::open(native.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat st {};
    // A file nobody may write is refused for writing even where the open
    // itself would pass (the superuser).
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (writable && (st.st_mode & 0222) == 0)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<qint64>(st.st_size);
    uid_ = st.st_uid;
    gid_ = st.st_gid;
    mode_ = st.st_mode;
    return true;
}

void AudioFileReader::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

namespace {

// Bytes read at offset until len, the end of the file or an error, whichever comes first.
qint64 readFully(int fd, qint64 offset, char *buffer, qint64 len) {
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::pread(fd, buffer + done, static_cast<size_t>(len - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

bool AudioFileReader::readAt(qint64 offset, char *buffer, qint64 len) const {
    if (fd_ < 0 || offset < 0 || len < 0)
        return false;
    return readFully(fd_, offset, buffer, len) == len;
}

QByteArray AudioFileReader::readUpTo(qint64 offset, qint64 len) const {
    if (fd_ < 0 || offset < 0 || len <= 0 || offset >= size_)
        return {};
    len = std::min(len, size_ - offset);
    QByteArray data(static_cast<qsizetype>(len), Qt::Uninitialized);
    data.truncate(static_cast<qsizetype>(readFully(fd_, offset, data.data(), len)));
    return data;
}

bool AudioFileReader::writeAt(qint64 offset, const char *buffer, qint64 len) {
    if (fd_ < 0 || offset < 0 || len < 0)
        return false;
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::pwrite(fd_, buffer + done, static_cast<size_t>(len - done),
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    size_ = std::max(size_, offset + len);
    return true;
}

bool AudioFileReader::truncate(qint64 length) {
    if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        return false;
    size_ = length;
    return true;
}

bool ReplaceAudioFile(const QString &path, const AudioFileReader &source, const QByteArray &head,
                      qint64 from, qint64 to) {
    if (!source.isOpen() || from < 0 || to < from || to > source.size())
        return false;
    // Through a symlink, the file it points to is replaced and the link kept.
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return false;
    // A read-only file stays as it is: the copy renamed over it would replace
    // it behind the user's back, since only the folder needs to be writable.
    if ((source.mode() & 0222) == 0 || ::access(QFile::encodeName(target).constData(), W_OK) != 0)
        return false;
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.handle() >= 0) {
        // Owner may fail for an ordinary user; the permissions must not.
        (void)::fchown(out.handle(), source.owner(), source.group());
        if (::fchmod(out.handle(), source.mode() & 07777) != 0) {
            out.cancelWriting();
            return false;
        }
    }
    if (out.write(head) != head.size()) {
        out.cancelWriting();
        return false;
    }
    constexpr qint64 chunk = 1 << 20;
    std::vector<char> buffer(static_cast<size_t>(std::min(chunk, std::max<qint64>(to - from, 1))));
    for (qint64 pos = from; pos < to;) {
        const qint64 len = std::min<qint64>(static_cast<qint64>(buffer.size()), to - pos);
        if (!source.readAt(pos, buffer.data(), len) || out.write(buffer.data(), len) != len) {
            out.cancelWriting();
            return false;
        }
        pos += len;
    }
    return out.commit();
}

} // namespace pelvanto
