#include "StoredSettings.h"

#include "FilterSettings.h"
#include "FormatValues.h"
#include "Inifun.h"

namespace pelvanto::StoredSettings {

namespace {
QString fileOr(const QString &path) {
    return path.isEmpty() ? Inifun::settingsFile() : path;
}
} // namespace

void applyFormats(AudioFile &file, FormatValues &values, const QString &settingsPath) {
    values.read(fileOr(settingsPath));
    values.applyTo(file);
}

void applyFilters(AudioRecord &record, const QString &settingsPath) {
    FilterSettings::read(fileOr(settingsPath)).applyTo(record);
}

} // namespace pelvanto::StoredSettings
