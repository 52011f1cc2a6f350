#include "PathHelpers.h"

namespace pelvanto {

QString CutAtNul(const QString &text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace pelvanto
