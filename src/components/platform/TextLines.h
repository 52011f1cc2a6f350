#pragma once

#include <QByteArray>
#include <QList>

namespace pelvanto {

// Splits text at CR LF, LF or a lone CR; the line ends are dropped, and a
// final line without an end is kept.
QList<QByteArray> splitTextLines(const QByteArray &data);

} // namespace pelvanto
