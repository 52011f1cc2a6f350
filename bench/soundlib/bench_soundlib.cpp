// The tag editor's folder scan through the sound library wrapper: opening 10,000 small tagged
// MP3 files for their tags and reading the nineteen fields it asks for, against a plain TagLib
// reader (tags only, no audio properties) of the same files in the same run. Prints both times
// and the ratio (goal: at most 1.0).
#include "TagLibReaderRun.h"
#include "clsFMOD.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace pelvanto;

namespace {

constexpr int kFiles = 10000;
constexpr int kRuns = 3;

const char *const kV1Fields[] = {"TITLE", "ALBUM", "ARTIST", "COMMENT", "GENRE", "TRACK", "YEAR"};
const char *const kV2Fields[] = {"TALB", "TPE1", "COMM", "TCOM", "TCOP", "TENC",
                                 "TCON", "TOPE", "TIT2", "TRCK", "WXXX", "TYER"};

QByteArray frame(const char *id, const QByteArray &body) {
    QByteArray out(id);
    const auto n = static_cast<quint32>(body.size());
    for (int shift : {24, 16, 8, 0})
        out += char((n >> shift) & 0xFF);
    return out + QByteArray(2, '\0') + body;
}

QByteArray text(const QString &s) {
    return QByteArray(1, '\0') + s.toLatin1();
}

// An ID3v2.3 tag of the twelve frames, with padding as taggers leave it, the audio, and an
// ID3v1 tag.
QByteArray taggedFile(const QByteArray &audio, int n) {
    QByteArray frames;
    frames += frame("TIT2", text(QStringLiteral("Song number %1").arg(n)));
    frames += frame("TPE1", text(QStringLiteral("Artist %1").arg(n / 100)));
    frames += frame("TALB", text(QStringLiteral("Album %1").arg(n / 100)));
    frames += frame("TRCK", text(QString::number(n % 100 + 1)));
    frames += frame("TYER", text(QStringLiteral("2001")));
    frames += frame("TCON", text(QStringLiteral("(17)Rock")));
    frames += frame("COMM",
                    QByteArray("\0eng\0", 5) + QStringLiteral("A comment on %1").arg(n).toLatin1());
    frames += frame("TCOM", text(QStringLiteral("Composer")));
    frames += frame("TOPE", text(QStringLiteral("Original")));
    frames += frame("TCOP", text(QStringLiteral("2001 Someone")));
    frames += frame("WXXX", QByteArray("\0\0http://example.org/", 21) + QByteArray::number(n));
    frames += frame("TENC", text(QStringLiteral("Encoder")));
    frames += QByteArray(512, '\0');
    QByteArray tag("ID3\3\0\0", 6);
    const auto size = static_cast<quint32>(frames.size());
    for (int shift : {21, 14, 7, 0})
        tag += char((size >> shift) & 0x7F);
    QByteArray v1 =
        "TAG" + QStringLiteral("Song number %1").arg(n).toLatin1().leftJustified(30, '\0') +
        QByteArray("Artist").leftJustified(30, '\0') + QByteArray("Album").leftJustified(30, '\0') +
        "2001" + QByteArray("Comment").leftJustified(28, '\0') + char(0) + char(n % 100 + 1) +
        char(17);
    return tag + frames + audio + v1;
}

// A tenth of a second of tone as MP3, encoded once.
QByteArray toneMp3(const QString &dir) {
    const QString path = dir + QStringLiteral("/tone.mp3");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "quiet", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.1", "-ac", "1",
                  "-b:a", "64k", path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    QFile out(path);
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

// What the tag editor does for a folder: open each file, read the nineteen fields, close.
double wrapperScan(const QString &folder, long &files, long &chars) {
    QElapsedTimer timer;
    timer.start();
    clsFMOD fmod;
    files = 0;
    chars = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder.toStdString())) {
        if (!entry.is_regular_file() || entry.path().extension() != ".mp3")
            continue;
        ++files;
        const qint32 handle = fmod.GetStreamOpenFile(QString::fromStdString(entry.path()), false);
        for (const char *name : kV1Fields) {
            QString field = QString::fromLatin1(name);
            chars += fmod.GetStreamTag(handle, 1, field).size();
        }
        for (const char *name : kV2Fields) {
            QString field = QString::fromLatin1(name);
            chars += fmod.GetStreamTag(handle, 2, field).size();
        }
        fmod.GetStreamCloseFile(handle);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString reader = QCoreApplication::applicationDirPath() + "/bench_tags_taglib";
    QTemporaryDir dir;
    const QByteArray mp3 = toneMp3(dir.path());
    if (mp3.isEmpty()) {
        std::fprintf(stderr, "bench_soundlib: ffmpeg is needed\n");
        return 1;
    }
    // A folder given on the command line is filled once and reused by later runs.
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("folder");
    if (!QFileInfo::exists(QStringLiteral("%1/%2.mp3").arg(folder).arg(kFiles - 1))) {
        QDir().mkpath(folder);
        for (int n = 0; n < kFiles; ++n) {
            QFile f(QStringLiteral("%1/%2.mp3").arg(folder).arg(n));
            const QByteArray bytes = taggedFile(mp3, n);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
                std::fprintf(stderr, "bench_soundlib: cannot write the files\n");
                return 1;
            }
        }
    }
    long files = 0;
    long chars = 0;
    long taglibFiles = 0;
    // One untimed pass each brings the files into the page cache.
    wrapperScan(folder, files, chars);
    taglibReaderMs(reader, folder, taglibFiles);
    double ours = 1e300;
    double theirs = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        ours = std::min(ours, wrapperScan(folder, files, chars));
        const double t = taglibReaderMs(reader, folder, taglibFiles);
        if (t < 0) {
            std::fprintf(stderr, "bench_soundlib: the TagLib reader failed\n");
            return 1;
        }
        theirs = std::min(theirs, t);
    }
    std::printf("files: %ld (TagLib %ld), characters read: %ld\n", files, taglibFiles, chars);
    std::printf("wrapper scan: %.1f ms, TagLib reader: %.1f ms, ratio %.2f (goal <= 1.0)\n", ours,
                theirs, ours / theirs);
    return 0;
}
