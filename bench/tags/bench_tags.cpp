// Tag editor folder scan: a recursive search over 10,000 small MP3 files and
// reading both of their tags, against a plain TagLib reader of the same files
// in the same run. Prints both times and the ratio (goal: at most 1.2).
#include "ToneMp3.h"
#include "clsFind.h"
#include "clsID3v1.h"
#include "clsID3v23.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace pelvanto;

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;

bool makeLibrary(const QString &root, const QByteArray &mp3) {
    for (int d = 0; d < kFolders; ++d) {
        const QString folder = QStringLiteral("%1/artist %2/album").arg(root).arg(d);
        if (!QDir().mkpath(folder))
            return false;
        for (int n = 0; n < kFilesPerFolder; ++n) {
            const QString path =
                QStringLiteral("%1/%2 - Song number %3.mp3").arg(folder).arg(n).arg(n);
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(mp3) != mp3.size())
                return false;
            f.close();
            clsID3v23 v2;
            v2.setFilename(path);
            v2.setTagTitle(QStringLiteral("Song number %1").arg(n));
            v2.setTagArtist(QStringLiteral("Artist %1").arg(d));
            v2.setTagAlbum(QStringLiteral("Album %1").arg(d));
            v2.setTagTrack(QString::number(n + 1));
            v2.setTagYear(QStringLiteral("2001"));
            v2.setTagGenre(QStringLiteral("Rock"));
            v2.setTagComments(QStringLiteral("A comment on song %1").arg(n));
            v2.setTagComposer(QStringLiteral("Composer"));
            if (!v2.SaveTag())
                return false;
            clsID3v1 v1;
            v1.setFilename(path);
            v1.setTagTitle(v2.tagTitle());
            v1.setTagArtist(v2.tagArtist());
            v1.setTagAlbum(v2.tagAlbum());
            v1.setTagYear(v2.tagYear());
            v1.setTagTrack(static_cast<std::uint8_t>(n + 1));
            v1.setTagGenre(17);
            if (!v1.SaveTag())
                return false;
        }
    }
    return true;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Times {
    double wall = 0;
    double cpu = 0;
};

// What the tag editor does for a folder: search, then both tags of each file.
Times pelvantoScan(const QString &root, long &files, long &chars) {
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = cpuMs();
    clsFind find;
    find.Find(root, QStringLiteral("*.mp3"), true);
    files = 0;
    chars = 0;
    clsID3v1 v1;
    clsID3v23 v2;
    for (const clsFile &file : find) {
        ++files;
        v1.setFilename(file.sFilename());
        if (v1.ReadTag())
            chars += v1.tagTitle().size() + v1.tagArtist().size() + v1.tagAlbum().size() +
                     v1.tagComments().size() + v1.tagTrack() + v1.tagStrGenre().size();
        v2.setFilename(file.sFilename());
        if (v2.ReadTag())
            chars += v2.tagTrack().size() + v2.tagTitle().size() + v2.tagArtist().size() +
                     v2.tagAlbum().size() + v2.tagYear().size() + v2.tagGenre().size() +
                     v2.tagComments().size() + v2.tagComposer().size() + v2.tagOrigArtist().size() +
                     v2.tagCopyright().size() + v2.tagURL().size() + v2.tagEncodedBy().size() +
                     file.lSize() % 2;
    }
    return {static_cast<double>(timer.nsecsElapsed()) / 1e6, cpuMs() - cpu0};
}

Times taglibScan(const QString &reader, const QString &root, long &files) {
    QProcess p;
    p.start(reader, {root});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return {-1, -1};
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() < 4)
        return {-1, -1};
    files = parts[1].toLong();
    return {parts[0].toDouble(), parts[3].toDouble()};
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString reader = QCoreApplication::applicationDirPath() + "/bench_tags_taglib";
    QTemporaryDir dir;
    const QByteArray mp3 = benchToneMp3(dir.path());
    if (mp3.isEmpty()) {
        std::fprintf(stderr, "bench_tags: lame is needed\n");
        return 1;
    }
    // A folder given on the command line is filled once and reused by later runs.
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("library");
    if (!QFileInfo::exists(root + "/artist 99/album/99 - Song number 99.mp3") &&
        !makeLibrary(root, mp3)) {
        std::fprintf(stderr, "bench_tags: cannot make the files\n");
        return 1;
    }
    long files = 0;
    long chars = 0;
    long taglibFiles = 0;
    (void)pelvantoScan(root, files, chars); // warm the cache for both
    (void)taglibScan(reader, root, taglibFiles);
    // Best of several interleaved rounds; CPU time is the steadier measure on
    // a busy machine, wall time includes the file system.
    Times ours{1e300, 1e300};
    Times theirs{1e300, 1e300};
    for (int round = 0; round < 7; ++round) {
        const Times o = pelvantoScan(root, files, chars);
        const Times t = taglibScan(reader, root, taglibFiles);
        if (t.wall < 0) {
            std::fprintf(stderr, "bench_tags: the TagLib reader failed\n");
            return 1;
        }
        ours = {std::min(ours.wall, o.wall), std::min(ours.cpu, o.cpu)};
        theirs = {std::min(theirs.wall, t.wall), std::min(theirs.cpu, t.cpu)};
    }
    if (files != taglibFiles || files != long(kFolders) * kFilesPerFolder) {
        std::fprintf(stderr, "bench_tags: file counts differ (%ld, %ld)\n", files, taglibFiles);
        return 1;
    }
    std::printf("tags: %ld files, search + both tags\n"
                "  wall: pelvanto %.1f ms, taglib %.1f ms, ratio %.2f (goal <= 1.20)\n"
                "  cpu:  pelvanto %.1f ms, taglib %.1f ms, ratio %.2f (goal <= 1.20)\n",
                files, ours.wall, theirs.wall, ours.wall / theirs.wall, ours.cpu, theirs.cpu,
                ours.cpu / theirs.cpu);
    return 0;
}
