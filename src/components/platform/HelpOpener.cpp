#include "HelpOpener.h"

#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace pelvanto {

QString HelpOpener::indexPath() {
    const QString name = QStringLiteral("help/index.html");
    const QString exeDir = QCoreApplication::applicationDirPath();
    // An installed program keeps its settings in the user's folder but its
    // help in the shared data folder.
    const QStringList candidates{
        programFile(name),
        exeDir + QLatin1Char('/') + name,
        QDir::cleanPath(exeDir + QStringLiteral("/../share/pelvanto/") + name),
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

bool HelpOpener::open() {
    const QString path = indexPath();
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace pelvanto
