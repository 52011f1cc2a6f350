#include "TagText.h"

#include "PathHelpers.h"

#include <cmath>

namespace pelvanto {

QString ProperCase(const QString &text) {
    QString out = text.toLower();
    bool wordStart = true;
    for (QChar &c : out) {
        if (wordStart)
            c = c.toUpper();
        wordStart = c == QLatin1Char(' ');
    }
    return out;
}

QString CleanTitle(const QString &title) {
    QString out = title;
    out.replace(QLatin1Char('_'), QLatin1Char(' '));
    out.replace(QLatin1String("%20"), QLatin1String(" "));
    out = ProperCase(out);
    static const QString openers = QStringLiteral("[({./\\-");
    for (qsizetype i = 0; i + 1 < out.size(); ++i)
        if (openers.contains(out.at(i)))
            out[i + 1] = out.at(i + 1).toUpper();
    return out;
}

QString GrabTitle(const QString &path) {
    const QString name = SplitPath(path, PathName);
    const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
    if (dash < 0)
        return {};
    return CleanTitle(name.mid(dash + 1)).trimmed();
}

qint64 LeadingNumber(const QString &text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128)
            ++i;
    }
    // Digits beyond what a number can hold end the value rather than overflow it.
    const QString digits = text.mid(start, std::min<qsizetype>(i - start, 18));
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? static_cast<qint64>(std::llround(value)) : 0;
}

QString WithoutGenreReference(const QString &genre) {
    if (!genre.startsWith(QLatin1Char('(')))
        return genre;
    const qsizetype close = genre.indexOf(QLatin1Char(')'));
    return close < 0 ? genre : genre.mid(close + 1);
}

} // namespace pelvanto
