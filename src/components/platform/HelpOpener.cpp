#include "HelpOpener.h"

#include "ProgramFolder.h"

#include <QDesktopServices>
#include <QUrl>

namespace pelvanto {

QString HelpOpener::indexPath() {
    return findResource(QStringLiteral("help/index.html"));
}

bool HelpOpener::open() {
    const QString path = indexPath();
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace pelvanto
