#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelvanto {

namespace {
QString &overrideFolder() {
    static QString folder;
    return folder;
}

QString stripTrailingSeparator(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}
} // namespace

QString programFolder() {
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
        return stripTrailingSeparator(exeDir);
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return stripTrailingSeparator(config);
}

QString programFile(const QString &name) {
    return programFolder() + QLatin1Char('/') + name;
}

void setProgramFolderOverride(const QString &folder) {
    overrideFolder() = stripTrailingSeparator(folder);
}

} // namespace pelvanto
