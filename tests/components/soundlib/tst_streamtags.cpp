// The stream tag reader on hand-built tags: every text encoding, the frame layouts the
// wrapper's byte rules rely on, the tag and frame flags, and damaged tags.
#include "soundlib/StreamTags.h"

#include <QtTest>

#include <zlib.h>

using pelvanto::sound::StreamTags;
using pelvanto::sound::TagField;
using pelvanto::sound::TagId3v1;
using pelvanto::sound::TagId3v2;

namespace {

QByteArray be32(quint32 v) {
    QByteArray b;
    for (int shift : {24, 16, 8, 0})
        b += char((v >> shift) & 0xFF);
    return b;
}

QByteArray synchsafe(quint32 v) {
    QByteArray b;
    for (int shift : {21, 14, 7, 0})
        b += char((v >> shift) & 0x7F);
    return b;
}

QByteArray frame(int version, const QByteArray &id, const QByteArray &body, quint16 flags = 0,
                 qint64 claimedSize = -1) {
    const auto size = static_cast<quint32>(claimedSize >= 0 ? claimedSize : body.size());
    if (version == 2)
        return id + be32(size).right(3) + body;
    QByteArray out = id + (version == 4 ? synchsafe(size) : be32(size));
    out += char(flags >> 8);
    out += char(flags & 0xFF);
    return out + body;
}

QByteArray tag(int version, const QByteArray &frames, quint8 flags = 0, int padding = 0) {
    QByteArray body = frames + QByteArray(padding, '\0');
    return QByteArray("ID3") + char(version) + char(0) + char(flags) +
           synchsafe(static_cast<quint32>(body.size())) + body;
}

// The start of an MPEG audio frame, so that files look like the usual MP3.
QByteArray audio() {
    return QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(400, '\0');
}

QByteArray id3v1(const QByteArray &title, const QByteArray &comment, int track, int genre) {
    QByteArray t = "TAG" + title.leftJustified(30, '\0', true) +
                   QByteArray("Artist").leftJustified(30, '\0') +
                   QByteArray("Album").leftJustified(30, '\0') + "1999" +
                   comment.leftJustified(30, '\0', true);
    if (track > 0) {
        t[3 + 90 + 4 + 28] = '\0';
        t[3 + 90 + 4 + 29] = char(track);
    }
    return t + char(genre);
}

QByteArray utf16le(const QString &s, bool bom) {
    QByteArray b = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : s) {
        b += char(c.unicode() & 0xFF);
        b += char(c.unicode() >> 8);
    }
    return b;
}

QByteArray utf16be(const QString &s, bool bom) {
    QByteArray b = bom ? QByteArray("\xFE\xFF", 2) : QByteArray();
    for (QChar c : s) {
        b += char(c.unicode() >> 8);
        b += char(c.unicode() & 0xFF);
    }
    return b;
}

QByteArray valueOf(const StreamTags &tags, int type, const char *name) {
    const TagField *f = tags.find(type, name);
    return f != nullptr ? f->value : QByteArray("<absent>");
}

const QByteArray kNul(1, '\0');

// A literal with the NULs it holds.
template <qsizetype N> QByteArray b(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

} // namespace

class TestStreamTags : public QObject {
    Q_OBJECT
private slots:
    void textFrames_data();
    void textFrames();
    void commentAndUrlLayouts_data();
    void commentAndUrlLayouts();
    void frameFlags_data();
    void frameFlags();
    void tagHeaderVariants_data();
    void tagHeaderVariants();
    void damagedTagsKeepWhatCameBefore_data();
    void damagedTagsKeepWhatCameBefore();
    void id3v1Fields();
    void id3v1WithoutTrack();
    void fieldsInFileOrderAndAudioStart();
    void nothingToReadGivesNoFields();
};

