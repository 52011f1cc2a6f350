#include "TextLines.h"

#include <QFileInfo>
#include <QSaveFile>

namespace pelvanto {

QList<QByteArray> splitTextLines(const QByteArray &data) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(data.mid(start));
    return lines;
}

QByteArray tabRow(const QStringList &fields) {
    return fields.join(QLatin1Char('\t')).toUtf8() + "\r\n";
}

bool isReplaceableFile(const QString &path) {
    const QFileInfo info(path); // follows symbolic links
    return info.isFile() || !info.exists();
}

QString notRegularFileMessage(const QString &path) {
    return path + QStringLiteral(" is not a regular file (it is a device, a pipe or a folder), "
                                 "so it was not replaced. Choose another file name.");
}

bool saveFileAtomically(const QString &path, const QByteArray &data) {
    if (!isReplaceableFile(path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace pelvanto
