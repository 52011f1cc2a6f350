#pragma once

#include <QString>

namespace pelvanto {

// The program's own HTML help, shown in the default browser.
class HelpOpener {
public:
    // The help's start page, help/index.html among the program's resources
    // (see findResource). Empty when none exists.
    static QString indexPath();

    // Opens the start page; false when there is no help or no browser.
    static bool open();
};

} // namespace pelvanto
