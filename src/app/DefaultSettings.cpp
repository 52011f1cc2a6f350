#include "DefaultSettings.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pelvanto {

namespace {
// A settings file is a few hundred bytes; anything far larger is not ours.
constexpr qint64 kMaxDefaultsBytes = qint64{64} * 1024;
} // namespace

QString DefaultSettings::shippedFile() {
    return findResource(QStringLiteral("defaults/settings.dat"));
}

bool DefaultSettings::installIfMissing(const QString &settingsFile) {
    const QFileInfo target(settingsFile);
    if (settingsFile.isEmpty() || target.exists() || target.isSymLink())
        return false;
    QFile shipped(shippedFile());
    if (shipped.fileName().isEmpty() || shipped.size() > kMaxDefaultsBytes ||
        !shipped.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = shipped.readAll();
    if (!QDir().mkpath(target.absolutePath()))
        return false;
    // Written whole or not at all: a half file would count as the user's.
    QSaveFile out(settingsFile);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(content);
    return out.commit();
}

} // namespace pelvanto