void TestStreamTags::textFrames_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    const QString text = QStringLiteral("Grüße Ωmega");
    const QByteArray utf8 = text.toUtf8();
    QTest::newRow("v2.3 Latin-1") << 3 << QByteArray("\0Caf\xE9", 5) << kNul + "Caf\xC3\xA9";
    QTest::newRow("v2.3 UTF-16 LE with BOM") << 3 << char(1) + utf16le(text, true) << kNul + utf8;
    QTest::newRow("v2.3 UTF-16 BE with BOM") << 3 << char(1) + utf16be(text, true) << kNul + utf8;
    QTest::newRow("v2.3 UTF-16 LE without BOM")
        << 3 << char(1) + utf16le(text, false) << kNul + utf8;
    QTest::newRow("v2.3 UTF-16 BE without BOM")
        << 3 << char(1) + utf16be(text, false) << kNul + utf8;
    QTest::newRow("v2.3 UTF-16 with terminator")
        << 3 << char(1) + utf16le(text, true) + QByteArray(2, '\0') << kNul + utf8;
    QTest::newRow("v2.4 UTF-16BE") << 4 << char(2) + utf16be(text, false) << kNul + utf8;
    QTest::newRow("v2.4 UTF-8") << 4 << char(3) + utf8 << kNul + utf8;
    QTest::newRow("v2.4 several values")
        << 4 << QByteArray("\3Rock\0Pop", 9) << QByteArray("\0Rock\0Pop", 9);
    QTest::newRow("v2.4 UTF-16 values")
        << 4 << char(1) + utf16le("A", true) + QByteArray(2, '\0') + utf16le("B", true)
        << QByteArray("\0A\0B", 4);
    QTest::newRow("genre reference as stored")
        << 3 << QByteArray("\0(17)", 5) << QByteArray("\0(17)", 5);
    QTest::newRow("year range as stored") << 3
                                          << QByteArray("\0"
                                                        "1999-2000",
                                                        10)
                                          << QByteArray("\0"
                                                        "1999-2000",
                                                        10);
    QTest::newRow("empty frame") << 3 << QByteArray() << kNul;
    QTest::newRow("unknown encoding read as Latin-1") << 3
                                                      << QByteArray("\x07"
                                                                    "abc",
                                                                    4)
                                                      << kNul + "abc";
}

void TestStreamTags::textFrames() {
    QFETCH(int, version);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    const QByteArray file =
        tag(version, frame(version, "TIT2", body) + frame(version, "TALB", b("\0Next"))) + audio();
    const StreamTags tags = StreamTags::fromBytes(file);
    QCOMPARE(valueOf(tags, TagId3v2, "TIT2"), expected);
    QCOMPARE(valueOf(tags, TagId3v2, "TALB"), kNul + "Next"); // the walk went on after it
}

void TestStreamTags::commentAndUrlLayouts_data() {
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("comment") << QByteArray("COMM") << QByteArray("\0engdesc\0text", 13)
                             << QByteArray("\0engdesc\0text", 13);
    QTest::newRow("comment with closing NUL")
        << QByteArray("COMM") << QByteArray("\0eng\0text\0", 10) << QByteArray("\0eng\0text", 9);
    QTest::newRow("comment without text ends in two NULs")
        << QByteArray("COMM") << QByteArray("\0engdesc\0", 9) << QByteArray("\0engdesc\0\0", 10);
    QTest::newRow("comment in UTF-16")
        << QByteArray("COMM")
        << char(1) + QByteArray("deu") + utf16le("Bes", true) + QByteArray(2, '\0') +
               utf16le(QStringLiteral("Grüße"), true)
        << kNul + "deuBes" + kNul + QStringLiteral("Grüße").toUtf8();
    QTest::newRow("language of NULs")
        << QByteArray("COMM") << QByteArray("\0\0\0\0\0hi", 7) << QByteArray("\0\0\0\0\0hi", 7);
    QTest::newRow("short comment is dropped")
        << QByteArray("COMM") << QByteArray("\0en", 3) << QByteArray("<absent>");
    QTest::newRow("lyrics like a comment")
        << QByteArray("USLT") << QByteArray("\0eng\0la", 7) << QByteArray("\0eng\0la", 7);
    QTest::newRow("user URL") << QByteArray("WXXX") << QByteArray("\0Home\0http://x.org", 18)
                              << QByteArray("\0Home\0http://x.org", 18);
    QTest::newRow("user URL, UTF-16 description")
        << QByteArray("WXXX")
        << char(1) + utf16le("Dé", true) + QByteArray(2, '\0') + QByteArray("http://y")
        << kNul + QStringLiteral("Dé").toUtf8() + kNul + "http://y";
    QTest::newRow("user URL without address")
        << QByteArray("WXXX") << QByteArray("\0d\0", 3) << QByteArray("\0d\0\0", 4);
    QTest::newRow("URL frame") << QByteArray("WOAR") << QByteArray("http://a.b")
                               << QByteArray("http://a.b");
    QTest::newRow("URL frame cut at NUL")
        << QByteArray("WCOM") << QByteArray("http://a\0junk", 13) << QByteArray("http://a");
    QTest::newRow("empty URL frame") << QByteArray("WOAF") << QByteArray() << kNul;
    QTest::newRow("user text") << QByteArray("TXXX") << QByteArray("\0key\0value", 10)
                               << QByteArray("\0key\0value", 10);
    QTest::newRow("binary frame as stored")
        << QByteArray("PRIV") << QByteArray("own\0\x01\x02", 6) << QByteArray("own\0\x01\x02", 6);
}

void TestStreamTags::commentAndUrlLayouts() {
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    const StreamTags tags = StreamTags::fromBytes(tag(3, frame(3, id, body)) + audio());
    QCOMPARE(valueOf(tags, TagId3v2, id.constData()), expected);
}

