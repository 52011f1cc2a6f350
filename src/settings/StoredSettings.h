#pragma once

#include <QString>

namespace pelvanto {

class AudioFile;
class AudioRecord;
struct FormatValues;

// What the main window applies from settings.dat once at start-up.
namespace StoredSettings {

// Reads the per-format keys into `values` and hands each format its parameters through the
// audio-file component. A key that does not convert leaves its value as it was (0 for a fresh
// FormatValues), and the component is given that value.
void applyFormats(AudioFile &file, FormatValues &values, const QString &settingsPath = QString());

// Reads the filter and gain keys of section "other" and applies them to the recorder. A switch
// counts as on when it equals 1 or is not a number at all; a value that does not convert is not
// applied.
void applyFilters(AudioRecord &record, const QString &settingsPath = QString());

} // namespace StoredSettings

} // namespace pelvanto
