#include "PathHelpers.h"
#include "TagTestSupport.h"
#include "TestSupport.h"
#include "clsFile.h"
#include "clsFind.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace pelvanto;
using namespace tagtest;

namespace {

QStringList names(const clsFind &find) {
    QStringList out;
    for (const clsFile &f : find)
        out << f.sNameAndExtension();
    return out;
}

// The files of a folder in the order the file system lists them, as find(1) sees it.
QStringList fileSystemOrder(const QString &folder, const QString &pattern) {
    const QString out =
        run(QStringLiteral("find"), {folder, "-mindepth", "1", "-maxdepth", "1", "-type", "f",
                                     "-iname", pattern, "-printf", "%f\\n"});
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void touch(const QString &path, const QByteArray &data = "x") {
    QVERIFY(writeFile(path, data));
}

} // namespace

class TestFileSearch : public QObject {
    Q_OBJECT

private slots:
    void cutAtNul() {
        QCOMPARE(CutAtNul(QStringLiteral("abc")), QStringLiteral("abc"));
        QCOMPARE(CutAtNul(QString::fromLatin1("ab\0cd", 5)), QStringLiteral("ab"));
        QCOMPARE(CutAtNul(QString::fromLatin1("\0x", 2)), QString());
        QCOMPARE(CutAtNul(QString()), QString());
    }

    void splitPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("parts");
        QTest::addColumn<QString>("expected");
        const QString song = QStringLiteral("/home/me/Music/Song.Live.mp3");
        QTest::newRow("name") << song << 1 << "Song.Live";
        QTest::newRow("extension") << song << 2 << "mp3";
        QTest::newRow("name and extension") << song << 3 << "Song.Live.mp3";
        QTest::newRow("folder") << song << 4 << "/home/me/Music/";
        QTest::newRow("everything") << song << 7 << song;
        QTest::newRow("no dot, name") << "/music/track" << 1 << "track";
        QTest::newRow("no dot, extension") << "/music/track" << 2 << "";
        QTest::newRow("no dot, both") << "/music/track" << 3 << "track";
        QTest::newRow("dot in folder, name") << "/My.Music/track" << 1 << "track";
        QTest::newRow("dot in folder, extension") << "/My.Music/track" << 2 << "";
        QTest::newRow("bare name") << "Intro.mp3" << 1 << "Intro";
        QTest::newRow("bare name, folder") << "Intro.mp3" << 4 << "";
        QTest::newRow("trailing dot") << "/m/a." << 3 << "a.";
        QTest::newRow("folder only path") << "/m/dir/" << 1 << "";
        QTest::newRow("dash title") << "/m/Some Artist - the_best%20of (live).mp3" << 1
                                    << "Some Artist - the_best%20of (live)";
    }

    void splitPath() {
        QFETCH(QString, path);
        QFETCH(int, parts);
        QFETCH(QString, expected);
        QCOMPARE(SplitPath(path, parts), expected);
    }

    void findInOneFolder() {
        QTemporaryDir dir;
        for (const char *n : {"b.mp3", "a.mp3", "C.MP3", "notes.txt", "mp3", "x.mp3.bak"})
            touch(dir.filePath(n));
        QVERIFY(QDir(dir.path()).mkdir("sub.mp3")); // a folder is never listed
        touch(dir.filePath("sub.mp3/d.mp3"));

        clsFind find;
        QCOMPARE(find.Find(dir.path(), "*.mp3", false), 3);
        const QStringList first = names(find);
        QCOMPARE(first, fileSystemOrder(dir.path(), "*.mp3"));
        // With or without the final "/", the same entries.
        find.Clear();
        QCOMPARE(find.Count(), 0);
        QCOMPARE(find.Find(dir.path() + "/", "*.mp3", false), 3);
        QCOMPARE(names(find), first);
        // Without Clear, results accumulate.
        QCOMPARE(find.Find(dir.path(), "*.txt", false), 4);
        QCOMPARE(find.Item(4).sNameAndExtension(), QStringLiteral("notes.txt"));
        QCOMPARE(find.Item(4).sFilename(), dir.filePath("notes.txt"));
        // Several patterns; a file matching two is listed twice.
        find.Clear();
        QCOMPARE(find.Find(dir.path(), "*.txt;a*;*.MP3", false), 5);
        QCOMPARE(names(find).mid(0, 2), QStringList({"notes.txt", "a.mp3"}));
        QCOMPARE(names(find).count("a.mp3"), 2);
        find.Clear();
        QCOMPARE(find.Find(dir.path(), "?.mp3", false), 3);
        find.Clear();
        QCOMPARE(find.Find(dir.path(), "*.*", false), 6); // names without a dot too
        // Missing folders add nothing.
        QCOMPARE(find.Find(dir.filePath("nowhere"), "*.mp3", true), 6);
        QCOMPARE(find.Find(dir.filePath("notes.txt"), "*", true), 6);
    }

