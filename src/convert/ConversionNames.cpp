#include "ConversionNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace pelvanto {

namespace {

bool statOf(const QString &path, struct stat *st) {
    return ::stat(QFile::encodeName(path).constData(), st) == 0;
}

} // namespace

bool ConversionNames::sameFile(const QString &a, const QString &b) {
    struct stat sa {};
    struct stat sb {};
    return statOf(a, &sa) && statOf(b, &sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString ConversionNames::storedName(const QString &typedName, const QStringList &listing,
                                    const std::function<bool(const QString &)> &sameFile) {
    if (listing.contains(typedName))
        return typedName;
    for (const QString &listed : listing) {
        if (listed.compare(typedName, Qt::CaseInsensitive) == 0 && sameFile(listed))
            return listed;
    }
    return typedName;
}

std::optional<QString> ConversionNames::outputBase(const QString &typedPath) {
    const QFileInfo input(typedPath);
    if (typedPath.isEmpty() || !input.isFile())
        return std::nullopt;
    const QDir folder = input.absoluteDir();
    const QStringList listing =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::NoSort);
    const QString name = storedName(input.fileName(), listing, [&](const QString &listed) {
        return sameFile(folder.filePath(listed), input.absoluteFilePath());
    });
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return std::nullopt;
    return folder.filePath(name.left(dot));
}

QString ConversionNames::mp3Output(const QString &base, int kbps) {
    if (kbps <= 0)
        return base + QStringLiteral("_vbr.mp3");
    return base + QLatin1Char('_') + QString::number(kbps) + QStringLiteral("kbps.mp3");
}

QString ConversionNames::oggOutput(const QString &base) {
    return base + QStringLiteral(".ogg");
}

QString ConversionNames::wmaOutput(const QString &base, int profile) {
    return base + QLatin1Char('_') + QString::number(profile) + QStringLiteral(".wma");
}

QString ConversionNames::incompleteOutput(const QString &output) {
    const QFileInfo info(output);
    const QString suffix = info.suffix();
    const QString stem = output.left(output.size() - suffix.size() - 1);
    return stem + QStringLiteral(" (incomplete).") + suffix;
}

} // namespace pelvanto
