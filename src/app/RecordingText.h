#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace pelvanto {

// Elapsed time as minutes (not wrapped at 60), ":", two-digit seconds, ".",
// three-digit milliseconds: 0:05.042, 75:03.250. Negative input shows 0:00.000.
QString elapsedText(qint64 ms);

// A file size in megabytes (bytes / 1048576) with at most two decimals and the
// locale's decimal separator, followed by "MB": 1.23MB, 0MB, 12.5MB.
QString sizeText(qint64 bytes, const QLocale &locale = QLocale());

// The "Record Time" column: the locale's short date and its time with seconds.
QString recordTimeText(const QDateTime &time, const QLocale &locale = QLocale());

} // namespace pelvanto
