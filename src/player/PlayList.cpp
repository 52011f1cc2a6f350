#include "PlayList.h"

#include <QRegularExpression>

namespace pelvanto {

QString PlayList::StripPath(const QString &path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool PlayList::isCdTrack(const QString &path) {
    return path.right(3).compare(QLatin1String("cda"), Qt::CaseInsensitive) == 0;
}

int PlayList::cdTrackNumber(const QString &path) {
    static const QRegularExpression number(QStringLiteral("(\\d+)\\.cda$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = number.match(StripPath(path));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString PlayList::cdTrackPath(const QString &drivePath, int track) {
    return drivePath + QStringLiteral("/Track%1.cda").arg(track, 2, 10, QLatin1Char('0'));
}

bool PlayList::append(const QString &path) {
    if (path.isEmpty())
        return false;
    paths_ << path;
    names_ << StripPath(path);
    return true;
}

void PlayList::appendAll(const QStringList &paths) {
    for (const QString &p : paths)
        append(p);
}

void PlayList::select(int index) {
    current_ = index >= 0 && index < count() ? index : -1;
}

} // namespace pelvanto
