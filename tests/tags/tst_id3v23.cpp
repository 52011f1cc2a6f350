#include "TagTestSupport.h"
#include "TestSupport.h"
#include "clsID3v1.h"
#include "clsID3v23.h"
#include "id3v2/ID3v2TagComponent.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using pelvanto::clsID3v1;
using pelvanto::clsID3v23;
using namespace tagtest;

namespace {

struct Fields {
    QString track, title, artist, album, year, genre, comments, composer, origArtist, copyright,
        url, encodedBy;
};

Fields sample() {
    return {QStringLiteral("7/12"),
            QStringLiteral("Ωμέγα – Title"),
            QStringLiteral("Zoë Artist"),
            QStringLiteral("Album 日本"),
            QStringLiteral("1999"),
            QStringLiteral("Rock"),
            QStringLiteral("A comment\nwith two lines"),
            QStringLiteral("Composer"),
            QStringLiteral("Original Ärtist"),
            QStringLiteral("© 2020 Someone"),
            QStringLiteral("http://example.org/a?b=c"),
            QStringLiteral("Pelvanto")};
}

void put(clsID3v23 &t, const Fields &f) {
    t.setTagTrack(f.track);
    t.setTagTitle(f.title);
    t.setTagArtist(f.artist);
    t.setTagAlbum(f.album);
    t.setTagYear(f.year);
    t.setTagGenre(f.genre);
    t.setTagComments(f.comments);
    t.setTagComposer(f.composer);
    t.setTagOrigArtist(f.origArtist);
    t.setTagCopyright(f.copyright);
    t.setTagURL(f.url);
    t.setTagEncodedBy(f.encodedBy);
}

Fields get(const clsID3v23 &t) {
    return {t.tagTrack(),      t.tagTitle(),     t.tagArtist(),   t.tagAlbum(),
            t.tagYear(),       t.tagGenre(),     t.tagComments(), t.tagComposer(),
            t.tagOrigArtist(), t.tagCopyright(), t.tagURL(),      t.tagEncodedBy()};
}

#define COMPARE_FIELDS(actual, expected)                                                           \
    do {                                                                                           \
        const Fields a_ = (actual);                                                                \
        const Fields e_ = (expected);                                                              \
        QCOMPARE(a_.track, e_.track);                                                              \
        QCOMPARE(a_.title, e_.title);                                                              \
        QCOMPARE(a_.artist, e_.artist);                                                            \
        QCOMPARE(a_.album, e_.album);                                                              \
        QCOMPARE(a_.year, e_.year);                                                                \
        QCOMPARE(a_.genre, e_.genre);                                                              \
        QCOMPARE(a_.comments, e_.comments);                                                        \
        QCOMPARE(a_.composer, e_.composer);                                                        \
        QCOMPARE(a_.origArtist, e_.origArtist);                                                    \
        QCOMPARE(a_.copyright, e_.copyright);                                                      \
        QCOMPARE(a_.url, e_.url);                                                                  \
        QCOMPARE(a_.encodedBy, e_.encodedBy);                                                      \
    } while (false)

QByteArray syncSafe(quint32 n) {
    QByteArray b(4, 0);
    for (int i = 3; i >= 0; --i, n >>= 7)
        b[i] = static_cast<char>(n & 0x7F);
    return b;
}

QByteArray be32(quint32 n) {
    QByteArray b(4, 0);
    for (int i = 3; i >= 0; --i, n >>= 8)
        b[i] = static_cast<char>(n & 0xFF);
    return b;
}

// A hand-made tag: header of the given version and the frames as given.
QByteArray rawTag(int version, const QList<QPair<QByteArray, QByteArray>> &frames) {
    QByteArray body;
    for (const auto &[id, data] : frames)
        body += id + (version == 4 ? syncSafe(data.size()) : be32(data.size())) + QByteArray(2, 0) +
                data;
    return QByteArray("ID3") + char(version) + char(0) + char(0) + syncSafe(body.size()) + body;
}

QByteArray utf16le(const QString &s) {
    return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
}

QByteArray utf16be(const QString &s) {
    QByteArray out;
    for (const QChar c : s)
        out += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
    return out;
}

} // namespace

