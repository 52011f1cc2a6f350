#pragma once

#include "soundlib/cd/CdTrackSource.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// CD audio for the sound library through libcdio.
//
//   std::unique_ptr<CdDrive> drive = CdDrive::open(0);      // first drive; null if none
//   int tracks = drive->trackCount();                        // 0 without a disc
//   qint64 ms = drive->trackLengthMs(drive->firstTrack());
//   std::unique_ptr<CdTrackSource> track = drive->openTrack(1);
//   ... a channel plays *track (44.1 kHz stereo); track->positionMs() is the track time,
//   track->seekMs(ms) moves within the track. Volume, pause and stop are the channel's.
//   drive->eject();                                          // false for a disc image
//
// Drive numbers count the machine's CD drives in the order libcdio finds them. A list set
// with setDriveList() replaces them: each entry is a device path or the cue sheet of a
// bin/cue disc image, which then plays like a disc in a drive (tests play generated images
// this way). As libcdio reads images, the sheet is named "*.cue" (or "*.CUE") and its raw
// data sits beside it under the same name ending in "bin" ("BIN"); its FILE lines say
// BINARY (little-endian samples) or MOTOROLA (big-endian).
namespace pelvanto::sound {

class CdDrive {
public:
    // Device paths (or cue sheets) by drive number.
    static QStringList driveList();
    static void setDriveList(const QStringList &drives);
    // Back to the machine's own drives.
    static void resetDriveList();

    // Null when there is no such drive or it cannot be opened; a drive without a disc opens
    // and has no tracks.
    static std::unique_ptr<CdDrive> open(int drive);
    // A block device, or a regular file taken as a cue sheet.
    static std::unique_ptr<CdDrive> openPath(const QString &deviceOrCueSheet);
    ~CdDrive();
    CdDrive(const CdDrive &) = delete;
    CdDrive &operator=(const CdDrive &) = delete;

    QString path() const { return path_; }
    bool isImage() const { return image_; }

    // The table of contents as read when the drive was opened.
    int trackCount() const;
    int firstTrack() const { return firstTrack_; }
    bool isAudioTrack(int track) const;
    // -1 when there is no such track.
    qint64 trackLengthMs(int track) const;
    // Null for a track that does not exist or holds data, not audio.
    std::unique_ptr<CdTrackSource> openTrack(int track) const;

    // Opens the tray; false for a disc image or when the drive refuses. The drive has no
    // tracks afterwards.
    bool eject();

private:
    struct Track {
        int sectorFirst = 0;
        int sectorCount = 0;
        bool audio = false;
    };
    CdDrive(std::unique_ptr<CdHandle> handle, QString path, bool image, bool bigEndian);
    const Track *trackAt(int track) const;

    std::unique_ptr<CdHandle> handle_;
    QString path_;
    bool image_;
    bool bigEndian_;
    int firstTrack_ = 1;
    QVector<Track> tracks_;
};

} // namespace pelvanto::sound
