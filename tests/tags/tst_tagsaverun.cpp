#include "TagSaveRun.h"
#include "TagTestSupport.h"
#include "TestSupport.h"
#include "clsID3v1.h"
#include "clsID3v23.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace pelvanto;
using namespace tagtest;

namespace {

// An MP3 with both tags, as a file of the folder would be after a scan.
TagItem taggedFile(const QString &dir, const QString &name, const QString &title,
                   const QString &track) {
    TagItem item;
    item.fileName = makeMp3(dir, name);
    clsID3v1 v1;
    v1.setFilename(item.fileName);
    v1.setTagTitle(title);
    v1.setTagArtist(title + QStringLiteral(" artist"));
    v1.setTagYear(QStringLiteral("1990"));
    v1.setTagTrack(static_cast<std::uint8_t>(track.toInt()));
    v1.setTagGenre(17);
    v1.SaveTag();
    clsID3v23 v2;
    v2.setFilename(item.fileName);
    v2.setTagTitle(title);
    v2.setTagArtist(title + QStringLiteral(" artist"));
    v2.setTagTrack(track);
    v2.setTagYear(QStringLiteral("1990"));
    v2.setTagGenre(QStringLiteral("Rock"));
    v2.SaveTag();
    item.hasV1 = item.hasV2 = true;
    item.v1[V1Title] = item.v2[V2Title] = title;
    item.v1[V1Track] = item.v2[V2Track] = track;
    return item;
}

// What eyeD3 reads of one tag version ("1" or "2") of a file.
QString eyed3(const QString &version, const QString &path) {
    return run(QStringLiteral("eyeD3"),
               {QStringLiteral("--no-color"), QStringLiteral("-") + version, path});
}

QString mid3v2(const QString &path) {
    return run(QStringLiteral("mid3v2"), {QStringLiteral("--list-raw"), path});
}

clsID3v1 readV1(const QString &path) {
    clsID3v1 t;
    t.setFilename(path);
    t.ReadTag();
    return t;
}

} // namespace

