#include "PathHelpers.h"

namespace pelvanto {

QString CutAtNul(const QString &text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString SplitPath(const QString &path, int parts) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > slash; // a dot in a folder name does not count
    QString result;
    if ((parts & PathFolder) && slash >= 0)
        result = path.left(slash + 1);
    if (parts & PathName)
        result += hasExtension ? path.mid(slash + 1, dot - slash - 1) : path.mid(slash + 1);
    if ((parts & PathExtension) && hasExtension) {
        const QString extension = path.mid(dot + 1);
        result = result.isEmpty() ? extension : result + QLatin1Char('.') + extension;
    }
    return result;
}

} // namespace pelvanto
