// Feeds arbitrary bytes as the start of an MP3 file to the ID3v2 component:
// reading must not crash, a save must read back what it wrote and keep the
// bytes behind the tag, and a failed save or remove must leave the file alone.
#include "Id3HeaderInput.h"
#include "id3v2/ID3v2TagComponent.h"

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

void writeAll(const QString &path, const QByteArray &data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        std::abort();
}

qint64 tagEnd(const QByteArray &file) {
    if (file.size() < 10 || !file.startsWith("ID3"))
        return 0;
    const auto b = [&](int i) { return qint64(static_cast<unsigned char>(file[i])); };
    if (b(3) < 2 || b(3) > 4 || b(4) == 0xFF || ((b(6) | b(7) | b(8) | b(9)) & 0x80))
        return 0;
    return 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9)) +
           ((b(3) == 4 && (b(5) & 0x10)) ? 10 : 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.mp3"));
    const QByteArray input = id3HeaderInput(data, size);
    writeAll(path, input);

    pelvanto::ID3v2TagComponent tag;
    if (tag.Load(path)) {
        QString value;
        for (qint16 i = 1; i <= pelvanto::ID3v2TagComponent::FrameCount; ++i)
            (void)tag.GetFrameText(i, value);
    }

    // Rewriting the file is slow; every fourth input goes on to save and remove.
    if (size % 4 != 0)
        return 0;
    const qint64 end = tagEnd(input);
    const QByteArray behind = end <= input.size() ? input.mid(end) : QByteArray();
    pelvanto::ID3v2TagComponent writer;
    const QString values[12] = {"3/9",     "Title Ω", "Artist", "Album", "1999",     "(17)Rock",
                                "Comment", "",        "Orig",   "Copy",  "http://x", "Enc"};
    for (qint16 i = 1; i <= 12; ++i)
        writer.SetFrameText(i, values[i - 1]);
    if (writer.Save(path, true)) {
        const QByteArray saved = readAll(path);
        if (!saved.startsWith("ID3\x03") || !saved.endsWith(behind))
            std::abort();
        pelvanto::ID3v2TagComponent reader;
        QString title;
        if (!reader.Load(path) || !reader.TagFound() || !reader.GetFrameText(2, title) ||
            title != values[1])
            std::abort();
        if (!reader.Remove(path, false) || readAll(path) != behind)
            std::abort();
    } else if (readAll(path) != input) {
        std::abort();
    }
    return 0;
}
