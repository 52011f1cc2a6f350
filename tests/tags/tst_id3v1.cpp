#include "TagTestSupport.h"
#include "TestSupport.h"
#include "clsID3v1.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using pelvanto::clsID3v1;
using namespace tagtest;

namespace {

// A tag as other programs write it: NUL padding, given track and genre.
QByteArray nulPaddedTag(const QByteArray &title, const QByteArray &comment, char zero, char track,
                        char genre) {
    auto field = [](const QByteArray &text, int width) {
        return text.left(width) + QByteArray(std::max<qsizetype>(0, width - text.size()), '\0');
    };
    return "TAG" + field(title, 30) + field("Artist", 30) + field("Album", 30) + "2001" +
           field(comment, 28) + zero + track + genre;
}

} // namespace

class TestID3v1 : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("song.mp3")); }

private slots:
    void init() { QVERIFY(writeFile(path(), QByteArray(4000, 'A') + toneMp3())); }

    void newObjectAndGenreTable() {
        clsID3v1 t;
        QCOMPARE(t.tagTitle(), QString());
        QCOMPARE(t.tagArtist(), QString());
        QCOMPARE(t.tagAlbum(), QString());
        QCOMPARE(t.tagYear(), QString());
        QCOMPARE(t.tagComments(), QString());
        QCOMPARE(t.tagTrack(), 0);
        QCOMPARE(t.tagGenre(), 0);
        QCOMPARE(t.tagStrGenre(), QStringLiteral("Blues"));
        QCOMPARE(t.record(), QByteArray(125, '\0'));

        const QList<QPair<int, QString>> names = {{0, "Blues"},
                                                  {12, "Other"},
                                                  {14, "R&B"},
                                                  {17, "Rock"},
                                                  {29, "Jazz+Funk"},
                                                  {40, "Alt. Rock"},
                                                  {62, "Pop/Punk"},
                                                  {67, "Phychedelic"},
                                                  {78, "Rock & Roll"},
                                                  {117, "power Ballad"},
                                                  {127, "Drum & Bass"},
                                                  {131, "indie"},
                                                  {140, "Comteporary Christian"},
                                                  {146, "JPop"},
                                                  {147, "Synth Pop"}};
        for (const auto &[n, name] : names)
            QCOMPARE(t.ReturnGenre(n), name);
        for (int n : {-1, 148, 200, 255, 1000})
            QCOMPARE(t.ReturnGenre(n), QString());
        // The editor fills its genre lists up to the first empty name: 148 of them.
        int count = 0;
        while (!t.ReturnGenre(count).trimmed().isEmpty())
            ++count;
        QCOMPARE(count, 148);
        for (int g : {147, 148, 255}) {
            t.setTagGenre(static_cast<std::uint8_t>(g));
            QCOMPARE(t.tagStrGenre(), g == 147 ? QStringLiteral("Synth Pop") : QString());
            QCOMPARE(int(t.tagGenre()), g);
        }
    }

    void fileWithoutTagGetsOne() {
        const QByteArray before = readFile(path());
        clsID3v1 t;
        t.setFilename(path());
        t.setTagTitle(QStringLiteral("stale"));
        QVERIFY(!t.HasTag());
        QVERIFY(!t.ReadTag());
        QCOMPARE(t.tagTitle(), QString());
        QCOMPARE(t.tagComments(), QString());
        QCOMPARE(t.tagTrack(), 0);
        QCOMPARE(t.tagGenre(), 255);
        QCOMPARE(t.tagStrGenre(), QString());
        QVERIFY(t.RemoveTag()); // nothing to remove: untouched
        QCOMPARE(readFile(path()), before);

        t.setTagTitle(QStringLiteral("Title"));
        t.setTagArtist(QStringLiteral("Artist"));
        t.setTagAlbum(QStringLiteral("Album"));
        t.setTagYear(QStringLiteral("1999"));
        QVERIFY(t.setTagComments(QStringLiteral("Comment")));
        t.setTagTrack(12);
        t.setTagGenre(17);
        QVERIFY(t.SaveTag());
        const QByteArray after = readFile(path());
        QCOMPARE(after.size(), before.size() + 128);
        QVERIFY(after.startsWith(before));
        auto pad = [](const char *s, int w) {
            return QByteArray(s) + QByteArray(w - int(qstrlen(s)), ' ');
        };
        QCOMPARE(after.right(128), "TAG" + pad("Title", 30) + pad("Artist", 30) + pad("Album", 30) +
                                       "1999" + pad("Comment", 28) + '\0' + '\x0c' + '\x11');
        clsID3v1 back;
        back.setFilename(path());
        QVERIFY(back.HasTag());
        QVERIFY(back.ReadTag());
        QCOMPARE(back.tagTitle(), QStringLiteral("Title"));
        QCOMPARE(back.tagComments(), QStringLiteral("Comment"));
        QCOMPARE(back.tagTrack(), 12);
        QCOMPARE(back.tagStrGenre(), QStringLiteral("Rock"));

        // Saving over the tag keeps the length; removing cuts exactly the tag.
        back.setTagTitle(QStringLiteral("Other"));
        QVERIFY(back.SaveTag());
        QCOMPARE(readFile(path()).size(), after.size());
        QVERIFY(back.RemoveTag());
        QCOMPARE(readFile(path()), before);
        QVERIFY(!back.HasTag());
    }

    void shortAndUnusableFiles() {
        clsID3v1 t;
        t.setTagTitle(QStringLiteral("kept"));
        for (const QByteArray &content : {QByteArray(), QByteArray("TAG"), QByteArray(127, 'x')}) {
            QVERIFY(writeFile(path(), content));
            t.setFilename(path());
            QVERIFY(!t.HasTag());
            QVERIFY(!t.ReadTag());
            QVERIFY(!t.SaveTag());
            QVERIFY(!t.RemoveTag());
            QCOMPARE(readFile(path()), content);
            QCOMPARE(t.tagTitle(), QStringLiteral("kept")); // a failed read changes nothing
        }
        // Exactly 128 bytes holding only a tag is fine.
        QVERIFY(writeFile(path(), nulPaddedTag("x", "", 0, 1, 2)));
        QVERIFY(t.ReadTag());
        QVERIFY(t.RemoveTag());
        QCOMPARE(QFileInfo(path()).size(), 0);

        const QString fifo = dir.filePath(QStringLiteral("fifo.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString loop = dir.filePath(QStringLiteral("loop.mp3"));
        QVERIFY(QFile::link(loop, loop));
        for (const QString &p : {dir.filePath("missing.mp3"), dir.path(), fifo, loop,
                                 QStringLiteral("/dev/zero"), QString()}) {
            t.setFilename(p);
            QVERIFY(!t.HasTag());
            QVERIFY(!t.ReadTag());
            QVERIFY(!t.SaveTag());
            QVERIFY(!t.RemoveTag());
        }
        QFile::remove(fifo);
        QFile::remove(loop);
    }

    void textWidthsAndCleaning() {
        clsID3v1 t;
        t.setTagTitle(QString(40, QLatin1Char('t')));
        QCOMPARE(t.tagTitle(), QString(30, QLatin1Char('t')));
        t.setTagTitle(QStringLiteral("ab"));
        QCOMPARE(t.record().left(30), QByteArray("ab") + QByteArray(28, ' '));
        QCOMPARE(t.tagTitle(), QStringLiteral("ab"));
        t.setTagArtist(QStringLiteral(" ab "));
        QCOMPARE(t.tagArtist(), QStringLiteral("ab"));
        t.setTagYear(QStringLiteral("19999"));
        QCOMPARE(t.tagYear(), QStringLiteral("1999"));
        // ISO-8859-1 text; what it cannot hold becomes '?'.
        t.setTagAlbum(QStringLiteral("Zoë Ω"));
        QCOMPARE(t.record().mid(60, 5), QByteArray("Zo\xeb ?"));
        QCOMPARE(t.tagAlbum(), QStringLiteral("Zoë ?"));

        // Other programs pad with NULs.
        QVERIFY(writeFile(path(), toneMp3() + nulPaddedTag("ab", "note", 0, 3, char(200))));
        t.setFilename(path());
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), QStringLiteral("ab"));
        QCOMPARE(t.tagArtist(), QStringLiteral("Artist"));
        QCOMPARE(t.tagComments(), QStringLiteral("note"));
        QCOMPARE(t.tagTrack(), 3);
        QCOMPARE(t.tagGenre(), 200);
        QCOMPARE(t.tagStrGenre(), QString());
        // Rewriting pads with spaces, and lower-case "tag" is no tag.
        QVERIFY(t.SaveTag());
        QCOMPARE(readFile(path()).size(), toneMp3().size() + 128);
        QVERIFY(writeFile(path(), toneMp3() + "tag" + QByteArray(125, ' ')));
        QVERIFY(!t.HasTag());
    }

    void commentAndTrackShareBytes() {
        clsID3v1 t;
        const QString thirty = QStringLiteral("0123456789abcdefghijklmnopqrST");
        t.setTagTrack(9);
        QVERIFY(t.setTagComments(thirty));
        QCOMPARE(t.tagTrack(), 0);
        QCOMPARE(t.tagComments(), thirty);
        QCOMPARE(t.record().mid(94, 30), thirty.toLatin1());

        // A shorter comment leaves the old 29th and 30th characters in place.
        QVERIFY(t.setTagComments(QString(20, QLatin1Char('c'))));
        QCOMPARE(t.tagComments(), QString(20, QLatin1Char('c')) + QString(8, QLatin1Char(' ')) +
                                      QStringLiteral("ST"));
        t.setTagTrack(5);
        QCOMPARE(t.tagComments(), QString(20, QLatin1Char('c')));
        QCOMPARE(t.tagTrack(), 5);

        QVERIFY(t.setTagComments(thirty));
        t.setTagTrack(5);
        QCOMPARE(t.tagComments(), thirty.left(28));
        QCOMPARE(t.tagTrack(), 5);

        // 29 characters read back whole.
        QVERIFY(t.setTagComments(thirty.left(29)));
        QCOMPARE(t.tagComments(), thirty.left(29));
        QCOMPARE(t.tagTrack(), 0);

        // A 29th or 30th character outside ISO-8859-1 has no byte: refused.
        QVERIFY(!t.setTagComments(QString(28, QLatin1Char('x')) + QStringLiteral("Ωy")));
        QVERIFY(!t.setTagComments(QString(29, QLatin1Char('x')) + QStringLiteral("Ω")));
        QCOMPARE(t.tagComments(), thirty.left(29));
        QVERIFY(t.setTagComments(QString(28, QLatin1Char('x')) + QStringLiteral("éü")));
        QCOMPARE(t.tagComments(), QString(28, QLatin1Char('x')) + QStringLiteral("éü"));

        // The same through a file written by an ID3v1.0 tagger.
        QVERIFY(writeFile(path(),
                          toneMp3() + nulPaddedTag("t", thirty.left(28).toLatin1(), 'S', 'T', 1)));
        clsID3v1 f;
        f.setFilename(path());
        QVERIFY(f.ReadTag());
        QCOMPARE(f.tagComments(), thirty);
        QCOMPARE(f.tagTrack(), 0);
    }

    void removeIsAtomicAndKeepsFileAttributes() {
        QTemporaryDir own;
        const QString p = own.filePath(QStringLiteral("a.mp3"));
        const QString link = own.filePath(QStringLiteral("link.mp3"));
        QVERIFY(writeFile(p, toneMp3()));
        clsID3v1 t;
        t.setFilename(p);
        t.setTagTitle(QStringLiteral("x"));
        QVERIFY(t.SaveTag());
        QVERIFY(::chmod(QFile::encodeName(p).constData(), 0604) == 0);
        QVERIFY(QFile::link(p, link));
        t.setFilename(link);
        QVERIFY(t.RemoveTag());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(p), toneMp3());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0604u);
        QCOMPARE(strayFiles(own.path(), {"a.mp3", "link.mp3"}), QStringList());
    }

    void interoperability() {
        REQUIRE_TOOL("id3v2");
        REQUIRE_TOOL("eyeD3");
        REQUIRE_TOOL("ffprobe");
        // Ours, read by others.
        QVERIFY(writeFile(path(), toneMp3()));
        clsID3v1 t;
        t.setFilename(path());
        t.setTagTitle(QStringLiteral("Café Title"));
        t.setTagArtist(QStringLiteral("Artist"));
        t.setTagAlbum(QStringLiteral("Album"));
        t.setTagYear(QStringLiteral("1999"));
        QVERIFY(t.setTagComments(QStringLiteral("Comment")));
        t.setTagTrack(7);
        t.setTagGenre(17);
        QVERIFY(t.SaveTag());
        const QString eyed3 = run("eyeD3", {"--no-color", "-1", path()});
        QVERIFY2(eyed3.contains(QStringLiteral("title: Café Title")), qPrintable(eyed3));
        QVERIFY(eyed3.contains(QStringLiteral("artist: Artist")));
        QVERIFY(eyed3.contains(QStringLiteral("track: 7")));
        QVERIFY(eyed3.contains(QStringLiteral("Rock")));
        const QString ff = run("ffprobe", {"-v", "error", "-show_entries",
                                           "format_tags=title,track,genre,date,comment", "-of",
                                           "default=nw=1", path()});
        // ffmpeg takes ID3v1 text for UTF-8, so only the ASCII part is compared.
        QVERIFY2(ff.contains(QStringLiteral("TAG:title=Caf")), qPrintable(ff));
        QVERIFY(ff.contains(QStringLiteral("TAG:track=7")));
        QVERIFY(ff.contains(QStringLiteral("TAG:genre=Rock")));
        QVERIFY(ff.contains(QStringLiteral("TAG:date=1999")));
        QVERIFY(ff.contains(QStringLiteral("TAG:comment=Comment")));

        // Theirs, read by us.
        QVERIFY(writeFile(path(), toneMp3()));
        run("id3v2", {"-1", "-t", "Their Title", "-a", "Their Artist", "-A", "Their Album", "-y",
                      "2004", "-c", "Their comment", "-T", "4", "-g", "13", path()});
        QVERIFY(t.ReadTag());
        QCOMPARE(t.tagTitle(), QStringLiteral("Their Title"));
        QCOMPARE(t.tagArtist(), QStringLiteral("Their Artist"));
        QCOMPARE(t.tagAlbum(), QStringLiteral("Their Album"));
        QCOMPARE(t.tagYear(), QStringLiteral("2004"));
        QCOMPARE(t.tagComments(), QStringLiteral("Their comment"));
        QCOMPARE(t.tagTrack(), 4);
        QCOMPARE(t.tagStrGenre(), QStringLiteral("Pop"));
        QCOMPARE(audioPart(readFile(path())), toneMp3());
        QVERIFY(t.RemoveTag());
        QCOMPARE(readFile(path()), toneMp3());
    }
};

QTEST_GUILESS_MAIN(TestID3v1)
#include "tst_id3v1.moc"
