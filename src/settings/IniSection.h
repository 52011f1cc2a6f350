#pragma once

#include <QString>

namespace pelvanto {

// One section of settings.dat, read and written key by key.
class IniSection {
public:
    IniSection(QString settingsFile, const char *section);

    QString text(const char *key) const;
    // Each returns whether the write reached the disk.
    bool write(const char *key, const QString &value) const;
    bool write(const char *key, qint32 number) const;
    bool writeFlag(const char *key, bool on) const;

    // The start-up conversions: a value that does not convert leaves `target` as it was.
    void readInt16(const char *key, qint16 &target) const;
    void readInt32(const char *key, qint32 &target) const;

private:
    QString file_;
    QString section_;
};

} // namespace pelvanto
