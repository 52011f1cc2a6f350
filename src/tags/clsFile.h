#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace pelvanto {

// One file as the file system describes it: path, attributes, times and
// size. Holds no handle: the information is read when the path is set and on
// RefreshInfo.
class clsFile {
public:
    // Attribute bits, as the tag editor and file lists know them.
    static constexpr std::uint32_t AttrReadOnly = 0x01;
    static constexpr std::uint32_t AttrHidden = 0x02;
    static constexpr std::uint32_t AttrDirectory = 0x10;
    static constexpr std::uint32_t AttrArchive = 0x20;
    static constexpr std::uint32_t AttrNormal = 0x80;

    // The information record. Times count 100-nanosecond intervals since
    // 1 January 1601, UTC.
    struct Info {
        std::uint32_t attributes = 0;
        std::int64_t creationTime = 0;
        std::int64_t lastAccessTime = 0;
        std::int64_t lastWriteTime = 0;
        std::uint32_t volumeSerialNumber = 0;
        std::uint32_t sizeHigh = 0;
        std::uint32_t sizeLow = 0;
        std::uint32_t numberOfLinks = 0;
        std::uint32_t fileIndexHigh = 0;
        std::uint32_t fileIndexLow = 0;
    };

    std::uint32_t eFileAttributes() const { return info_.attributes; }
    // Stores the value and applies what the file system can hold of it: the
    // read-only bit clears or restores the owner's write permission.
    void setEFileAttributes(std::uint32_t attributes);

    QString sFilename() const { return filename_; }
    // Stores the path and reads its information.
    void setSFilename(const QString &path);
    // Re-reads the information; a file that cannot be reached leaves it as it was.
    void RefreshInfo();

    // Times in local time, to the second.
    QDateTime dCreationTime() const { return localTime(info_.creationTime); }
    QDateTime dLastAccessTime() const { return localTime(info_.lastAccessTime); }
    QDateTime dLastWriteTime() const { return localTime(info_.lastWriteTime); }
    // Size in bytes, correct past 4 GiB.
    qint64 lSize() const {
        return static_cast<qint64>((std::uint64_t(info_.sizeHigh) << 32) | info_.sizeLow);
    }

    QString sExtension() const;
    QString sName() const;
    QString sNameAndExtension() const;

    const Info &info() const { return info_; }

private:
    friend class clsFind;
    static QDateTime localTime(std::int64_t fileTime);
    // As setSFilename, with the file looked up by name in an open folder.
    void setSFilenameAt(const QString &path, int folderFd, const char *name);
    void readInfo(int folderFd, const char *name);

    QString filename_;
    Info info_;
};

} // namespace pelvanto
