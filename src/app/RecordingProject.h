#pragma once

#include "RecordedFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Recording project files (*.rpf): one line per list row, the five columns
// separated by single tabs, CR LF line ends, UTF-8, no header.
namespace pelvanto::RecordingProject {

inline constexpr const char *kOpenTitle = "Select a recording project file";
inline constexpr const char *kSaveTitle = "Save recording project file";
inline constexpr const char *kFilter = "Project Files(*.rpf)";

// Rows of a project text. Fields after the fifth are dropped; a line with
// fewer fields gives a row with the rest empty; blank lines give no row.
// Lines may end in CR LF, LF or CR.
QList<RecordedItem> parse(const QByteArray &data);

// The project text of the rows, fields written unchanged.
QByteArray serialize(const QList<RecordedItem> &items);

// The rows of a project file, or nothing when it cannot be read.
std::optional<QList<RecordedItem>> load(const QString &path);

// "Open Recording Project": appends the rows of each chosen project, in the
// order given, after the rows already listed; an empty name or an unreadable
// file is passed over. Returns the number of rows added.
int appendProjects(RecordedFiles &list, const QStringList &paths);

// Writes the project to exactly that path, replacing an existing file only
// once the new content is complete. Returns whether it was written.
bool save(const QString &path, const QList<RecordedItem> &items);

} // namespace pelvanto::RecordingProject
