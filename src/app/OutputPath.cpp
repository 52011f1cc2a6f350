#include "OutputPath.h"

#include <QFileInfo>

namespace pelvanto {

namespace {

bool taken(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString joinFolder(const QString &folder, const QString &name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// stem + "_" + n + "." + ext for the first n from `first` that names no file.
QString firstFreeNumbered(const QString &stem, const QString &extension, qint64 first) {
    for (qint64 n = first;; ++n) {
        QString candidate =
            stem + QLatin1Char('_') + QString::number(n) + QLatin1Char('.') + extension;
        if (!taken(candidate))
            return candidate;
    }
}

} // namespace

OutputPathBuilder::OutputPathBuilder(Clock clock) : clock_(std::move(clock)) {}

QDateTime OutputPathBuilder::now() const {
    return clock_ ? clock_() : QDateTime::currentDateTime();
}

OutputPathBuilder::Plan OutputPathBuilder::plan(const QString &settingsFile,
                                                const QString &extension, int listCount) const {
    const OutputFileSettings settings = OutputFileSettings::read(settingsFile);
    Plan p;
    p.startTime = now();
    p.path = buildPath(settings, extension, listCount, now());
    return p;
}

QString OutputPathBuilder::buildPath(const OutputFileSettings &settings, const QString &extension,
                                     int listCount, const QDateTime &now) {
    if (settings.dateTime) {
        // Two starts within one second would meet the same name: never
        // replace the earlier recording, number the later one instead.
        const QString stem =
            joinFolder(settings.effectiveFolder(), settings.prefix + dateTimeStamp(now));
        const QString path = stem + QLatin1Char('.') + extension;
        return taken(path) ? firstFreeNumbered(stem, extension, 2) : path;
    }
    // Without a prefix the name would be the extension alone: a hidden file.
    const QString prefix = settings.prefix.isEmpty() ? QStringLiteral("Recorded") : settings.prefix;
    const QString stem = joinFolder(settings.effectiveFolder(), prefix);
    QString plain = stem + QLatin1Char('.') + extension;
    if (settings.overwrite || !taken(plain))
        return plain;
    return firstFreeNumbered(stem, extension, static_cast<qint64>(listCount) + 1);
}

QString OutputPathBuilder::dateTimeStamp(const QDateTime &time) {
    return time.toString(QStringLiteral("MMddyyHHmmss"));
}

} // namespace pelvanto
