#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace pelvanto {

// Read access to an audio file that is known to be a regular file. Folders,
// devices, FIFOs and symlink loops are refused before anything reads from
// them, so a tag operation can neither block nor touch something that is not
// a file.
class AudioFileReader {
public:
    AudioFileReader() = default;
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader &) = delete;
    AudioFileReader &operator=(const AudioFileReader &) = delete;

    // Opens read-only, or read-write when writable is true. False when the
    // path is not a regular file or cannot be opened that way.
    bool open(const QString &path, bool writable = false);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    qint64 size() const { return size_; }
    int handle() const { return fd_; }
    uid_t owner() const { return uid_; }
    gid_t group() const { return gid_; }
    mode_t mode() const { return mode_; }

    // Reads exactly len bytes at offset; false on a short read or an error.
    bool readAt(qint64 offset, char *buffer, qint64 len) const;
    // Reads up to len bytes at offset (fewer at the end of the file).
    QByteArray readUpTo(qint64 offset, qint64 len) const;
    // Writes exactly len bytes at offset.
    bool writeAt(qint64 offset, const char *buffer, qint64 len);
    bool truncate(qint64 length);

private:
    int fd_ = -1;
    qint64 size_ = 0;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    mode_t mode_ = 0;
};

// Replaces the file at path by head followed by bytes [from, to) of the
// file open in source. The new contents are written to a copy beside the file
// and renamed over it in one step, so the file is never missing or cut short:
// on any failure the original stays as it was. Owner and permissions are kept.
bool ReplaceAudioFile(const QString &path, const AudioFileReader &source, const QByteArray &head,
                      qint64 from, qint64 to);

} // namespace pelvanto
