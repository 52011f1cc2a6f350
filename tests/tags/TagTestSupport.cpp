#include "TagTestSupport.h"

#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace tagtest {

QByteArray toneMp3() {
    static QByteArray cached;
    if (!cached.isEmpty() || !testsupport::hasTool(QStringLiteral("lame")))
        return cached;
    QTemporaryDir dir;
    const QVector<qint16> tone = testsupport::sineTone(44100, 1, 22050, 440.0);
    writeFile(dir.filePath(QStringLiteral("tone.raw")),
              QByteArray(reinterpret_cast<const char *>(tone.constData()),
                         tone.size() * qsizetype(sizeof(qint16))));
    const auto r = testsupport::runTool(
        QStringLiteral("lame"),
        {QStringLiteral("--quiet"), QStringLiteral("-r"), QStringLiteral("-s"),
         QStringLiteral("44.1"), QStringLiteral("--bitwidth"), QStringLiteral("16"),
         QStringLiteral("--signed"), QStringLiteral("--little-endian"), QStringLiteral("-m"),
         QStringLiteral("m"), dir.filePath(QStringLiteral("tone.raw")),
         dir.filePath(QStringLiteral("tone.mp3"))});
    if (r.exitCode == 0)
        cached = readFile(dir.filePath(QStringLiteral("tone.mp3")));
    return cached;
}

QString makeMp3(const QString &dir, const QString &name) {
    QString path = QDir(dir).filePath(name);
    writeFile(path, toneMp3());
    return path;
}

static qint64 id3v2End(const QByteArray &file) {
    if (file.size() < 10 || !file.startsWith("ID3"))
        return 0;
    const auto b = [&](int i) { return qint64(static_cast<unsigned char>(file[i])); };
    const qint64 size = (b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9);
    return 10 + size + ((b(3) == 4 && (b(5) & 0x10)) ? 10 : 0);
}

QByteArray audioPart(const QByteArray &file) {
    const qint64 begin = id3v2End(file);
    qint64 end = file.size();
    if (end - begin >= 128 && file.mid(end - 128, 3) == "TAG")
        end -= 128;
    return file.mid(begin, end - begin);
}

QByteArray audioChecksum(const QString &path) {
    return QCryptographicHash::hash(audioPart(readFile(path)), QCryptographicHash::Sha256).toHex();
}

QStringList frameIds(const QByteArray &file) {
    QStringList ids;
    const qint64 end = std::min<qint64>(id3v2End(file), file.size());
    const bool v4 = file.size() > 3 && file[3] == 4;
    qint64 pos = 10;
    while (pos + 10 <= end && file[pos] != 0) {
        const auto b = [&](qint64 i) { return qint64(static_cast<unsigned char>(file[i])); };
        const qint64 size =
            v4 ? (b(pos + 4) << 21) | (b(pos + 5) << 14) | (b(pos + 6) << 7) | b(pos + 7)
               : (b(pos + 4) << 24) | (b(pos + 5) << 16) | (b(pos + 6) << 8) | b(pos + 7);
        ids << QString::fromLatin1(file.mid(pos, 4));
        pos += 10 + size;
    }
    return ids;
}

QString run(const QString &program, const QStringList &args) {
    const auto r = testsupport::runTool(program, args);
    if (r.exitCode != 0)
        qWarning("%s failed: %s", qPrintable(program), r.err.constData());
    [&] { QCOMPARE(r.exitCode, 0); }();
    return QString::fromUtf8(r.out);
}

QStringList strayFiles(const QString &dir, const QStringList &keep) {
    QStringList stray;
    for (const QString &name :
         QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!keep.contains(name))
            stray << name;
    return stray;
}

} // namespace tagtest