    void recursiveSearchListsSubfoldersFirst() {
        QTemporaryDir dir;
        QDir root(dir.path());
        touch(dir.filePath("b.mp3"));
        touch(dir.filePath("a.mp3"));
        QVERIFY(root.mkpath("sub/deeper"));
        touch(dir.filePath("sub/c.mp3"));
        touch(dir.filePath("sub/deeper/e.mp3"));
        QVERIFY(root.mkpath("other"));
        touch(dir.filePath("other/f.mp3"));
        // Links back up the tree must not make the search run forever.
        QVERIFY(QFile::link(dir.path(), dir.filePath("sub/deeper/loop")));
        QVERIFY(QFile::link(dir.filePath("sub"), dir.filePath("sub/again")));

        clsFind find;
        QCOMPARE(find.Find(dir.path(), "*.mp3", true), 5);
        const QStringList found = names(find);
        QCOMPARE(found.mid(3), fileSystemOrder(dir.path(), "*.mp3"));
        QCOMPARE(QSet<QString>(found.begin(), found.begin() + 3),
                 QSet<QString>({"c.mp3", "e.mp3", "f.mp3"}));
        // Depth first: e.mp3 of sub/deeper comes right before c.mp3 of sub.
        QCOMPARE(found.indexOf("e.mp3") + 1, found.indexOf("c.mp3"));
        QCOMPARE(find.Item(found.indexOf("e.mp3") + 1).sFilename(),
                 dir.filePath("sub/deeper/e.mp3"));
    }

    void itemAndRemove() {
        QTemporaryDir dir;
        for (const char *n : {"1.mp3", "2.mp3", "3.mp3"})
            touch(dir.filePath(n));
        clsFind find;
        QCOMPARE(find.Find(dir.path(), "*.mp3", false), 3);
        const QString second = find.Item(2).sFilename();
        const QString third = find.Item(3).sFilename();
        find.Remove(2);
        QCOMPARE(find.Count(), 2);
        QCOMPARE(find.Item(2).sFilename(), third);
        QVERIFY(find.Item(1).sFilename() != second);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, find.Item(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, find.Item(3));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, find.Remove(3));
        QCOMPARE(find.Count(), 2);
    }

    void fileInformation() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Track.Name.mp3");
        touch(path, QByteArray(5000, 'x'));
        // A known instant: 2020-06-15 12:34:56.789 UTC.
        const timespec times[2] = {{1592224496, 789000000}, {1592224496, 789000000}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);

        clsFile f;
        QCOMPARE(f.lSize(), 0);
        f.setSFilename(path);
        QCOMPARE(f.lSize(), 5000);
        QCOMPARE(f.sName(), QStringLiteral("Track.Name"));
        QCOMPARE(f.sExtension(), QStringLiteral("mp3"));
        QCOMPARE(f.sNameAndExtension(), QStringLiteral("Track.Name.mp3"));
        const QDateTime written = f.dLastWriteTime();
        QCOMPARE(written.timeSpec(), Qt::LocalTime);
        QCOMPARE(written.toUTC(), QDateTime(QDate(2020, 6, 15), QTime(12, 34, 56), Qt::UTC));
        QCOMPARE(written, QFileInfo(path).lastModified().addMSecs(-789));
        QCOMPARE(f.dLastWriteTime(), written); // reading again changes nothing
        {
            // Shown in the local time zone: 12:34:56 UTC is 18:04:56 at UTC+5:30.
            const QByteArray oldTz = qgetenv("TZ");
            qputenv("TZ", "IST-5:30");
            ::tzset();
            const QDateTime local = f.dLastWriteTime();
            if (oldTz.isNull())
                qunsetenv("TZ");
            else
                qputenv("TZ", oldTz);
            ::tzset();
            QCOMPARE(local.time(), QTime(18, 4, 56));
            QCOMPARE(local.date(), QDate(2020, 6, 15));
        }
        QCOMPARE(f.dLastAccessTime(), written);
        QVERIFY(f.dCreationTime().isValid());
        QCOMPARE(f.eFileAttributes() & clsFile::AttrDirectory, 0u);
        QCOMPARE(f.info().numberOfLinks, 1u);

        // The file grows; RefreshInfo sees it. A vanished file keeps the record.
        touch(path, QByteArray(7000, 'y'));
        QCOMPARE(f.lSize(), 5000);
        f.RefreshInfo();
        QCOMPARE(f.lSize(), 7000);
        QVERIFY(QFile::remove(path));
        f.RefreshInfo();
        QCOMPARE(f.lSize(), 7000);
        clsFile missing;
        missing.setSFilename(dir.filePath("missing.mp3"));
        QCOMPARE(missing.lSize(), 0);
        QCOMPARE(missing.eFileAttributes(), 0u);
    }

    void sizesPastTwoAndFourGiB() {
        QTemporaryDir dir;
        const QString path = dir.filePath("big.wav");
        for (const qint64 size : {qint64(3) << 30, (qint64(5) << 30) + 123}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (!file.resize(size))
                QSKIP("no sparse files here");
            file.close();
            clsFile f;
            f.setSFilename(path);
            QCOMPARE(f.lSize(), size);
        }
    }

    void readOnlyAttribute() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.mp3");
        touch(path);
        clsFile f;
        f.setSFilename(path);
        QCOMPARE(f.eFileAttributes() & clsFile::AttrReadOnly, 0u);
        f.setEFileAttributes(clsFile::AttrReadOnly);
        QCOMPARE(f.eFileAttributes(), clsFile::AttrReadOnly);
        QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner, 0);
        f.RefreshInfo();
        QVERIFY(f.eFileAttributes() & clsFile::AttrReadOnly);
        f.setEFileAttributes(clsFile::AttrNormal);
        QVERIFY(QFileInfo(path).permissions() & QFile::WriteOwner);
        // A file that cannot be changed still stores the value.
        clsFile missing;
        missing.setSFilename(dir.filePath("missing"));
        missing.setEFileAttributes(clsFile::AttrHidden);
        QCOMPARE(missing.eFileAttributes(), clsFile::AttrHidden);
    }
};

QTEST_GUILESS_MAIN(TestFileSearch)
#include "tst_filesearch.moc"
