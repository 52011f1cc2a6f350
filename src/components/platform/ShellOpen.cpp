#include "ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace pelvanto {

namespace {

QUrl localDocument(const QString &path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    const QFileInfo info(path);
    // Opening an executable through the desktop may run it.
    if (!info.exists() || !info.isFile() || info.isExecutable())
        return {};
    return QUrl::fromLocalFile(info.absoluteFilePath());
}

} // namespace

QUrl ShellOpen::target(const QString &text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(QChar(0)))
        return {};
    if (QDir::isAbsolutePath(trimmed))
        return localDocument(trimmed);

    const QUrl url(trimmed, QUrl::TolerantMode);
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url.host().isEmpty() ? QUrl() : url;
    if (scheme == QLatin1String("file") && url.isLocalFile() && !url.hasQuery() &&
        !url.hasFragment())
        return localDocument(url.toLocalFile());
    return {};
}

bool ShellOpen::open(const QString &text) {
    const QUrl url = target(text);
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace pelvanto
