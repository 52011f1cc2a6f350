#pragma once

#include <QString>
#include <QStringList>

// Play lists on disk and folders of sound files, for the audio player.
namespace pelvanto::playlistfiles {

// The endings of the files the player plays (lower case, without the dot).
const QStringList &playableSuffixes();

// The playable files of a folder (not its sub-folders), full paths in name order.
QStringList playableFiles(const QString &folder);

// The rows of the audio tracks of the disc in a CD drive ("…/Track01.cda"); empty without a
// disc.
QStringList cdTrackRows(int drive);

// The entries of an M3U list, plain or extended ("#EXTM3U", "#EXTINF"), as full paths:
// relative ones resolved against the list's folder, "file:" addresses made paths. Text is
// UTF-8 (always for ".m3u8"); a ".m3u" that is not valid UTF-8 is read as Latin-1. Empty
// when the file cannot be read.
QStringList readM3u(const QString &listPath, bool *ok = nullptr);

// Writes an extended M3U list in UTF-8, entries under the list's folder relative to it, the
// others as they are; replaces an existing list only once the new one is complete.
bool writeM3u(const QString &listPath, const QStringList &paths, const QStringList &names);

} // namespace pelvanto::playlistfiles
