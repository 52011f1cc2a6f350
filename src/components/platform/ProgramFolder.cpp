#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelvanto {

namespace {
const QLatin1String kDataFolderName("pelvanto");

QString &overrideFolder() {
    static QString folder;
    return folder;
}

QString stripTrailingSeparator(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString sharedDataFolderBeside(const QString &executableFolder) {
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/") + kDataFolderName);
}

// The executable's folder when it can be the program folder, else empty.
QString portableFolder() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (exeDir.isEmpty() || isInstalledLayout(exeDir) || !QFileInfo(exeDir).isWritable())
        return {};
    return stripTrailingSeparator(exeDir);
}
} // namespace

QString programFolder() {
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    QString portable = portableFolder();
    if (!portable.isEmpty())
        return portable;
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

bool programFolderIsUserConfig() {
    return overrideFolder().isEmpty() && portableFolder().isEmpty();
}

bool isInstalledLayout(const QString &executableFolder) {
    return !executableFolder.isEmpty() &&
           QFileInfo(sharedDataFolderBeside(executableFolder)).isDir();
}

QStringList resourceFolders() {
    QStringList folders{programFolder()};
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty())
        folders << sharedDataFolderBeside(exeDir);
    for (const QString &data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir::cleanPath(data + QLatin1Char('/') + kDataFolderName);
    folders.removeDuplicates();
    return folders;
}

QString findResource(const QString &name) {
    if (name.isEmpty())
        return {};
    for (const QString &folder : resourceFolders()) {
        const QFileInfo candidate(folder + QLatin1Char('/') + name);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

QString defaultRecordingFolder() {
    if (!programFolderIsUserConfig())
        return programFolder();
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty())
        music = QDir::homePath();
    QString folder = QDir::cleanPath(music + QStringLiteral("/Pelvanto"));
    QDir().mkpath(folder);
    return folder;
}

} // namespace pelvanto
