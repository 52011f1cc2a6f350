#pragma once

#include <QString>

namespace pelvanto {

// The folder that holds settings.dat, schedule.dat, the help and the skin:
// the executable's own folder when it is writable (portable install, build
// tree), else the per-user configuration folder. No trailing separator.
QString programFolder();

// Joins the program folder and a relative name ("settings.dat", "skins/frmmain.skn").
QString programFile(const QString &name);

// Tests point the program at a folder of their own; an empty text restores the default.
void setProgramFolderOverride(const QString &folder);

} // namespace pelvanto
