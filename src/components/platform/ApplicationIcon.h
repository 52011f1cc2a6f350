#pragma once

#include <QIcon>

namespace pelvanto {

// The desktop's name for the program: its .desktop entry, icon and metadata.
inline constexpr const char *kDesktopId = "org.pelvanto.Pelvanto";

// The program's icon in every size it is drawn at, found among the program's
// resources (icons/pelvanto-SIZE.png). Null when none is found.
QIcon applicationIcon();

} // namespace pelvanto
