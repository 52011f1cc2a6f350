#include "clsFile.h"

#include "PathHelpers.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace pelvanto {

namespace {

// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochOffset = 116444736000000000LL;

std::int64_t toFileTime(const struct statx_timestamp &t) {
    return std::int64_t(t.tv_sec) * 10000000LL + t.tv_nsec / 100 + kEpochOffset;
}

} // namespace

QDateTime clsFile::localTime(std::int64_t fileTime) {
    const std::int64_t units = fileTime - kEpochOffset;
    // Floor division, so times before 1970 drop their fraction the same way.
    std::int64_t secs = units / 10000000LL;
    if (units % 10000000LL < 0)
        --secs;
    return QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime);
}

void clsFile::setSFilename(const QString &path) {
    filename_ = path;
    RefreshInfo();
}

void clsFile::setSFilenameAt(const QString &path, int folderFd, const char *name) {
    filename_ = path;
    readInfo(folderFd, name);
}

void clsFile::RefreshInfo() {
    if (filename_.isEmpty())
        return;
    readInfo(AT_FDCWD, QFile::encodeName(filename_).constData());
}

void clsFile::readInfo(int folderFd, const char *name) {
    struct statx st {};
    if (::statx(folderFd, name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        return;
    Info info;
    const bool directory = S_ISDIR(st.stx_mode);
    if (directory)
        info.attributes |= AttrDirectory;
    if (!(st.stx_mode & S_IWUSR))
        info.attributes |= AttrReadOnly;
    if (SplitPath(filename_, PathName | PathExtension).startsWith(QLatin1Char('.')))
        info.attributes |= AttrHidden;
    if (info.attributes == 0)
        info.attributes = AttrNormal;
    info.lastAccessTime = toFileTime(st.stx_atime);
    info.lastWriteTime = toFileTime(st.stx_mtime);
    // Not every file system keeps a birth time; the write time stands in.
    info.creationTime = (st.stx_mask & STATX_BTIME) ? toFileTime(st.stx_btime) : info.lastWriteTime;
    const auto device = (std::uint64_t(st.stx_dev_major) << 32) | st.stx_dev_minor;
    info.volumeSerialNumber = static_cast<std::uint32_t>(device ^ (device >> 32));
    info.sizeHigh = static_cast<std::uint32_t>(st.stx_size >> 32);
    info.sizeLow = static_cast<std::uint32_t>(st.stx_size & 0xFFFFFFFFu);
    info.numberOfLinks = st.stx_nlink;
    info.fileIndexHigh = static_cast<std::uint32_t>(st.stx_ino >> 32);
    info.fileIndexLow = static_cast<std::uint32_t>(st.stx_ino & 0xFFFFFFFFu);
    info_ = info;
}

void clsFile::setEFileAttributes(std::uint32_t attributes) {
    info_.attributes = attributes;
    if (filename_.isEmpty())
        return;
    const QByteArray native = QFile::encodeName(filename_);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return;
    mode_t mode = st.st_mode & 07777;
    if (attributes & AttrReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777))
        (void)::chmod(native.constData(), mode);
}

QString clsFile::sExtension() const {
    return SplitPath(filename_, PathExtension);
}
QString clsFile::sName() const {
    return SplitPath(filename_, PathName);
}
QString clsFile::sNameAndExtension() const {
    return SplitPath(filename_, PathName | PathExtension);
}

} // namespace pelvanto
