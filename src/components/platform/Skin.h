#pragma once

#include <QString>

class QWidget;

namespace pelvanto {

// The window skin: skins/frmmain.skn, a Qt style sheet. A user's own skin in
// the program folder wins over the one shipped with the program.
class Skin {
public:
    // The skin that applies, or empty when there is none.
    static QString skinPath();
    // Applies the skin to one window; a missing or unreadable file leaves the
    // window unskinned. Returns whether a skin was applied.
    static bool applyTo(QWidget *window);
};

} // namespace pelvanto
