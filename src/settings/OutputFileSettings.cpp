#include "OutputFileSettings.h"

#include "Inifun.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "platform/ProgramFolder.h"

namespace pelvanto {

namespace {
QString key(const char *name) {
    return QString::fromLatin1(name);
}
} // namespace

OutputFileSettings OutputFileSettings::read(const QString &settingsFile) {
    using Inifun::ReadIni;
    const QString set = key(keys::section::Set);
    OutputFileSettings s;
    s.folder = ReadIni(settingsFile, set, key(keys::OutputFolder));
    s.prefix = ReadIni(settingsFile, set, key(keys::FileName));
    s.dateTime = settingsvalue::flagIsOn(ReadIni(settingsFile, set, key(keys::DateTime)));
    // "0" or anything that is not a number means: add a number.
    const auto existed =
        settingsvalue::asNumber(ReadIni(settingsFile, set, key(keys::ExistedFile)));
    s.overwrite = existed && *existed != 0.0;
    return s;
}

bool OutputFileSettings::write(const QString &settingsFile) const {
    using Inifun::WriteIni;
    const QString set = key(keys::section::Set);
    bool ok = WriteIni(settingsFile, set, key(keys::OutputFolder), folder);
    ok = WriteIni(settingsFile, set, key(keys::FileName), prefix) && ok;
    ok = WriteIni(settingsFile, set, key(keys::DateTime),
                  dateTime ? QStringLiteral("1") : QStringLiteral("0")) &&
         ok;
    ok = WriteIni(settingsFile, set, key(keys::ExistedFile),
                  overwrite ? QStringLiteral("1") : QStringLiteral("0")) &&
         ok;
    return ok;
}

bool OutputFileSettings::meansProgramFolder(const QString &folder) {
    return folder.isEmpty() || folder == QLatin1String("0");
}

QString OutputFileSettings::effectiveFolder() const {
    return meansProgramFolder(folder) ? defaultRecordingFolder() : folder;
}

QString OutputFileSettings::shownPrefix(const QString &prefix) {
    return prefix.isEmpty() || prefix == QLatin1String("0") ? QStringLiteral("Recorded") : prefix;
}

int OutputFileSettings::readFormatIndex(const QString &settingsFile, int listSize) {
    return settingsvalue::outputFormatIndex(
        Inifun::ReadIni(settingsFile, key(keys::section::Set), key(keys::OutputFormat)), listSize);
}

bool OutputFileSettings::writeFormatIndex(const QString &settingsFile, int index) {
    return Inifun::WriteIni(settingsFile, key(keys::section::Set), key(keys::OutputFormat),
                            QString::number(index));
}

} // namespace pelvanto
