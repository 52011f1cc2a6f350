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

// Writes a whole file through a copy renamed over the old one, so a failure
// leaves the old file as it was.
bool saveFileAtomically(const QString &path, const QByteArray &data);

} // namespace pelvanto