class TestID3v23 : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString mp3(const QString &name = QStringLiteral("song.mp3")) {
        return makeMp3(dir.path(), name);
    }

private slots:
    void initTestCase() {
        REQUIRE_TOOL("lame");
        QVERIFY2(!toneMp3().isEmpty(), "lame made no MP3 fixture");
    }

    void fileWithoutTag() {
        const QString path = mp3();
        clsID3v23 t;
        put(t, sample());
        t.setFilename(path);
        QVERIFY(!t.HasTag());
        QVERIFY(!t.ReadTag());
        COMPARE_FIELDS(get(t), Fields{});
        QVERIFY(t.RemoveTag()); // nothing to remove
        QCOMPARE(readFile(path), toneMp3());
    }

    void saveReadsBackAsVersion23() {
        const QString path = mp3();
        const QByteArray audio = audioChecksum(path);
        clsID3v23 t;
        t.setFilename(path);
        put(t, sample());
        QVERIFY(t.SaveTag());
        const QByteArray file = readFile(path);
        QVERIFY(file.startsWith(QByteArray("ID3\x03\x00", 5)));
        QCOMPARE(audioChecksum(path), audio);

        clsID3v23 back;
        back.setFilename(path);
        QVERIFY(back.HasTag());
        QVERIFY(back.ReadTag());
        COMPARE_FIELDS(get(back), sample());

        // Empty values read back empty, and leave no empty frames behind.
        Fields partly = sample();
        partly.composer.clear();
        partly.url.clear();
        partly.year.clear();
        put(back, partly);
        QVERIFY(back.SaveTag());
        clsID3v23 again;
        again.setFilename(path);
        QVERIFY(again.ReadTag());
        COMPARE_FIELDS(get(again), partly);
        const QStringList ids = frameIds(readFile(path));
        QVERIFY(!ids.contains("TCOM") && !ids.contains("WXXX") && !ids.contains("TYER"));
        QCOMPARE(audioChecksum(path), audio);

        // All twelve empty still leaves a tag that is found.
        put(again, Fields{});
        QVERIFY(again.SaveTag());
        QVERIFY(again.HasTag());
        QVERIFY(again.ReadTag());
        COMPARE_FIELDS(get(again), Fields{});
        QCOMPARE(audioChecksum(path), audio);
    }

    void framesAreTheStandardOnes() {
        const QString path = mp3();
        clsID3v23 t;
        t.setFilename(path);
        put(t, sample());
        QVERIFY(t.SaveTag());
        QVERIFY(t.SaveTag()); // a second save over our own tag
        QStringList ids = frameIds(readFile(path));
        ids.sort();
        QCOMPARE(ids, QStringList({"COMM", "TALB", "TCOM", "TCON", "TCOP", "TENC", "TIT2", "TOPE",
                                   "TPE1", "TRCK", "TYER", "WXXX"}));
        const char *expected[] = {"TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON",
                                  "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};
        for (qint16 i = 1; i <= 12; ++i)
            QCOMPARE(pelvanto::ID3v2TagComponent::FrameId(i), expected[i - 1]);
        QCOMPARE(pelvanto::ID3v2TagComponent::FrameId(0), nullptr);
        QCOMPARE(pelvanto::ID3v2TagComponent::FrameId(13), nullptr);
    }

    void yearAndGenreAsWritten() {
        const QString path = mp3();
        clsID3v23 t;
        t.setFilename(path);
        for (const QString &year : {QStringLiteral("99"), QStringLiteral("2001"),
                                    QStringLiteral("circa 1920"), QStringLiteral("２０２０")}) {
            t.setTagYear(year);
            t.setTagGenre(QStringLiteral("Free Jazz Fusion"));
            QVERIFY(t.SaveTag());
            clsID3v23 back;
            back.setFilename(path);
            QVERIFY(back.ReadTag());
            QCOMPARE(back.tagYear(), year);
            QCOMPARE(back.tagGenre(), QStringLiteral("Free Jazz Fusion"));
        }
    }

    void trimmedGenre() {
        clsID3v23 t;
        const QList<QPair<QString, QString>> cases = {
            {"(17)Rock", "Rock"}, {"(17)", ""}, {"Rock", "Rock"}, {"(17", "(17"}, {"", ""}};
        for (const auto &[stored, trimmed] : cases) {
            t.setTagGenre(stored);
            QCOMPARE(t.tagTrimmedGenre(), trimmed);
            QCOMPARE(t.tagGenre(), stored);
        }
    }

    void numericGenresReadAsNames() {
        // Other programs store references to the ID3v1 list in several forms.
        const QString path = dir.filePath(QStringLiteral("genre.mp3"));
        const QList<QPair<QByteArray, QString>> cases = {
            {"(17)Rock", "Rock"}, {"(17)", "Rock"}, {"(13)Pop", "Pop"}, {"Synthwave", "Synthwave"}};
        for (const auto &[stored, read] : cases) {
            writeFile(path, rawTag(3, {{"TCON", QByteArray(1, 0) + stored}}) + toneMp3());
            clsID3v23 t;
            t.setFilename(path);
            QVERIFY(t.ReadTag());
            QCOMPARE(t.tagGenre(), read);
            QCOMPARE(t.tagTrimmedGenre(), read);
        }
    }

    void missingAndNonRegularFiles() {
        clsID3v23 t;
        put(t, sample());
        for (const QString &path :
             {dir.filePath("missing.mp3"), dir.path(), QStringLiteral("/dev/zero"), QString()}) {
            t.setFilename(path);
            QVERIFY(!t.HasTag());
            QVERIFY(!t.ReadTag());
            QVERIFY(!t.SaveTag());
            QVERIFY(!t.RemoveTag());
            COMPARE_FIELDS(get(t), sample()); // a failed read changes nothing
        }
        // A FIFO is refused at once instead of blocking the program.
        const QString fifo = dir.filePath(QStringLiteral("pipe.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        t.setFilename(fifo);
        QVERIFY(!t.ReadTag());
        QVERIFY(!t.SaveTag());
        // A symlink loop too.
        const QString loop = dir.filePath(QStringLiteral("loop.mp3"));
        QVERIFY(QFile::link(loop, loop));
        t.setFilename(loop);
        QVERIFY(!t.HasTag());
        QVERIFY(!t.SaveTag());
        QFile::remove(fifo);
        QFile::remove(loop);
    }

    void removeKeepsAudioAndId3v1() {
        QTemporaryDir own;
        const QString path = makeMp3(own.path(), QStringLiteral("song.mp3"));
        clsID3v1 v1;
        v1.setFilename(path);
        v1.setTagTitle(QStringLiteral("Old title"));
        QVERIFY(v1.SaveTag());
        const QByteArray before = readFile(path);

        clsID3v23 t;
        t.setFilename(path);
        put(t, sample());
        QVERIFY(t.SaveTag());
        QCOMPARE(audioPart(readFile(path)), audioPart(before));
        QVERIFY(readFile(path).endsWith(before.right(128))); // ID3v1 kept at the end
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(t.RemoveTag());
        QCOMPARE(readFile(path), before);
        QVERIFY(!t.HasTag());
        QCOMPARE(QFileInfo(path).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                             QFile::ReadUser | QFile::WriteUser |
                                                             QFile::ReadGroup);
        QCOMPARE(strayFiles(own.path(), {"song.mp3"}), QStringList());
    }

    void saveThroughSymlinkKeepsLink() {
        const QString path = mp3(QStringLiteral("target.mp3"));
        const QString link = dir.filePath(QStringLiteral("link.mp3"));
        QVERIFY(QFile::link(path, link));
        clsID3v23 t;
        t.setFilename(link);
        put(t, sample());
        QVERIFY(t.SaveTag());
        QVERIFY(QFileInfo(link).isSymLink());
        clsID3v23 back;
        back.setFilename(path);
        QVERIFY(back.ReadTag());
        COMPARE_FIELDS(get(back), sample());
        QFile::remove(link);
        QFile::remove(path);
    }

    void hostileHeaders() {
        QTemporaryDir own;
        const QString path = own.filePath(QStringLiteral("hostile.mp3"));
        const QByteArray audio = toneMp3();
        const QList<QByteArray> inputs = {
            QByteArray("ID3"),                                         // cut inside the header
            QByteArray("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + audio, // claims 256 MB
            QByteArray("ID3\x04\x00\x10\x00\x00\x02\x00", 10) + "TIT2" + QByteArray(50, 'x'),
            rawTag(3, {{"TIT2", QByteArray(1, 0) + "ok"}}).left(25), // frame cut short
            // A frame whose size runs past the tag.
            QByteArray("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + "TIT2" + be32(0x7fffffff) +
                QByteArray(2, 0) + QByteArray(10, 'a') + audio,
            QByteArray(10000, '\0'),
            QByteArray(),
        };
        for (const QByteArray &input : inputs) {
            QVERIFY(writeFile(path, input));
            clsID3v23 t;
            t.setFilename(path);
            (void)t.HasTag();
            (void)t.ReadTag();
            (void)t.tagTitle();
            // Saving or removing may fail, but never leaves the file damaged.
            put(t, sample());
            if (!t.SaveTag())
                QCOMPARE(readFile(path), input);
            else
                QVERIFY(readFile(path).endsWith(audioPart(input)));
            QVERIFY(writeFile(path, input));
            if (!t.RemoveTag())
                QCOMPARE(readFile(path), input);
        }
        // The 256 MB claim is a tag that cannot be rewritten safely.
        QVERIFY(writeFile(path, inputs[1]));
        clsID3v23 t;
        t.setFilename(path);
        QVERIFY(t.HasTag());
        QVERIFY(!t.SaveTag());
        QVERIFY(!t.RemoveTag());
        QCOMPARE(readFile(path), inputs[1]);
        // A header whose size is not sync-safe is not a tag.
        QVERIFY(writeFile(path, QByteArray("ID3\x03\x00\x00\x00\x00\x80\x00", 10) + audio));
        QVERIFY(!t.HasTag());
        QVERIFY(t.SaveTag());
        QVERIFY(t.HasTag());
        QCOMPARE(strayFiles(own.path(), {"hostile.mp3"}), QStringList());
    }

    void unicodeEncodingsOfOtherPrograms() {
        const QString path = dir.filePath(QStringLiteral("utf16.mp3"));
        const QString text = QStringLiteral("Ωμέγα Zoë");
        const QByteArray le = QByteArray(1, 1) + "\xff\xfe" + utf16le(text);
        const QByteArray be = QByteArray(1, 1) + "\xfe\xff" + utf16be(text);
        const QByteArray be24 = QByteArray(1, 2) + utf16be(text);
        const QByteArray utf8 = QByteArray(1, 3) + text.toUtf8();
        writeFile(path, rawTag(3, {{"TIT2", le}, {"TPE1", be}, {"TCOM", le + QByteArray(2, 0)}}) +
                            toneMp3());
        clsID3v23 t;
        t.setFilename(path);
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), text);
        QCOMPARE(t.tagArtist(), text);
        QCOMPARE(t.tagComposer(), text);
        writeFile(path, rawTag(4, {{"TIT2", be24}, {"TPE1", utf8}}) + toneMp3());
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), text);
        QCOMPARE(t.tagArtist(), text);
        // UTF-16 without its byte-order mark, as some programs write it, in
        // either byte order; odd lengths and empty frames read without harm.
        writeFile(path, rawTag(3, {{"TIT2", QByteArray(1, 1) + utf16le(text)},
                                   {"TPE1", QByteArray(1, 1) + utf16be(QStringLiteral("Zoë"))},
                                   {"COMM", QByteArray(1, 1) + "eng" + QByteArray(2, 0) +
                                                utf16le(QStringLiteral("Note"))},
                                   {"TCOM", QByteArray(1, 1) + "\xff\xfe" + "abc"},
                                   {"TALB", QByteArray(1, 1)}}) +
                            toneMp3());
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), text);
        QCOMPARE(t.tagArtist(), QStringLiteral("Zoë"));
        QCOMPARE(t.tagComments(), QStringLiteral("Note"));
        QCOMPARE(t.tagAlbum(), QString());
        // Saving writes them back with their marks, other frames intact.
        QVERIFY(t.SaveTag());
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), text);
        QCOMPARE(t.tagComments(), QStringLiteral("Note"));
    }

    void keepsFramesOfOtherPrograms() {
        REQUIRE_TOOL("mid3v2");
        const QString path = mp3();
        run("mid3v2", {"--TIT3", "Subtitle", "--TXXX", "Mood:calm", "--USLT", "la la::eng", "-t",
                       "Old", "-a", "Old artist", path});
        clsID3v23 t;
        t.setFilename(path);
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), QStringLiteral("Old"));
        put(t, sample());
        QVERIFY(t.SaveTag());
        const QString raw = run("mid3v2", {"--list-raw", path});
        QVERIFY2(raw.contains("TIT3") && raw.contains("Subtitle"), qPrintable(raw));
        QVERIFY2(raw.contains("Mood") && raw.contains("calm"), qPrintable(raw));
        QVERIFY2(raw.contains("USLT") && raw.contains("la la"), qPrintable(raw));
        QVERIFY(!raw.contains("Old artist"));
        // No frame twice.
        const QStringList ids = frameIds(readFile(path));
        for (const QString &id : ids)
            QVERIFY2(ids.count(id) == 1, qPrintable(id));
    }

    void fullDateKeptWhileYearUnchanged() {
        REQUIRE_TOOL("mid3v2");
        const QString path = mp3();
        run("mid3v2", {"-y", "2001-05-03", "-t", "Dated", path});
        clsID3v23 t;
        t.setFilename(path);
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagYear(), QStringLiteral("2001"));
        t.setTagTitle(QStringLiteral("Retitled"));
        QVERIFY(t.SaveTag());
        QVERIFY(frameIds(readFile(path)).contains("TDAT"));
        QString raw = run("mid3v2", {"--list-raw", path});
        QVERIFY2(raw.contains("TYER") && raw.contains("'2001'") && raw.contains("'0305'"),
                 qPrintable(raw));
        // A new year replaces the date.
        t.setTagYear(QStringLiteral("2002"));
        QVERIFY(t.SaveTag());
        raw = run("mid3v2", {"--list-raw", path});
        QVERIFY2(raw.contains("'2002'") && !raw.contains("TDAT"), qPrintable(raw));
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagYear(), QStringLiteral("2002"));
    }

    void otherProgramsReadOurTags() {
        REQUIRE_TOOL("mid3v2");
        REQUIRE_TOOL("eyeD3");
        REQUIRE_TOOL("id3v2");
        REQUIRE_TOOL("ffprobe");
        const QString path = mp3();
        const QByteArray audio = audioChecksum(path);
        clsID3v23 t;
        t.setFilename(path);
        put(t, sample());
        QVERIFY(t.SaveTag());
        const Fields f = sample();

        const QString raw = run("mid3v2", {"--list-raw", path});
        for (const QString &v : {f.track, f.title, f.artist, f.album, f.year, f.genre, f.composer,
                                 f.origArtist, f.copyright, f.url, f.encodedBy})
            QVERIFY2(raw.contains(v), qPrintable(v + QStringLiteral(" in ") + raw));
        QVERIFY2(raw.contains(QStringLiteral("UTF16")), qPrintable(raw));

        const QString eyed3 = run("eyeD3", {"--no-color", path});
        QVERIFY2(eyed3.contains("ID3 v2.3"), qPrintable(eyed3));
        QVERIFY(eyed3.contains(QStringLiteral("title: ") + f.title));
        QVERIFY(eyed3.contains(QStringLiteral("artist: ") + f.artist));
        QVERIFY(eyed3.contains(QStringLiteral("album: ") + f.album));
        QVERIFY(eyed3.contains(f.comments));
        QVERIFY(eyed3.contains(f.url));

        const QJsonObject tags =
            QJsonDocument::fromJson(
                run("ffprobe", {"-v", "error", "-show_entries", "format_tags", "-of", "json", path})
                    .toUtf8())
                .object()["format"]
                .toObject()["tags"]
                .toObject();
        QCOMPARE(tags["title"].toString(), f.title);
        QCOMPARE(tags["artist"].toString(), f.artist);
        QCOMPARE(tags["album"].toString(), f.album);
        QCOMPARE(tags["genre"].toString(), f.genre);
        QCOMPARE(tags["track"].toString(), f.track);
        QCOMPARE(tags["composer"].toString(), f.composer);
        QCOMPARE(tags["copyright"].toString(), f.copyright);
        QCOMPARE(tags["encoded_by"].toString(), f.encodedBy);
        QCOMPARE(tags["date"].toString(), f.year);
        QCOMPARE(tags["comment"].toString(), f.comments);

        // id3lib's reader, with Latin-1 text.
        Fields latin = sample();
        latin.title = QStringLiteral("Café");
        latin.album = QStringLiteral("Album");
        latin.origArtist = QStringLiteral("Orig");
        latin.copyright = QStringLiteral("(c) 2020");
        put(t, latin);
        QVERIFY(t.SaveTag());
        const QString id3lib = QString::fromUtf8(testsupport::runTool("id3v2", {"-l", path}).out);
        QVERIFY2(id3lib.contains(QStringLiteral("TIT2 (Title/songname/content description): Café")),
                 qPrintable(id3lib));
        QVERIFY(id3lib.contains(QStringLiteral("TYER (Year): 1999")));
        QVERIFY(id3lib.contains(QStringLiteral("TRCK (Track number/Position in set): 7/12")));
        QVERIFY(id3lib.contains(QStringLiteral("TPE1 (Lead performer(s)/Soloist(s)): Zoë Artist")));
        QCOMPARE(audioChecksum(path), audio);
    }

    void weReadTagsOfOtherPrograms_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("unicode");
        QTest::newRow("mid3v2 2.4 UTF-8")
            << "mid3v2"
            << QStringList{"-t",     "Ωμέγα",   "-a",     "Zoë",  "-A",     "Album",
                           "-y",     "2001",    "-g",     "Rock", "-T",     "3/12",
                           "-c",     "Comment", "--TCOM", "Comp", "--TOPE", "Orig",
                           "--TCOP", "Copy",    "--TENC", "Enc",  "--WXXX", ":http://x.org"}
            << QByteArray("\x04") << true;
        QTest::newRow("eyeD3 2.3 UTF-16") << "eyeD3"
                                          << QStringList{"-Q",
                                                         "--to-v2.3",
                                                         "--encoding",
                                                         "utf16",
                                                         "-t",
                                                         "Ωμέγα",
                                                         "-a",
                                                         "Zoë",
                                                         "-A",
                                                         "Album",
                                                         "--recording-date",
                                                         "2001",
                                                         "-G",
                                                         "Rock",
                                                         "-n",
                                                         "3",
                                                         "-N",
                                                         "12",
                                                         "-c",
                                                         "Comment",
                                                         "--text-frame",
                                                         "TCOM:Comp",
                                                         "--text-frame",
                                                         "TOPE:Orig",
                                                         "--text-frame",
                                                         "TCOP:Copy",
                                                         "--text-frame",
                                                         "TENC:Enc",
                                                         "--user-url-frame",
                                                         ":http\\://x.org"}
                                          << QByteArray("\x03") << true;
        QTest::newRow("id3v2 2.3 Latin-1")
            << "id3v2" << QStringList{"-t",     "Café",    "-a",     "Zoë",  "-A",     "Album",
                                      "-y",     "2001",    "-g",     "17",   "-T",     "3/12",
                                      "-c",     "Comment", "--TCOM", "Comp", "--TOPE", "Orig",
                                      "--TCOP", "Copy",    "--TENC", "Enc"}
            << QByteArray("\x03") << false;
        QTest::newRow("ffmpeg 2.3") << "ffmpeg" << QStringList{"-id3v2_version", "3",
                                                               "-metadata",      "title=Ωμέγα",
                                                               "-metadata",      "artist=Zoë",
                                                               "-metadata",      "album=Album",
                                                               "-metadata",      "date=2001",
                                                               "-metadata",      "genre=Rock",
                                                               "-metadata",      "track=3/12",
                                                               "-metadata",      "comment=Comment",
                                                               "-metadata",      "composer=Comp",
                                                               "-metadata",      "copyright=Copy",
                                                               "-metadata",      "encoded_by=Enc"}
                                    << QByteArray("\x03") << true;
        QTest::newRow("ffmpeg 2.4") << "ffmpeg" << QStringList{"-id3v2_version", "4",
                                                               "-metadata",      "title=Ωμέγα",
                                                               "-metadata",      "artist=Zoë",
                                                               "-metadata",      "album=Album",
                                                               "-metadata",      "date=2001",
                                                               "-metadata",      "genre=Rock",
                                                               "-metadata",      "track=3/12",
                                                               "-metadata",      "composer=Comp",
                                                               "-metadata",      "copyright=Copy",
                                                               "-metadata",      "encoded_by=Enc"}
                                    << QByteArray("\x04") << true;
    }

    void weReadTagsOfOtherPrograms() {
        QFETCH(QString, tool);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, version);
        QFETCH(bool, unicode);
        REQUIRE_SERVICE(testsupport::checkTool(tool));
        const QString path = dir.filePath(QStringLiteral("other.mp3"));
        QFile::remove(path);
        if (tool == QLatin1String("ffmpeg")) {
            const QString src = mp3(QStringLiteral("src.mp3"));
            run(tool,
                QStringList{"-v", "error", "-y", "-i", src, "-c", "copy", "-write_xing", "0"} +
                    args + QStringList{path});
        } else {
            mp3(QStringLiteral("other.mp3"));
            run(tool, args + QStringList{path});
        }
        QCOMPARE(readFile(path).mid(3, 1), version);
        clsID3v23 t;
        t.setFilename(path);
        QVERIFY(t.HasTag());
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), unicode ? QStringLiteral("Ωμέγα") : QStringLiteral("Café"));
        QCOMPARE(t.tagArtist(), QStringLiteral("Zoë"));
        QCOMPARE(t.tagAlbum(), QStringLiteral("Album"));
        QCOMPARE(t.tagYear(), QStringLiteral("2001"));
        QCOMPARE(t.tagTrimmedGenre(), QStringLiteral("Rock"));
        // eyeD3 writes the track with a leading zero.
        QCOMPARE(t.tagTrack(),
                 tool == QLatin1String("eyeD3") ? QStringLiteral("03/12") : QStringLiteral("3/12"));
        QCOMPARE(t.tagComposer(), QStringLiteral("Comp"));
        QCOMPARE(t.tagCopyright(), QStringLiteral("Copy"));
        QCOMPARE(t.tagEncodedBy(), QStringLiteral("Enc"));
        if (!tool.startsWith(QLatin1String("ffmpeg"))) {
            QCOMPARE(t.tagComments(), QStringLiteral("Comment"));
            QCOMPARE(t.tagOrigArtist(), QStringLiteral("Orig"));
        }
        if (args.contains(QStringLiteral("--WXXX")) ||
            args.contains(QStringLiteral("--user-url-frame"))) {
            QCOMPARE(t.tagURL(), QStringLiteral("http://x.org"));
        }
        // Saving over it keeps the audio and gives a clean 2.3 tag.
        const QByteArray audio = audioChecksum(path);
        QVERIFY(t.SaveTag());
        QCOMPARE(audioChecksum(path), audio);
        QCOMPARE(readFile(path).mid(3, 1), QByteArray("\x03"));
        const QStringList ids = frameIds(readFile(path));
        for (const QString &id : ids)
            QVERIFY2(ids.count(id) == 1, qPrintable(ids.join(' ')));
        clsID3v23 back;
        back.setFilename(path);
        QVERIFY(back.ReadTag());
        COMPARE_FIELDS(get(back), get(t));
    }
};

QTEST_GUILESS_MAIN(TestID3v23)
#include "tst_id3v23.moc"
