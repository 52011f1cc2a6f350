#include "IniSection.h"

#include "Inifun.h"
#include "SettingsValues.h"

namespace pelvanto {

IniSection::IniSection(QString settingsFile, const char *section)
    : file_(std::move(settingsFile)), section_(QString::fromLatin1(section)) {}

QString IniSection::text(const char *key) const {
    return Inifun::ReadIni(file_, section_, QString::fromLatin1(key));
}

bool IniSection::write(const char *key, const QString &value) const {
    return Inifun::WriteIni(file_, section_, QString::fromLatin1(key), value);
}

bool IniSection::write(const char *key, qint32 number) const {
    return write(key, QString::number(number));
}

bool IniSection::writeFlag(const char *key, bool on) const {
    return write(key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniSection::readInt16(const char *key, qint16 &target) const {
    if (const auto v = settingsvalue::toInt16(text(key)))
        target = *v;
}

void IniSection::readInt32(const char *key, qint32 &target) const {
    if (const auto v = settingsvalue::toInt32(text(key)))
        target = *v;
}

} // namespace pelvanto
