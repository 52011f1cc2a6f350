#pragma once

#include <QString>
#include <QStringList>

namespace pelvanto {

// The folder that holds settings.dat, schedule.dat and the user's own skin:
// the executable's own folder when it is writable and not an installed
// layout (portable copy, build tree), else the per-user configuration folder.
// No trailing separator.
QString programFolder();

// Joins the program folder and a relative name ("settings.dat", "skins/frmmain.skn").
QString programFile(const QString &name);

// Tests point the program at a folder of their own; an empty text restores the default.
void setProgramFolderOverride(const QString &folder);

// Whether the program folder is the user's configuration folder, as for an
// installed copy whose own folder is not the place for the user's files.
bool programFolderIsUserConfig();

// An executable in <prefix>/bin with <prefix>/share/pelvanto beside it was
// installed, even where its folder happens to be writable (~/.local, a staging folder).
bool isInstalledLayout(const QString &executableFolder);

// Folders searched for the read-only files that travel with the program, in
// order: the program folder (a portable copy, a user's own skin), the shared
// data folder of an installed copy (<executable>/../share/pelvanto), then
// "pelvanto" in each standard data location.
QStringList resourceFolders();

// The first existing file `name` ("help/index.html", "skins/frmmain.skn",
// "defaults/settings.dat") in the resource folders, as an absolute path.
// Empty when none has it.
QString findResource(const QString &name);

// Where recordings go when no output folder is set: the program folder of a
// portable copy; for an installed copy "Pelvanto" in the user's music folder,
// created when missing, so recordings never land in a hidden folder.
QString defaultRecordingFolder();

} // namespace pelvanto
