#include "RecordingText.h"

#include "platform/LocaleDateTime.h"

#include <cmath>
#include <cstdio>

namespace pelvanto {

QString elapsedText(qint64 ms) {
    if (ms < 0)
        ms = 0;
    const qint64 minutes = ms / 60000;
    const qint64 seconds = ms / 1000 - minutes * 60;
    const qint64 millis = ms % 1000;
    // Formatted at every timer tick: one snprintf, no argument parsing.
    char text[32];
    const int length =
        std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(minutes),
                      static_cast<long long>(seconds), static_cast<long long>(millis));
    return QString::fromLatin1(text, length);
}

QString sizeText(qint64 bytes, const QLocale &locale) {
    if (bytes < 0)
        bytes = 0;
    // Work in hundredths, rounding halves up, so the shown digits are exact.
    const auto hundredths =
        static_cast<qint64>(std::floor(static_cast<double>(bytes) * 100.0 / 1048576.0 + 0.5));
    const qint64 whole = hundredths / 100;
    const qint64 frac = hundredths % 100;
    QString text = QString::number(whole);
    if (frac != 0) {
        QString digits = QStringLiteral("%1").arg(frac, 2, 10, QLatin1Char('0'));
        if (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += locale.decimalPoint() + digits;
    }
    return text + QStringLiteral("MB");
}

QString recordTimeText(const QDateTime &time, const QLocale &locale) {
    // To the second: two recordings made in one minute must not look alike.
    return localeDateTimeText(time, locale);
}

} // namespace pelvanto