void TestStreamTags::frameFlags_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("frameBytes");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray plain("\0Hidden title", 13);
    QByteArray packed(static_cast<qsizetype>(compressBound(plain.size())), '\0');
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef *>(plain.constData()), plain.size());
    packed.resize(static_cast<qsizetype>(packedSize));

    QTest::newRow("v2.3 compressed")
        << 3 << frame(3, "TIT2", be32(plain.size()) + packed, 0x0080) << plain;
    QTest::newRow("v2.4 compressed with length")
        << 4 << frame(4, "TIT2", synchsafe(plain.size()) + packed, 0x0009) << plain;
    QTest::newRow("v2.3 grouped") << 3 << frame(3, "TIT2", char(5) + plain, 0x0020) << plain;
    QTest::newRow("v2.4 grouped") << 4 << frame(4, "TIT2", char(5) + plain, 0x0040) << plain;
    QTest::newRow("v2.4 unsynchronised")
        << 4 << frame(4, "TIT2", QByteArray("\0a\xFF\0b", 5), 0x0002)
        << QByteArray("\0a\xC3\xBF"
                      "b",
                      5);
    QTest::newRow("v2.3 encrypted is skipped")
        << 3 << frame(3, "TIT2", char(1) + plain, 0x0040) << QByteArray("<absent>");
    QTest::newRow("v2.3 bad compressed data is skipped")
        << 3 << frame(3, "TIT2", be32(50) + QByteArray("garbage"), 0x0080)
        << QByteArray("<absent>");
    QTest::newRow("v2.3 inflating past its claim is skipped")
        << 3 << frame(3, "TIT2", be32(3) + packed, 0x0080) << QByteArray("<absent>");
}

void TestStreamTags::frameFlags() {
    QFETCH(int, version);
    QFETCH(QByteArray, frameBytes);
    QFETCH(QByteArray, expected);
    const QByteArray file =
        tag(version, frameBytes + frame(version, "TALB", QByteArray("\0After", 6))) + audio();
    const StreamTags tags = StreamTags::fromBytes(file);
    QCOMPARE(valueOf(tags, TagId3v2, "TIT2"), expected);
    QCOMPARE(valueOf(tags, TagId3v2, "TALB"), kNul + "After");
}

void TestStreamTags::tagHeaderVariants_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray v3frames = frame(3, "TIT2", b("\0Title")) + frame(3, "TPE1", b("\0Artist"));
    QTest::newRow("v2.2 names as their v2.3 successors")
        << tag(2, frame(2, "TT2", b("\0Title")) + frame(2, "TP1", b("\0Artist"))) + audio();
    QTest::newRow("v2.3 extended header")
        << tag(3, be32(6) + QByteArray(6, '\0') + v3frames, 0x40) + audio();
    QTest::newRow("v2.4 extended header")
        << tag(4,
               synchsafe(6) + QByteArray("\x01\0", 2) + frame(4, "TIT2", b("\0Title")) +
                   frame(4, "TPE1", b("\0Artist")),
               0x40) +
               audio();
    QByteArray unsynced = frame(3, "TIT2", b("\0T\xFFtle")) + frame(3, "TPE1", b("\0Artist"));
    unsynced.replace("\xFF", QByteArray("\xFF\0", 2));
    QTest::newRow("v2.3 whole tag unsynchronised") << tag(3, unsynced, 0x80) + audio();
    QTest::newRow("padding after the frames") << tag(3, v3frames, 0, 300) + audio();
    // Plain sizes in a v2.4 tag, as some writers put them.
    const QByteArray longTitle = kNul + QByteArray(200, 'T');
    QByteArray itunes = QByteArray("TIT2") + be32(static_cast<quint32>(longTitle.size())) +
                        QByteArray(2, '\0') + longTitle + frame(4, "TPE1", b("\0Artist"));
    QTest::newRow("v2.4 with plain frame sizes") << tag(4, itunes) + audio();
    QTest::newRow("tag larger than the first read")
        << tag(3, frame(3, "APIC", QByteArray(20000, 'p')) + v3frames) + audio();
}

void TestStreamTags::tagHeaderVariants() {
    QFETCH(QByteArray, file);
    const StreamTags tags = StreamTags::fromBytes(file);
    QVERIFY(valueOf(tags, TagId3v2, "TIT2").startsWith(kNul + "T"));
    QCOMPARE(valueOf(tags, TagId3v2, "TPE1"), kNul + "Artist");
    QVERIFY(tags.audioHead().startsWith("\xFF\xFB"));
}

