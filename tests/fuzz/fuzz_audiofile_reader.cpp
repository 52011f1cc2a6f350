// Feeds arbitrary bytes to the audio-file reader under every extension it treats specially
// (and the general FFmpeg path): opening, reading, seeking and reading again must end without
// a crash or a hang.
#include "audiofile/AudioFile.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    static const char *const extensions[] = {"wav", "mp3",  "ogg",  "vox", "raw", "g726",
                                             "wma", "flac", "aiff", "au",  "bin"};
    if (size < 2)
        return 0;
    const char *ext = extensions[data[0] % (sizeof extensions / sizeof *extensions)];
    const QString path = dir.filePath(QStringLiteral("input.%1").arg(QLatin1String(ext)));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data + 1), static_cast<qint64>(size - 1));
    }
    pelvanto::AudioFile file;
    // Headerless formats take their shape from the settings: vary them too.
    file.SetRawFormat(1 + data[1] % 3, 8000, 1 + (data[1] >> 2) % 2, 16);
    file.SetG726Format(8000, 2 + (data[1] >> 3) % 4);
    if (file.OpenRead(path, 0, 1) != 0)
        return 0;
    (void)file.FormatDescription();
    const qint64 length = file.LengthSamples();
    qint64 total = 0;
    for (int i = 0; i < 64; ++i) {
        const QVector<qint16> block = file.ReadBlock(4096);
        if (block.isEmpty())
            break;
        total += block.size();
    }
    file.SeekTo(length > 0 ? length / 2 : 100, 3);
    (void)file.ReadBlock(4096);
    file.SeekTo(0, 3);
    (void)file.ReadBlock(4096);
    file.CloseFile();
    (void)total;
    return 0;
}
