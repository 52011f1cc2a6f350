#pragma once

#include <QString>

namespace pelvanto::Inifun {

// Private-profile INI access. Section and key names are compared without
// regard to letter case and surrounding blanks; a missing file, section or key
// reads as an empty text; a read returns at most 127 characters.
QString ReadIni(const QString &file, const QString &section, const QString &key);

// Writes one key, creating the section and the file as needed. A value is cut
// at 128 characters and at its first NUL; a value with a line break is refused. The file is
// replaced as a whole so a failed write leaves it as it was; failures are otherwise ignored.
// Returns whether the write reached the disk.
bool WriteIni(const QString &file, const QString &section, const QString &key,
              const QString &value);

// Why `value` would not read back whole after a write, or an empty text when
// it would: a read returns at most 127 characters, and a line break or a NUL
// is never stored.
QString unstorableReason(const QString &value);

// The path of settings.dat in the program folder.
QString settingsFile();

} // namespace pelvanto::Inifun