void TestStreamTags::damagedTagsKeepWhatCameBefore_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("firstKept");
    const QByteArray first = frame(3, "TIT2", b("\0First"));
    QTest::newRow("frame size past the tag")
        << tag(3, first + frame(3, "TPE1", b("\0Second"), 0, 1000000)) + audio() << true;
    QTest::newRow("frame size of 4 GiB")
        << tag(3, first + frame(3, "TPE1", b("\0Second"), 0, 0xFFFFFFFFLL)) + audio() << true;
    QTest::newRow("tag size past the file")
        << tag(3, first + frame(3, "TPE1", b("\0S"))).left(30) << true;
    QTest::newRow("frame id of garbage")
        << tag(3, first + QByteArray("\x01\x02\x03\x04") + QByteArray(20, 'x')) + audio() << true;
    QTest::newRow("header cut short") << tag(3, first + QByteArray("TPE1\0\0", 6)) << true;
    QTest::newRow("compressed frame too short")
        << tag(3, first + frame(3, "TPE1", b("\0\0"), 0x0080)) << true;
    QTest::newRow("size bytes not synchsafe")
        << QByteArray("ID3\3\0\0\x80\x80\x80\x80", 10) + first << false;
    QTest::newRow("version 5") << QByteArray("ID3\5\0\0\0\0\0\x20", 10) + first << false;
    QTest::newRow("extended header larger than the tag")
        << tag(3, be32(5000) + first, 0x40) + audio() << false;
    QTest::newRow("only the magic") << QByteArray("ID3") << false;
}

void TestStreamTags::damagedTagsKeepWhatCameBefore() {
    QFETCH(QByteArray, file);
    QFETCH(bool, firstKept);
    const StreamTags tags = StreamTags::fromBytes(file);
    QCOMPARE(valueOf(tags, TagId3v2, "TIT2"), firstKept ? kNul + "First" : QByteArray("<absent>"));
    QCOMPARE(valueOf(tags, TagId3v2, "TPE1"), QByteArray("<absent>"));
}

void TestStreamTags::id3v1Fields() {
    const QByteArray file = audio() + id3v1("Caf\xE9 song", "Nice", 7, 17);
    const StreamTags tags = StreamTags::fromBytes(file);
    QCOMPARE(valueOf(tags, TagId3v1, "TITLE"), QByteArray("Caf\xC3\xA9 song"));
    QCOMPARE(valueOf(tags, TagId3v1, "artist"), QByteArray("Artist"));
    QCOMPARE(valueOf(tags, TagId3v1, "ALBUM"), QByteArray("Album"));
    QCOMPARE(valueOf(tags, TagId3v1, "YEAR"), QByteArray("1999"));
    QCOMPARE(valueOf(tags, TagId3v1, "COMMENT"), QByteArray("Nice"));
    QCOMPARE(valueOf(tags, TagId3v1, "TRACK"), QByteArray("7"));
    QCOMPARE(valueOf(tags, TagId3v1, "GENRE"), QByteArray("17"));
    QCOMPARE(valueOf(tags, TagId3v2, "TITLE"), QByteArray("<absent>"));
}

void TestStreamTags::id3v1WithoutTrack() {
    const QByteArray comment = QByteArray(30, 'c');
    const StreamTags tags = StreamTags::fromBytes(audio() + id3v1("T", comment, 0, 255));
    QCOMPARE(valueOf(tags, TagId3v1, "COMMENT"), comment);
    QCOMPARE(valueOf(tags, TagId3v1, "TRACK"), QByteArray("<absent>"));
    QCOMPARE(valueOf(tags, TagId3v1, "GENRE"), QByteArray("255"));
}

void TestStreamTags::fieldsInFileOrderAndAudioStart() {
    const QByteArray v2 = tag(3, frame(3, "TIT2", b("\0A")) + frame(3, "COMM", b("\0eng\0c")));
    const StreamTags tags = StreamTags::fromBytes(v2 + audio() + id3v1("B", "", 0, 1));
    QCOMPARE(tags.audioStart(), v2.size());
    QStringList names;
    for (const TagField &f : tags.fields())
        names << QString::number(f.type) + QString::fromLatin1(f.name);
    QCOMPARE(names, QStringList({"2TIT2", "2COMM", "1TITLE", "1ARTIST", "1ALBUM", "1YEAR",
                                 "1COMMENT", "1GENRE"}));
}

void TestStreamTags::nothingToReadGivesNoFields() {
    QVERIFY(StreamTags::fromBytes(QByteArray()).fields().empty());
    QVERIFY(StreamTags::fromBytes(QByteArray("TAG")).fields().empty());
    QVERIFY(StreamTags::fromBytes(audio()).fields().empty());
    QCOMPARE(StreamTags::fromBytes(audio()).audioStart(), 0);
}

QTEST_GUILESS_MAIN(TestStreamTags)
#include "tst_streamtags.moc"
