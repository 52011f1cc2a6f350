#include "LocaleDateTime.h"

namespace pelvanto {

QString timeFormatWithSeconds(const QLocale &locale) {
    const QString full = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : full) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('t'))
            continue; // the time zone: the same for every row, and long
        format += c;
    }
    format.remove(QStringLiteral("()"));
    format = format.simplified();
    if (!format.contains(QLatin1Char('s')))
        return QStringLiteral("HH:mm:ss");
    return format;
}

QString localeDateTimeText(const QDateTime &time, const QLocale &locale) {
    return locale.toString(time, locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') +
                                     timeFormatWithSeconds(locale));
}

} // namespace pelvanto
