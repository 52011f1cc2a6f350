#include "SettingsValues.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace pelvanto::settingsvalue {

namespace {
template <typename T> std::optional<T> toInteger(const QString &text) {
    const auto number = asNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number); // default mode rounds half to even
    if (rounded < static_cast<double>(std::numeric_limits<T>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(rounded);
}
} // namespace

std::optional<double> asNumber(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool flagIsOn(const QString &text) {
    const auto number = asNumber(text);
    return !number || *number == 1.0;
}

std::optional<qint16> toInt16(const QString &text) {
    return toInteger<qint16>(text);
}
std::optional<qint32> toInt32(const QString &text) {
    return toInteger<qint32>(text);
}

std::optional<float> toSingle(const QString &text) {
    const auto number = asNumber(text);
    if (!number || std::fabs(*number) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*number);
}

double leadingNumber(const QString &text) {
    QString digits;
    qsizetype i = 0;
    const QString &t = text;
    while (i < t.size() && (t[i] == QLatin1Char(' ') || t[i] == QLatin1Char('\t')))
        ++i;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        digits += t[i++];
    bool seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
        else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            digits += c;
        } else if (c != QLatin1Char(' '))
            break;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(digits, &ok);
    return ok ? value : 0.0;
}

int outputFormatIndex(const QString &text, int listSize) {
    const double n = leadingNumber(text);
    const double index = std::nearbyint(n);
    if (index < 0 || index >= listSize)
        return 0;
    return static_cast<int>(index);
}

int pickAllowed(const QString &text, const QList<int> &allowed, int fallback) {
    const auto number = toInt32(text);
    if (number && allowed.contains(*number))
        return *number;
    return fallback;
}

} // namespace pelvanto::settingsvalue
