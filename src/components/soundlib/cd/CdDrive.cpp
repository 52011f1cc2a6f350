#include "soundlib/cd/CdDrive.h"

#include "soundlib/cd/CdHandle.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace pelvanto::sound {

namespace {

std::mutex driveListMutex;
std::optional<QStringList> driveListOverride;

constexpr qint64 kMaxCueSheetSize = qint64(1024) * 1024;

struct CueSheetCheck {
    bool usable = false;
    bool bigEndian = false;
};

// libcdio's bin/cue driver reads the disc from the file named like the sheet with "bin" for
// "cue" (whatever the sheet's FILE line says), and blocks opening it if it is a FIFO: refuse
// sheets without such a regular data file, and data it would misread (WAVE, AIFF, MP3).
CueSheetCheck checkCueSheet(const QString &path) {
    CueSheetCheck check;
    QString dataFile = path;
    if (path.endsWith(QLatin1String(".cue")))
        dataFile.replace(dataFile.size() - 3, 3, QStringLiteral("bin"));
    else if (path.endsWith(QLatin1String(".CUE")))
        dataFile.replace(dataFile.size() - 3, 3, QStringLiteral("BIN"));
    else
        return check;
    if (!QFileInfo(dataFile).isFile())
        return check;
    QFile file(path);
    if (file.size() > kMaxCueSheetSize || !file.open(QIODevice::ReadOnly))
        return check;
    static const QRegularExpression fileLine(
        QStringLiteral(R"re(^\s*FILE\s+(?:"[^"]*"|\S+)\s+(\S+)\s*$)re"),
        QRegularExpression::CaseInsensitiveOption);
    int files = 0;
    int bigEndianFiles = 0;
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
    for (const QString &line : lines) {
        const auto match = fileLine.match(line);
        if (!match.hasMatch())
            continue;
        const QString type = match.captured(1).toUpper();
        if (type != QLatin1String("BINARY") && type != QLatin1String("MOTOROLA"))
            return check;
        ++files;
        bigEndianFiles += type == QLatin1String("MOTOROLA") ? 1 : 0;
    }
    if (files == 0 || (bigEndianFiles != 0 && bigEndianFiles != files))
        return check;
    check.usable = true;
    check.bigEndian = bigEndianFiles != 0;
    return check;
}

bool isBlockDevice(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISBLK(info.st_mode);
}

QStringList machineDrives() {
    QStringList drives;
    char **devices = cdio_get_devices(DRIVER_DEVICE);
    if (!devices)
        return drives;
    for (char **device = devices; *device; ++device) {
        const QString path = QFile::decodeName(*device);
        const QString canonical = QFileInfo(path).canonicalFilePath();
        bool seen = false;
        for (const QString &known : drives)
            seen = seen || QFileInfo(known).canonicalFilePath() == canonical;
        if (!seen)
            drives << path;
    }
    cdio_free_device_list(devices);
    return drives;
}

} // namespace

QStringList CdDrive::driveList() {
    {
        std::lock_guard lock(driveListMutex);
        if (driveListOverride)
            return *driveListOverride;
    }
    return machineDrives();
}

void CdDrive::setDriveList(const QStringList &drives) {
    std::lock_guard lock(driveListMutex);
    driveListOverride = drives;
}

void CdDrive::resetDriveList() {
    std::lock_guard lock(driveListMutex);
    driveListOverride.reset();
}

std::unique_ptr<CdDrive> CdDrive::open(int drive) {
    const QStringList drives = driveList();
    if (drive < 0 || drive >= drives.size())
        return nullptr;
    return openPath(drives.at(drive));
}

std::unique_ptr<CdDrive> CdDrive::openPath(const QString &deviceOrCueSheet) {
    bool image = false;
    bool bigEndian = false;
    if (QFileInfo(deviceOrCueSheet).isFile()) {
        const CueSheetCheck check = checkCueSheet(deviceOrCueSheet);
        if (!check.usable)
            return nullptr;
        image = true;
        bigEndian = check.bigEndian;
    } else if (!isBlockDevice(deviceOrCueSheet)) {
        return nullptr;
    }
    auto handle = CdHandle::open(deviceOrCueSheet, image);
    if (!handle)
        return nullptr;
    return std::unique_ptr<CdDrive>(
        new CdDrive(std::move(handle), deviceOrCueSheet, image, bigEndian));
}

CdDrive::CdDrive(std::unique_ptr<CdHandle> handle, QString path, bool image, bool bigEndian)
    : handle_(std::move(handle)), path_(std::move(path)), image_(image), bigEndian_(bigEndian) {
    CdIo_t *cdio = handle_->get();
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK)
        return;
    firstTrack_ = first;
    for (int i = 0; i < count; ++i) {
        const auto number = static_cast<track_t>(first + i);
        Track track;
        const lsn_t start = cdio_get_track_lsn(cdio, number);
        const lsn_t last = cdio_get_track_last_lsn(cdio, number);
        if (start != CDIO_INVALID_LSN && last != CDIO_INVALID_LSN && last >= start) {
            track.sectorFirst = start;
            track.sectorCount = last - start + 1;
        }
        track.audio = cdio_get_track_format(cdio, number) == TRACK_FORMAT_AUDIO;
        tracks_.append(track);
    }
}

CdDrive::~CdDrive() = default;

int CdDrive::trackCount() const {
    return static_cast<int>(tracks_.size());
}

const CdDrive::Track *CdDrive::trackAt(int track) const {
    const int index = track - firstTrack_;
    if (index < 0 || index >= tracks_.size())
        return nullptr;
    return &tracks_[index];
}

bool CdDrive::isAudioTrack(int track) const {
    const Track *found = trackAt(track);
    return found && found->audio;
}

qint64 CdDrive::trackLengthMs(int track) const {
    const Track *found = trackAt(track);
    if (!found)
        return -1;
    return qint64(found->sectorCount) * 1000 / CDIO_CD_FRAMES_PER_SEC;
}

std::unique_ptr<CdTrackSource> CdDrive::openTrack(int track) const {
    const Track *found = trackAt(track);
    if (!found || !found->audio || found->sectorCount <= 0)
        return nullptr;
    auto handle = CdHandle::open(path_, image_);
    if (!handle)
        return nullptr;
    return std::unique_ptr<CdTrackSource>(new CdTrackSource(
        std::move(handle), track, found->sectorFirst, found->sectorCount, bigEndian_));
}

bool CdDrive::eject() {
    if (image_ || !handle_->eject())
        return false;
    tracks_.clear();
    return true;
}

} // namespace pelvanto::sound
