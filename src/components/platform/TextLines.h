#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace pelvanto {

// Splits text at CR LF, LF or a lone CR; the line ends are dropped, and a
// final line without an end is kept.
QList<QByteArray> splitTextLines(const QByteArray &data);

// One row of a tab-separated program file: the fields in UTF-8, joined by
// single tabs, ended by CR LF.
QByteArray tabRow(const QStringList &fields);

// Whether a whole file may be written at `path`: nothing is there yet, or a
// regular file (through symbolic links). A device, a pipe or a folder would be
// replaced by a regular file, so it never is.
bool isReplaceableFile(const QString &path);
// What the user is told when isReplaceableFile() says no.
QString notRegularFileMessage(const QString &path);

// Writes a whole file through a copy renamed over the old one, so a failure
// leaves the old file as it was. Refuses what isReplaceableFile() refuses.
bool saveFileAtomically(const QString &path, const QByteArray &data);

} // namespace pelvanto
