#pragma once

#include <QString>

namespace pelvanto {

// The text before the first NUL character (all of it when there is none).
QString CutAtNul(const QString &text);

} // namespace pelvanto
