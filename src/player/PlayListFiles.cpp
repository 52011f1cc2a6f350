#include "PlayListFiles.h"

#include "PlayList.h"
#include "soundlib/cd/CdDrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace pelvanto::playlistfiles {

namespace {

// Longer lists are not play lists anyone wrote by hand or by a player.
constexpr qint64 kMaxListBytes = 16LL * 1024 * 1024;

QString decode(const QByteArray &data, bool utf8Only) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError() && !utf8Only)
        text = QString::fromLatin1(data);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// Names as people sort them: letters without regard to case, runs of digits by their value
// ("Track2" before "Track10").
int nameOrder(const QString &a, const QString &b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            const QString na = a.mid(i, ei - i).remove(QRegularExpression(QStringLiteral("^0+")));
            const QString nb = b.mid(j, ej - j).remove(QRegularExpression(QStringLiteral("^0+")));
            if (na.size() != nb.size())
                return na.size() < nb.size() ? -1 : 1;
            if (const int c = na.compare(nb); c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const int c = QString::compare(a.mid(i, 1), b.mid(j, 1), Qt::CaseInsensitive);
        if (c != 0)
            return c;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

} // namespace

const QStringList &playableSuffixes() {
    static const QStringList suffixes{"mp3",  "wav", "wma", "asf",  "ogg",  "flac", "mid",
                                      "midi", "rmi", "aif", "aifc", "aiff", "au",   "snd"};
    return suffixes;
}

QStringList playableFiles(const QString &folder) {
    QStringList filters;
    for (const QString &s : playableSuffixes())
        filters << QStringLiteral("*.") + s;
    QDir dir(folder);
    dir.setNameFilters(filters);
    dir.setFilter(QDir::Files | QDir::Readable);
    QStringList names = dir.entryList();
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return nameOrder(a, b) < 0; });
    QStringList paths;
    for (const QString &n : names)
        paths << dir.absoluteFilePath(n);
    return paths;
}

QStringList cdTrackRows(int drive) {
    const std::unique_ptr<sound::CdDrive> cd = sound::CdDrive::open(drive);
    QStringList rows;
    if (!cd)
        return rows;
    for (int t = cd->firstTrack(); t < cd->firstTrack() + cd->trackCount(); ++t)
        if (cd->isAudioTrack(t))
            rows << PlayList::cdTrackPath(cd->path(), t);
    return rows;
}

QStringList readM3u(const QString &listPath, bool *ok) {
    if (ok != nullptr)
        *ok = false;
    QFile file(listPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxListBytes)
        return {};
    const bool utf8Only = listPath.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
    const QString text = decode(file.readAll(), utf8Only);
    const QDir base = QFileInfo(listPath).absoluteDir();
    QStringList paths;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        // No path holds a NUL: such a line is damage, not an entry.
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.contains(QChar(0)))
            continue;
        if (line.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(line);
            if (!url.isLocalFile())
                continue;
            line = url.toLocalFile();
        } else if (line.contains(QLatin1String("://"))) {
            continue; // streams on the network are not played here
        }
        line.replace(QLatin1Char('\\'), QLatin1Char('/'));
        paths << QDir::cleanPath(base.absoluteFilePath(line));
    }
    if (ok != nullptr)
        *ok = true;
    return paths;
}

bool writeM3u(const QString &listPath, const QStringList &paths, const QStringList &names) {
    const QDir base = QFileInfo(listPath).absoluteDir();
    QByteArray out = "#EXTM3U\n";
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        QString entry = path;
        const QString relative = base.relativeFilePath(path);
        if (QFileInfo(path).isAbsolute() && !relative.startsWith(QLatin1String("../")))
            entry = relative;
        // A name that would read back as a comment or an address keeps its folder.
        if (entry.startsWith(QLatin1Char('#')) || entry.contains(QLatin1String("://")) ||
            entry.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            entry = QStringLiteral("./") + entry;
        QString name = names.value(i);
        if (name.isEmpty())
            name = QFileInfo(path).completeBaseName();
        name.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        out += "#EXTINF:-1," + name.toUtf8() + '\n';
        out += entry.toUtf8() + '\n';
    }
    QSaveFile file(listPath);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.commit();
}

} // namespace pelvanto::playlistfiles
