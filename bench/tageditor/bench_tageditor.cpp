// The tag editor's folder scan: 10,000 tagged MP3 files in one folder scanned into rows (the
// nineteen fields, size and date), against a plain TagLib reader of the same folder and, when
// it is installed, kid3-cli listing it, in the same run. Prints the times and the ratios
// (goals: at most 1.3 x the TagLib reader, at most 0.3 x kid3-cli).
#include "TagFolderScan.h"
#include "TagLibReaderRun.h"
#include "ToneMp3.h"
#include "clsID3v1.h"
#include "clsID3v23.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace pelvanto;

namespace {

constexpr int kFiles = 10000;

bool makeFolder(const QString &folder, const QByteArray &mp3) {
    if (!QDir().mkpath(folder))
        return false;
    for (int n = 0; n < kFiles; ++n) {
        const QString path =
            QStringLiteral("%1/Artist %2 - Song number %3.mp3").arg(folder).arg(n % 97).arg(n);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(mp3) != mp3.size())
            return false;
        f.close();
        clsID3v23 v2;
        v2.setFilename(path);
        v2.setTagTitle(QStringLiteral("Song number %1").arg(n));
        v2.setTagArtist(QStringLiteral("Artist %1").arg(n % 97));
        v2.setTagAlbum(QStringLiteral("Album %1").arg(n % 13));
        v2.setTagTrack(QString::number(n % 20 + 1));
        v2.setTagYear(QStringLiteral("2001"));
        v2.setTagGenre(QStringLiteral("Rock"));
        v2.setTagComments(QStringLiteral("A comment on song %1").arg(n));
        v2.setTagComposer(QStringLiteral("Composer"));
        v2.setTagURL(QStringLiteral("http://example.org/%1").arg(n));
        if (!v2.SaveTag())
            return false;
        clsID3v1 v1;
        v1.setFilename(path);
        v1.setTagTitle(v2.tagTitle());
        v1.setTagArtist(v2.tagArtist());
        v1.setTagAlbum(v2.tagAlbum());
        v1.setTagYear(v2.tagYear());
        v1.setTagTrack(static_cast<std::uint8_t>(n % 20 + 1));
        v1.setTagGenre(17);
        if (!v1.SaveTag())
            return false;
    }
    return true;
}

// The window's scan: rows delivered to this thread from the scanner's own.
double pelvantoScan(const QString &folder, long &rows, long &chars) {
    FolderScanner scanner;
    QEventLoop loop;
    rows = 0;
    chars = 0;
    QObject::connect(&scanner, &FolderScanner::rowsReady, [&](int, const QList<ScanRow> &batch) {
        for (const ScanRow &row : batch) {
            ++rows;
            chars += row.item.v1[V1Title].size() + row.item.v2[V2URL].size() + row.size.size() +
                     row.date.size();
        }
    });
    QObject::connect(&scanner, &FolderScanner::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    scanner.start(folder);
    loop.exec();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double kid3Scan(const QString &kid3, const QString &folder) {
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(kid3, {"-c", QStringLiteral("cd \"%1\"").arg(folder), "-c", "ls"});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString reader = QCoreApplication::applicationDirPath() + "/bench_tageditor_taglib";
    QTemporaryDir dir;
    const QByteArray mp3 = benchToneMp3(dir.path());
    if (mp3.isEmpty()) {
        std::fprintf(stderr, "bench_tageditor: lame is needed\n");
        return 1;
    }
    // A folder given on the command line is filled once and reused by later runs.
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("songs");
    if (!QFileInfo::exists(QStringLiteral("%1/Artist %2 - Song number %3.mp3")
                               .arg(folder)
                               .arg((kFiles - 1) % 97)
                               .arg(kFiles - 1)) &&
        !makeFolder(folder, mp3)) {
        std::fprintf(stderr, "bench_tageditor: cannot make the files\n");
        return 1;
    }
    const QString kid3 = QStandardPaths::findExecutable(QStringLiteral("kid3-cli"));
    long rows = 0;
    long chars = 0;
    long taglibFiles = 0;
    (void)pelvantoScan(folder, rows, chars); // warm the cache for all
    (void)taglibReaderMs(reader, folder, taglibFiles);
    double ours = 1e300;
    double theirs = 1e300;
    double kid3Ms = 1e300;
    for (int round = 0; round < 5; ++round) {
        ours = std::min(ours, pelvantoScan(folder, rows, chars));
        const double t = taglibReaderMs(reader, folder, taglibFiles);
        if (t < 0) {
            std::fprintf(stderr, "bench_tageditor: the TagLib reader failed\n");
            return 1;
        }
        theirs = std::min(theirs, t);
        if (!kid3.isEmpty() && round < 3) {
            const double k = kid3Scan(kid3, folder);
            if (k >= 0)
                kid3Ms = std::min(kid3Ms, k);
        }
    }
    if (rows != taglibFiles || rows != kFiles) {
        std::fprintf(stderr, "bench_tageditor: file counts differ (%ld, %ld)\n", rows, taglibFiles);
        return 1;
    }
    std::printf("tag editor scan: %ld files in one folder, rows with nineteen fields, size, date\n"
                "  pelvanto %.1f ms, taglib %.1f ms, ratio %.2f (goal <= 1.30)\n",
                rows, ours, theirs, ours / theirs);
    if (kid3.isEmpty())
        std::printf("  kid3-cli: not installed, comparison skipped "
                    "(install it with: sudo apt-get install kid3-cli)\n");
    else if (kid3Ms >= 1e300)
        std::printf("  kid3-cli: failed to list the folder, comparison skipped\n");
    else
        std::printf("  kid3-cli %.1f ms, ratio %.2f (goal <= 0.30)\n", kid3Ms, ours / kid3Ms);
    return 0;
}
