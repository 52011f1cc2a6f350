// Feeds arbitrary bytes as settings.dat: reads must not crash, and a write
// followed by a read gives back what was written.
#include "Inifun.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.dat"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    using namespace pelvanto::Inifun;
    for (const char *section : {"set", "mp3", "other", "SET"})
        for (const char *key : {"outputformat", "filename", "notch", "MP3Bitrate"})
            (void)ReadIni(path, QString::fromLatin1(section), QString::fromLatin1(key));

    if (!WriteIni(path, QStringLiteral("set"), QStringLiteral("filename"),
                  QStringLiteral("Fuzzed Name")))
        std::abort();
    if (ReadIni(path, QStringLiteral("set"), QStringLiteral("filename")) !=
        QStringLiteral("Fuzzed Name"))
        std::abort();
    return 0;
}