class TestTagSaveRun : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        REQUIRE_TOOL("lame");
        REQUIRE_TOOL("mid3v2");
        REQUIRE_TOOL("eyeD3");
        QVERIFY(!toneMp3().isEmpty());
    }

    void singleSaveTrimsOnlyId3v1() {
        TagItem item;
        item.fileName = makeMp3(dir_.path(), QStringLiteral("single.mp3"));
        EditorFields f;
        f.hasV1 = f.hasV2 = true;
        f.v1[V1Track] = QStringLiteral("300"); // pasted past the track byte
        f.v1[V1Title] = QStringLiteral("  Spaced  ");
        f.v1[V1Comment] = QStringLiteral("c");
        f.v2[V2Track] = QStringLiteral("0");
        f.v2[V2Title] = QStringLiteral("  Spaced  ");
        f.v2[V2Composer] = QStringLiteral("Comp");
        f.v2Genre = QStringLiteral("Synth Pop");
        // No genre chosen for ID3v1.
        QVERIFY(TagSaveRun(f, {}).saveSingle(item));
        const clsID3v1 v1 = readV1(item.fileName);
        QCOMPARE(v1.tagTitle(), QStringLiteral("Spaced"));
        QCOMPARE(v1.tagTrack(), std::uint8_t(255));
        QCOMPARE(v1.tagGenre(), std::uint8_t(255));
        const QString raw = mid3v2(item.fileName);
        QVERIFY2(raw.contains("'  Spaced  '") && raw.contains("Comp") && raw.contains("Synth Pop"),
                 qPrintable(raw));
        // mid3v2 shows the ID3v1 track in place of a missing one: look at the tag itself.
        QVERIFY(!frameIds(readFile(item.fileName)).contains(QStringLiteral("TRCK")));
        QVERIFY(eyed3(QStringLiteral("1"), item.fileName).contains("Spaced"));
        QVERIFY(item.hasV1 && item.hasV2);
        QCOMPARE(item.v2[V2Track], QString());
        QCOMPARE(item.v1[V1Track], QStringLiteral("255"));
    }

    void longCommentAndTrack() {
        TagItem item;
        item.fileName = makeMp3(dir_.path(), QStringLiteral("comment.mp3"));
        EditorFields f;
        f.hasV1 = true;
        f.v1[V1Track] = QStringLiteral("5");
        f.v1[V1Comment] = QString(30, QLatin1Char('c'));
        QVERIFY(TagSaveRun(f, {}).saveSingle(item));
        // The track is set before the comment, which takes its byte.
        QCOMPARE(readV1(item.fileName).tagComments(), QString(30, QLatin1Char('c')));
        QCOMPARE(readV1(item.fileName).tagTrack(), std::uint8_t(0));
        SaveOptions o;
        o.trackFromIndex = true;
        TagSaveRun batch(f, o);
        QVERIFY(batch.saveNextChecked(item));
        QCOMPARE(readV1(item.fileName).tagComments(), QString(28, QLatin1Char('c')));
        QCOMPARE(readV1(item.fileName).tagTrack(), std::uint8_t(1));
    }

    void trackFromFileIndex_data() {
        QTest::addColumn<bool>("withV1");
        QTest::newRow("both tags") << true;
        QTest::newRow("ID3v2 only") << false;
    }
    void trackFromFileIndex() {
        QFETCH(bool, withV1);
        QTemporaryDir dir;
        std::vector<TagItem> items;
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
            items.push_back(taggedFile(dir.path(), QString::fromLatin1(name), QStringLiteral("T"),
                                       QStringLiteral("9")));
        EditorFields f;
        f.hasV1 = withV1;
        f.hasV2 = true;
        SaveOptions o;
        o.trackFromIndex = true;
        TagSaveRun run(f, o);
        for (TagItem &item : items)
            QVERIFY(run.saveNextChecked(item));
        for (int i = 0; i < 3; ++i) {
            const QString path = items[size_t(i)].fileName;
            const QString raw = mid3v2(path);
            QVERIFY2(
                raw.contains(
                    QStringLiteral("TRCK(encoding=<Encoding.LATIN1: 0>, text=['%1'])").arg(i + 1)),
                qPrintable(raw));
            if (withV1)
                QCOMPARE(readV1(path).tagTrack(), std::uint8_t(i + 1));
            else
                QVERIFY(!readV1(path).HasTag());
            QCOMPARE(items[size_t(i)].hasV1, withV1);
        }
    }

    void emptyFieldsKeepOriginalValues() {
        QTemporaryDir dir;
        std::vector<TagItem> items = {
            taggedFile(dir.path(), QStringLiteral("one.mp3"), QStringLiteral("One"), "1"),
            taggedFile(dir.path(), QStringLiteral("two.mp3"), QStringLiteral("Two"), "2")};
        EditorFields f;
        f.hasV1 = f.hasV2 = true;
        f.v1[V1Album] = QStringLiteral("Shared");
        f.v2[V2Album] = QStringLiteral("Shared");
        f.v2[V2Title] = QStringLiteral("   "); // blank counts as empty
        TagSaveRun run(f, {});
        for (TagItem &item : items)
            QVERIFY(run.saveNextChecked(item));
        for (const TagItem &item : items) {
            const QString own = item.v1[V1Title];
            const clsID3v1 v1 = readV1(item.fileName);
            QCOMPARE(v1.tagAlbum(), QStringLiteral("Shared"));
            QCOMPARE(v1.tagArtist(), own + QStringLiteral(" artist"));
            QCOMPARE(v1.tagYear(), QStringLiteral("1990"));
            QCOMPARE(v1.tagGenre(), std::uint8_t(17));
            const QString v2 = eyed3(QStringLiteral("2"), item.fileName);
            QVERIFY2(v2.contains("album: Shared") && v2.contains("title: " + own) &&
                         v2.contains("Rock"),
                     qPrintable(v2));
            QCOMPARE(item.v2[V2Title], own);
            QCOMPARE(item.v2[V2Album], QStringLiteral("Shared"));
        }
    }

    void grabTitleFromFileName() {
        QTemporaryDir dir;
        std::vector<TagItem> items = {
            taggedFile(dir.path(), QStringLiteral("Band - my_song.mp3"), QStringLiteral("Old"),
                       "1"),
            taggedFile(dir.path(), QStringLiteral("Intro.mp3"), QStringLiteral("Old"), "2")};
        EditorFields f;
        f.hasV1 = f.hasV2 = true;
        SaveOptions o;
        o.titleFromName = true;
        TagSaveRun run(f, o);
        for (TagItem &item : items)
            QVERIFY(run.saveNextChecked(item));
        QCOMPARE(readV1(items[0].fileName).tagTitle(), QStringLiteral("My Song"));
        QVERIFY(mid3v2(items[0].fileName).contains("My Song"));
        QCOMPARE(readV1(items[1].fileName).tagTitle(), QString());
        QVERIFY(!frameIds(readFile(items[1].fileName)).contains(QStringLiteral("TIT2")));
    }

    void untickedTagsAreRemoved() {
        QTemporaryDir dir;
        TagItem item = taggedFile(dir.path(), QStringLiteral("x.mp3"), QStringLiteral("X"), "1");
        const QByteArray audio = audioChecksum(item.fileName);
        EditorFields f; // neither tag ticked
        QVERIFY(TagSaveRun(f, {}).saveSingle(item));
        QVERIFY(!item.hasV1 && !item.hasV2);
        QVERIFY(!readV1(item.fileName).HasTag());
        QVERIFY(!readFile(item.fileName).startsWith("ID3"));
        QCOMPARE(audioChecksum(item.fileName), audio);
    }

    void unwritableFilesInABatch() {
        QTemporaryDir dir;
        std::vector<TagItem> items = {
            taggedFile(dir.path(), QStringLiteral("1.mp3"), QStringLiteral("A"), "1"),
            taggedFile(dir.path(), QStringLiteral("2.mp3"), QStringLiteral("B"), "2"),
            taggedFile(dir.path(), QStringLiteral("3.mp3"), QStringLiteral("C"), "3"),
            taggedFile(dir.path(), QStringLiteral("4.mp3"), QStringLiteral("D"), "4")};
        QVERIFY(::chmod(QFile::encodeName(items[1].fileName).constData(), 0444) == 0);
        QVERIFY(QFile::remove(items[2].fileName)); // vanished since the scan
        const QByteArray readOnly = readFile(items[1].fileName);
        const TagItem before = items[1];
        EditorFields f;
        f.hasV1 = f.hasV2 = true;
        f.v2[V2Album] = QStringLiteral("New");
        SaveOptions o;
        o.trackFromIndex = true;
        TagSaveRun run(f, o);
        QVERIFY(run.saveNextChecked(items[0]));
        QVERIFY(!run.saveNextChecked(items[1]));
        QVERIFY(!run.saveNextChecked(items[2]));
        QVERIFY(run.saveNextChecked(items[3]));
        QCOMPARE(readFile(items[1].fileName), readOnly);
        QCOMPARE(items[1].v2[V2Album], before.v2[V2Album]);
        QVERIFY(!QFileInfo::exists(items[2].fileName));
        // The file index counts every checked file, written or not.
        QCOMPARE(readV1(items[3].fileName).tagTrack(), std::uint8_t(4));
        QVERIFY(mid3v2(items[3].fileName).contains("New"));
        // No working copies are left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
        QVERIFY(::chmod(QFile::encodeName(items[1].fileName).constData(), 0644) == 0);
    }

    void keepsPermissionsAndSymlinks() {
        QTemporaryDir dir;
        TagItem item = taggedFile(dir.path(), QStringLiteral("p.mp3"), QStringLiteral("P"), "1");
        QVERIFY(::chmod(QFile::encodeName(item.fileName).constData(), 0640) == 0);
        const QString link = dir.filePath(QStringLiteral("link.mp3"));
        QVERIFY(QFile::link(item.fileName, link));
        TagItem viaLink = item;
        viaLink.fileName = link;
        EditorFields f;
        f.hasV1 = f.hasV2 = true;
        f.v2[V2Title] = QStringLiteral("Linked");
        QVERIFY(TagSaveRun(f, {}).saveSingle(viaLink));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(mid3v2(item.fileName).contains("Linked"));
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(item.fileName).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
    }
};

QTEST_GUILESS_MAIN(TestTagSaveRun)
#include "tst_tagsaverun.moc"
