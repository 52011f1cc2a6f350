#pragma once

#include <QString>

class QWidget;

namespace pelvanto {

// The window skin: skins/frmmain.skn in the program folder, a Qt style sheet.
class Skin {
public:
    static QString skinPath();
    // Applies the skin to one window; a missing or unreadable file leaves the
    // window unskinned. Returns whether a skin was applied.
    static bool applyTo(QWidget *window);
};

} // namespace pelvanto
