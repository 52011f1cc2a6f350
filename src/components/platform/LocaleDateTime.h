#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace pelvanto {

// The locale's time format with seconds and without a time zone: its long
// time format with the zone left out ("h:mm:ss AP", "HH:mm:ss").
QString timeFormatWithSeconds(const QLocale &locale = QLocale());

// Date and time as lists show them: the locale's short date, one blank, and
// the time to the second (12/3/06 2:07:09 PM, 03.12.06 14:07:09).
QString localeDateTimeText(const QDateTime &time, const QLocale &locale = QLocale());

} // namespace pelvanto
