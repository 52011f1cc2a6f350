// Feeds arbitrary bytes as an MP3 file to the tag classes: reading must not
// crash, an ID3v1 save must read back what it wrote, and removing the tag
// must give back exactly the bytes in front of it.
#include "clsID3v1.h"
#include "clsID3v23.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.mp3"));
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(input) != input.size())
            std::abort();
    }

    pelvanto::clsID3v23 v2;
    v2.setFilename(path);
    (void)v2.HasTag();
    (void)v2.ReadTag();
    (void)v2.tagTrimmedGenre();

    pelvanto::clsID3v1 v1;
    v1.setFilename(path);
    const bool had = v1.HasTag();
    if (v1.ReadTag() != had)
        std::abort();
    (void)v1.tagTitle();
    (void)v1.tagComments();
    (void)v1.tagStrGenre();

    // Fields taken from the input itself, as Latin-1.
    const QString text = QString::fromLatin1(input.left(40));
    v1.setTagTitle(text);
    v1.setTagYear(text.right(4));
    (void)v1.setTagComments(text);
    if (!v1.SaveTag()) {
        if (size >= 128 || readAll(path) != input)
            std::abort();
        return 0;
    }
    const qint64 expected = static_cast<qint64>(size) + (had ? 0 : 128);
    pelvanto::clsID3v1 back;
    back.setFilename(path);
    if (readAll(path).size() != expected || !back.ReadTag() || back.tagTitle() != v1.tagTitle() ||
        back.tagComments() != v1.tagComments() || back.tagTrack() != v1.tagTrack())
        std::abort();
    if (!back.RemoveTag() || readAll(path) != input.left(expected - 128))
        std::abort();
    return 0;
}
