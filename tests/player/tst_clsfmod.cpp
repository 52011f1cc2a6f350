// The sound library wrapper without a sound server: its error table, text helpers and
// arithmetic, the tags of files tagged by independent tools, bad input, file classification,
// music and CD operations on the silent output, and the messages it shows.
#include "FMod.h"
#include "MusicFixtures.h"
#include "PlayerTestUtil.h"
#include "clsFMOD.h"
#include "clsFMODTiming.h"

#include "soundlib/SoundEngine.h"
#include "soundlib/cd/CdDrive.h"

#include <QtTest>

using namespace pelvanto;
using playertest::RecordingNotifier;

namespace {

// The fields the tag editor reads of every file, in its order.
const QStringList kId3v1Fields = {"TITLE", "ALBUM", "ARTIST", "COMMENT", "GENRE", "TRACK", "YEAR"};
const QStringList kId3v2Fields = {"TALB", "TPE1", "COMM", "TCOM", "TCOP", "TENC",
                                  "TCON", "TOPE", "TIT2", "TRCK", "WXXX", "TYER"};

using Fields = QMap<QString, QString>;

// The silent output: everything plays, nothing is heard.
bool initSilent(clsFMOD &fmod) {
    return fmod.InitOutput(sound::OutputNoSound) && fmod.Init(44100, 16);
}

} // namespace

class TestClsFmod : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void errorTable_data();
    void errorTable();
    void textHelpers();
    void arithmetic_data();
    void arithmetic();
    void tagsWrittenByTools_data();
    void tagsWrittenByTools();
    void tagsByIndex();
    void absentFieldsAndClosedHandles();
    void badFilesFailClearly_data();
    void badFilesFailClearly();
    void unplayableFileWarnsAndUnloads();
    void failedSetUpShowsTheLibraryMessage();
    void streamOperations();
    void bitRateAndWholeSeconds();
    void testFileClassifies_data();
    void testFileClassifies();
    void musicOperations();
    void musicDataAndCheck();
    void nothingLoadedDoesNothing();
    void cdImagePlaysAsADrive();

private:
    QString mp3(const QString &name, const QStringList &lameOptions = {});
    QTemporaryDir dir_;
    QString toneWav_;
    QString mod_;
    QString xm_;
    QString midi_;
};

void TestClsFmod::initTestCase() {
    QVERIFY(dir_.isValid());
    toneWav_ = playertest::toneWav(dir_, QStringLiteral("tone.wav"), 440, 2.5);
    QVERIFY(!toneWav_.isEmpty());
    mod_ = dir_.filePath(QStringLiteral("song.mod"));
    xm_ = dir_.filePath(QStringLiteral("song.xm"));
    midi_ = dir_.filePath(QStringLiteral("song.mid"));
    QVERIFY(testsupport::writeFile(mod_, musicfixtures::modFile()));
    QVERIFY(testsupport::writeFile(xm_, musicfixtures::xmFile()));
    QVERIFY(testsupport::writeFile(midi_, musicfixtures::midiFile()));
}

void TestClsFmod::cleanup() {
    sound::CdDrive::resetDriveList();
}

QString TestClsFmod::mp3(const QString &name, const QStringList &lameOptions) {
    const QString path = dir_.filePath(name);
    if (!playertest::run(QStringLiteral("lame"), QStringList{QStringLiteral("--quiet")} +
                                                     lameOptions + QStringList{toneWav_, path}))
        return {};
    return path;
}

void TestClsFmod::errorTable_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const char *texts[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo "
        "output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording is not supported on this machine",
        "Required Mediaplayer codec is not installed",
        "An error occured trying to open the specified CD device",
    };
    for (int code = 0; code < 20; ++code)
        QTest::newRow(qPrintable(QString::number(code)))
            << code << QString::fromLatin1(texts[code]);
    QTest::newRow("-1") << -1 << QStringLiteral("Unknown error");
    QTest::newRow("20") << 20 << QStringLiteral("Unknown error");
    QTest::newRow("large") << 123456 << QStringLiteral("Unknown error");
}

void TestClsFmod::errorTable() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(FmodErrorString(code), text);
}

void TestClsFmod::textHelpers() {
    QCOMPARE(StringFromPtr(nullptr), QString());
    QCOMPARE(StringFromPtr("Driver\0rest"), QStringLiteral("Driver"));
    const QByteArray longText(300, 'x');
    QCOMPARE(StringFromPtr(longText.constData()).size(), 255);
    // A character is never split at the cut.
    const QByteArray wide = QByteArray(254, 'x') + "\xC3\xA9" + "tail";
    QCOMPARE(StringFromPtr(wide.constData()), QString(254, QLatin1Char('x')));
    QCOMPARE(StringFromPtr("Gr\xC3\xBC\xC3\x9F"
                           "e"),
             QStringLiteral("Grüße"));

    const QString bytes = StringFromBytes("ab\0c", 4);
    QCOMPARE(bytes.size(), 5);
    QCOMPARE(bytes, QString::fromLatin1("ab\0c\0", 5));
    QCOMPARE(StringFromBytes(nullptr, 0), QString(QChar(0)));
    QCOMPARE(TrimBlanks(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
}

void TestClsFmod::arithmetic_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("expected");
    QTest::newRow("kbps 128") << "kbps" << 60500.0 << 960000.0 << 128.0;
    QTest::newRow("kbps truncates seconds") << "kbps" << 2999.0 << 40000.0 << 160.0;
    QTest::newRow("kbps below a second") << "kbps" << 999.0 << 5000.0 << 0.0;
    QTest::newRow("kbps of nothing") << "kbps" << 0.0 << 0.0 << 0.0;
    QTest::newRow("seconds round") << "seconds" << 1501.0 << 0.0 << 2.0;
    QTest::newRow("seconds tie to even down") << "seconds" << 2500.0 << 0.0 << 2.0;
    QTest::newRow("seconds tie to even up") << "seconds" << 3500.0 << 0.0 << 4.0;
    QTest::newRow("seconds half of one") << "seconds" << 500.0 << 0.0 << 0.0;
    QTest::newRow("row 125 BPM speed 6") << "row" << 125.0 << 6.0 << 120.0;
    QTest::newRow("row 150 BPM speed 3") << "row" << 150.0 << 3.0 << 50.0;
    QTest::newRow("row without tempo") << "row" << 0.0 << 6.0 << 0.0;
    QTest::newRow("song of 192 rows at 50 ms") << "song" << 192.0 << 50.0 << 9.0;
    QTest::newRow("song of exactly an hour") << "song" << 72000.0 << 50.0 << 3600.0;
    QTest::newRow("song over an hour") << "song" << 72020.0 << 50.0 << 0.0;
}

void TestClsFmod::arithmetic() {
    QFETCH(QString, what);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, expected);
    double got = -1;
    if (what == QLatin1String("kbps"))
        got = fmodtiming::kbps(static_cast<qint64>(a), static_cast<qint64>(b));
    else if (what == QLatin1String("seconds"))
        got = fmodtiming::wholeSeconds(static_cast<qint64>(a));
    else if (what == QLatin1String("row"))
        got = fmodtiming::msPerRow(static_cast<qint32>(a), static_cast<qint32>(b));
    else
        got = fmodtiming::songSeconds(static_cast<qint64>(a), b);
    QCOMPARE(got, expected);
}

void TestClsFmod::tagsWrittenByTools_data() {
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<Fields>("expected");
    Fields id3v2Tool{{"TITLE", "Title A"},     {"ALBUM", "Album A"}, {"ARTIST", "Artist A"},
                     {"COMMENT", "A comment"}, {"GENRE", "17"},      {"TRACK", "3"},
                     {"YEAR", "1999"},         {"TALB", "Album A"},  {"TPE1", "Artist A"},
                     {"COMM", "A comment"},    {"TCOM", "Comp"},     {"TCOP", "Copy"},
                     {"TENC", "Enc"},          {"TCON", "(17)"},     {"TOPE", "Orig"},
                     {"TIT2", "Title A"},      {"TRCK", "3/9"},      {"TYER", "1999"}};
    QTest::newRow("id3v2: v2.3 Latin-1 and v1")
        << "id3v2" << QStringList{"-a",     "Artist A", "-A",     "Album A",
                                  "-t",     "Title A",  "-c",     "desc:A comment:eng",
                                  "-g",     "17",       "-y",     "1999",
                                  "-T",     "3/9",      "--TCOM", "Comp",
                                  "--TCOP", "Copy",     "--TENC", "Enc",
                                  "--TOPE", "Orig"}
        << id3v2Tool;
    const QStringList eyed3Fields{"-a",
                                  "Ärtist B",
                                  "-A",
                                  "Albüm B",
                                  "-t",
                                  "Tïtle Ω",
                                  "--add-comment",
                                  "Ünïcode comment:Desc:deu",
                                  "--user-url-frame",
                                  "site:http://example.org/b",
                                  "-G",
                                  "Rock",
                                  "-n",
                                  "4",
                                  "--composer",
                                  "Cömp"};
    Fields eyed3{{"TALB", "Albüm B"},
                 {"TPE1", "Ärtist B"},
                 {"COMM", "Ünïcode comment"},
                 {"TCOM", "Cömp"},
                 {"TCON", "Rock"},
                 {"TIT2", "Tïtle Ω"},
                 {"TRCK", "04"},
                 {"WXXX", "http://example.org/b"}};
    Fields eyed3v3 = eyed3;
    eyed3v3.insert("TYER", "2001");
    QTest::newRow("eyeD3: v2.3 UTF-16")
        << "eyeD3"
        << QStringList{"--to-v2.3", "--encoding", "utf16", "--recording-date", "2001"} + eyed3Fields
        << eyed3v3;
    QTest::newRow("eyeD3: v2.4 UTF-8")
        << "eyeD3" << QStringList{"--to-v2.4", "--encoding", "utf8"} + eyed3Fields << eyed3;
    Fields mid3v2{{"TALB", "Album C"},   {"TPE1", "Ärtist C"},
                  {"COMM", "Comment C"}, {"TCOM", "Cömp C"},
                  {"TCON", "Pop"},       {"TIT2", "Titel C – ½"},
                  {"TRCK", "5"},         {"WXXX", "http://example.org/c"}};
    QTest::newRow("mid3v2: v2.4 UTF-8")
        << "mid3v2" << QStringList{"-a",     "Ärtist C",
                                   "-A",     "Album C",
                                   "-t",     "Titel C – ½",
                                   "-c",     "Desc:Comment C:eng",
                                   "-g",     "Pop",
                                   "-T",     "5",
                                   "--WXXX", "site:http://example.org/c",
                                   "--TCOM", "Cömp C"}
        << mid3v2;
}

void TestClsFmod::tagsWrittenByTools() {
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(Fields, expected);
    if (!testsupport::hasTool(tool) || !testsupport::hasTool(QStringLiteral("lame")))
        QSKIP("tagging tool or lame missing");
    const QString path =
        mp3(QStringLiteral("%1.mp3").arg(QString::fromLatin1(QTest::currentDataTag()).left(6)));
    QVERIFY(!path.isEmpty());
    const testsupport::ToolResult tagged = testsupport::runTool(tool, args + QStringList{path});
    QVERIFY2(tagged.exitCode == 0, tagged.err.constData());

    clsFMOD fmod;
    const qint32 handle = fmod.GetStreamOpenFile(path, false);
    QVERIFY(handle != 0);
    for (const QString &name : kId3v1Fields) {
        QString field = name;
        QCOMPARE(fmod.GetStreamTag(handle, 1, field), expected.value(name));
    }
    for (const QString &name : kId3v2Fields) {
        QString field = name;
        QCOMPARE(fmod.GetStreamTag(handle, 2, field), expected.value(name));
    }
    fmod.GetStreamCloseFile(handle);
}

void TestClsFmod::tagsByIndex() {
    REQUIRE_TOOL("mid3v2");
    REQUIRE_TOOL("lame");
    const QString path = mp3(QStringLiteral("byindex.mp3"));
    QVERIFY(playertest::run(QStringLiteral("mid3v2"),
                            {"-t", "Song", "-c", "Note:Said it:eng", "--WXXX", "home:http://h.org",
                             "--TXXX", "mood:calm", path}));
    QVERIFY(playertest::run(QStringLiteral("id3v2"), {"-1", "-a", "Old Artist", path}));
    clsFMOD fmod;
    const qint32 handle = fmod.GetStreamOpenFile(path, false);
    const qint32 count = fmod.GetStreamTagNumTags(handle);
    QMap<QString, QString> seen;
    for (qint32 i = 0; i < count; ++i) {
        qint32 type = 0;
        QString name;
        QString value;
        fmod.GetStreamTagByNum(handle, i, type, name, value);
        seen.insert(QString::number(type) + name, value);
    }
    QCOMPARE(seen.value("2TIT2"), QStringLiteral("Song"));
    QCOMPARE(seen.value("2COMM"), QStringLiteral("Said it"));
    QCOMPARE(seen.value("2WXXX"), QStringLiteral("http://h.org"));
    QCOMPARE(seen.value("2TXXX"), QStringLiteral("mood calm"));
    QCOMPARE(seen.value("1ARTIST"), QStringLiteral("Old Artist"));
    QCOMPARE(seen.value("1GENRE"), QStringLiteral("255"));
    // Past the last index the outputs stay as they were.
    qint32 type = 7;
    QString name = QStringLiteral("keep");
    QString value = QStringLiteral("keep");
    fmod.GetStreamTagByNum(handle, count, type, name, value);
    QCOMPARE(type, 7);
    QCOMPARE(name, QStringLiteral("keep"));
    fmod.GetStreamCloseFile(handle);
}

void TestClsFmod::absentFieldsAndClosedHandles() {
    clsFMOD fmod;
    const qint32 handle = fmod.GetStreamOpenFile(toneWav_, false);
    QVERIFY(handle != 0);
    QString name = QStringLiteral("TIT2");
    QCOMPARE(fmod.GetStreamTag(handle, 2, name), QString());
    QCOMPARE(fmod.GetStreamTagNumTags(handle), 0);
    QCOMPARE(fmod.GetStreamLength(handle), 2); // 2.5 s, ties to even
    fmod.GetStreamCloseFile(handle);
    QCOMPARE(fmod.GetStreamTag(handle, 2, name), QString());
    QCOMPARE(fmod.GetStreamLength(handle), 0);
    QCOMPARE(fmod.GetStreamTagNumTags(123456), 0);
}

void TestClsFmod::badFilesFailClearly_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("opens");
    QTest::newRow("missing") << "missing.mp3" << QByteArray() << false;
    QTest::newRow("directory") << "dir.mp3" << QByteArray() << false;
    QTest::newRow("pipe") << "fifo.mp3" << QByteArray() << false;
    QTest::newRow("empty") << "empty.mp3" << QByteArray("") << false;
    QByteArray garbage(20000, '\0');
    quint32 x = 1;
    for (auto &c : garbage) {
        x = x * 1103515245U + 12345U;
        c = char(x >> 24);
    }
    garbage[0] = 'Q'; // not by chance a frame header
    QTest::newRow("garbage") << "garbage.mp3" << garbage << false;
    // A tag whose frame claims far more than the tag holds, then real sound.
    QByteArray lying("ID3\3\0\0\0\0\1\0TIT2\x7F\xFF\xFF\xFF\0\0\0Liar", 25);
    lying += QByteArray(128 - 25 + 10, '\0');
    lying += testsupport::readFile(mp3(QStringLiteral("liar-sound.mp3")));
    QTest::newRow("lying frame sizes") << "liar.mp3" << lying << true;
    QTest::newRow("tag claims more than the file")
        << "short.mp3" << QByteArray("ID3\3\0\0\x7F\x7F\x7F\x7FTIT2", 14) << false;
}

void TestClsFmod::badFilesFailClearly() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, opens);
    const QString path = dir_.filePath(name);
    QVERIFY(soundtest::makeBadInput(path, content));
    RecordingNotifier notifier;
    clsFMOD fmod(&notifier);
    QVERIFY(initSilent(fmod));
    const qint32 handle = fmod.GetStreamOpenFile(path, false);
    QCOMPARE(handle != 0, opens);
    if (handle != 0) {
        QString field = QStringLiteral("TIT2");
        QCOMPARE(fmod.GetStreamTag(handle, 2, field), QString()); // the lying frame is dropped
        fmod.GetStreamCloseFile(handle);
    }
    QCOMPARE(fmod.TestFile(path), quint8(opens ? 1 : 0));
    // Playing it either fails with a message or plays what little there is; it never hangs.
    const bool played = fmod.StreamPlay(path, true, 255);
    QCOMPARE(notifier.shown.isEmpty(), played);
    if (!opens)
        QCOMPARE(
            notifier.shown,
            QStringList{QStringLiteral("warning: Could not recognize & play \"%1\".").arg(path)});
    QVERIFY(fmod.StreamUnload());
}

void TestClsFmod::unplayableFileWarnsAndUnloads() {
    RecordingNotifier notifier;
    clsFMOD fmod(&notifier);
    QVERIFY(initSilent(fmod));
    QVERIFY(fmod.StreamPlay(toneWav_, true, 255));
    QVERIFY(fmod.StreamIsLoaded());
    const QString missing = dir_.filePath(QStringLiteral("nowhere/none.mp3"));
    QVERIFY(!fmod.StreamPlay(missing, true, 255));
    QVERIFY(!fmod.StreamIsLoaded());
    QCOMPARE(fmod.ChannelsPlaying(), 0);
    QCOMPARE(notifier.shown,
             QStringList{"warning: Could not recognize & play \"" + missing + "\"."});
}

void TestClsFmod::failedSetUpShowsTheLibraryMessage() {
    RecordingNotifier notifier;
    clsFMOD fmod(&notifier);
    QVERIFY(!fmod.Init(44100, 5000));
    QVERIFY(!fmod.InitOutput(99));
    QVERIFY(fmod.InitOutput(sound::OutputNoSound));
    QVERIFY(!fmod.InitDriver(3));
    QVERIFY(fmod.Init(44100, 16));
    QVERIFY(!fmod.InitBuffer(200));
    QVERIFY(!fmod.InitMixer(0));
    QVERIFY(!fmod.Init(44100, 16));
    const QString invalid = "error: " + FmodErrorString(14);
    const QString busy = "error: " + FmodErrorString(1);
    QCOMPARE(notifier.shown, QStringList({invalid, invalid, invalid, busy, busy, busy}));
    QStringList drivers{QStringLiteral("untouched")};
    QVERIFY(fmod.ReturnDrivers(drivers));
    QCOMPARE(drivers, QStringList{QStringLiteral("No sound")});
}

void TestClsFmod::streamOperations() {
    clsFMOD fmod;
    QVERIFY(fmod.StreamStop()); // nothing loaded: true, nothing done
    QVERIFY(!fmod.StreamPausePlay());
    QVERIFY(!fmod.StreamIsPlaying());
    QCOMPARE(fmod.StreamSongPos(), 0);
    QVERIFY(initSilent(fmod));
    const QString longTone = playertest::toneWav(dir_, QStringLiteral("long.wav"), 440, 8, 22050);
    QVERIFY(fmod.StreamPlay(longTone, true, 200));
    QVERIFY(fmod.StreamIsPlaying());
    QCOMPARE(fmod.StreamVolume(), quint8(200));
    QCOMPARE(fmod.StreamFrequency(), 22050);
    QCOMPARE(fmod.StreamSongLen(), 8000);
    QCOMPARE(fmod.ChannelsPlaying(), 1);

    fmod.setStreamPanning(128);
    QCOMPARE(fmod.StreamPanning(), quint8(128));
    fmod.setStreamPanning(0);
    QCOMPARE(fmod.StreamPanning(), quint8(0));
    fmod.setStreamSurround(true);
    QVERIFY(fmod.StreamSurround());
    fmod.setStreamFrequency(44100);
    QCOMPARE(fmod.StreamFrequency(), 44100);

    fmod.setStreamSongPos(5000);
    const qint32 at = fmod.StreamSongPos();
    QVERIFY2(at >= 5000 && at < 5600, qPrintable(QString::number(at)));

    QVERIFY(fmod.StreamPausePlay());
    QVERIFY(!fmod.StreamIsPlaying());
    const qint32 held = fmod.StreamSongPos();
    QTest::qWait(300);
    QCOMPARE(fmod.StreamSongPos(), held);
    QVERIFY(fmod.StreamPausePlay());
    QVERIFY(fmod.StreamIsPlaying());

    QVERIFY(fmod.StreamStop()); // stops and rewinds
    QVERIFY(!fmod.StreamIsPlaying());
    QCOMPARE(fmod.StreamSongPos(), 0);
    QCOMPARE(fmod.ChannelsPlaying(), 0);
    QVERIFY(fmod.StreamStop()); // plays again from the start
    QVERIFY(fmod.StreamIsPlaying());
    QVERIFY(fmod.StreamSongPos() < 500);

    float left = -1;
    float right = -1;
    QTest::qWait(200);
    fmod.GetVU(left, right);
    QVERIFY(left > 0.1F && right > 0.1F);
    QVERIFY(fmod.StreamUnload());
    QVERIFY(!fmod.StreamIsLoaded());
    QCOMPARE(fmod.StreamSongLen(), 0);
    QVERIFY(fmod.FMODVersion() > 0);
}

void TestClsFmod::bitRateAndWholeSeconds() {
    REQUIRE_TOOL("lame");
    clsFMOD fmod;
    QVERIFY(initSilent(fmod));
    const QString cbr = mp3(QStringLiteral("cbr128.mp3"), {"-b", "128"});
    QVERIFY(fmod.StreamPlay(cbr, true, 255));
    QCOMPARE(fmod.StreamSongLen(), 2500);
    // File bytes over whole seconds: 2.5 s of 128 kbit/s over 2 s.
    const qint64 bytes = QFileInfo(cbr).size();
    QCOMPARE(fmod.StreamKbps(), qint32(bytes / 2 * 8 / 1000));
    QVERIFY(fmod.StreamKbps() >= 155 && fmod.StreamKbps() <= 165);

    const QString blip = playertest::toneWav(dir_, QStringLiteral("blip.wav"), 440, 0.9);
    QVERIFY(fmod.StreamPlay(blip, true, 255));
    QCOMPARE(fmod.StreamKbps(), 0);
    const qint32 handle = fmod.GetStreamOpenFile(
        playertest::toneWav(dir_, QStringLiteral("three.wav"), 440, 3.5), false);
    QCOMPARE(fmod.GetStreamLength(handle), 4);
    fmod.GetStreamCloseFile(handle);
}

void TestClsFmod::testFileClassifies_data() {
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("code");
    QTest::newRow("WAV") << "wav" << 1;
    QTest::newRow("MP3") << "mp3" << 1;
    QTest::newRow("MOD") << "mod" << 2;
    QTest::newRow("XM") << "xm" << 4;
    QTest::newRow("MIDI") << "mid" << 6;
    QTest::newRow("text") << "txt" << 0;
    QTest::newRow("folder") << "folder" << 0;
}

void TestClsFmod::testFileClassifies() {
    QFETCH(QString, which);
    QFETCH(int, code);
    QString path;
    if (which == QLatin1String("wav"))
        path = toneWav_;
    else if (which == QLatin1String("mp3"))
        path = mp3(QStringLiteral("classify.mp3"));
    else if (which == QLatin1String("mod"))
        path = mod_;
    else if (which == QLatin1String("xm"))
        path = xm_;
    else if (which == QLatin1String("mid"))
        path = midi_;
    else if (which == QLatin1String("folder"))
        path = dir_.path();
    else {
        path = dir_.filePath(QStringLiteral("words.txt"));
        QVERIFY(testsupport::writeFile(path, "Nothing to hear here.\n"));
    }
    QVERIFY(!path.isEmpty());
    clsFMOD fmod; // classifying needs no output
    QCOMPARE(int(fmod.TestFile(path)), code);
}

void TestClsFmod::musicOperations() {
    RecordingNotifier notifier;
    clsFMOD fmod(&notifier);
    QVERIFY(initSilent(fmod));
    QVERIFY(fmod.MusicPlay(mod_, false, 255));
    QVERIFY(fmod.MusicIsLoaded());
    QVERIFY(fmod.MusicIsPlaying());
    QCOMPARE(fmod.MusicName(), QString::fromLatin1(musicfixtures::ModFacts::kName));
    QCOMPARE(fmod.MusicNumChannels(), musicfixtures::ModFacts::kChannels);
    QCOMPARE(fmod.MusicNumOrders(), musicfixtures::ModFacts::kOrders);
    QCOMPARE(fmod.MusicNumPatterns(), musicfixtures::ModFacts::kPatterns);
    QCOMPARE(fmod.MusicNumSamples(), musicfixtures::ModFacts::kSampleSlots);
    QCOMPARE(fmod.MusicVolume(), quint8(255));
    QTest::qWait(300); // the first row sets the tempo
    QVERIFY(fmod.MusicPausePlay());
    QVERIFY(!fmod.MusicIsPlaying());
    QCOMPARE(fmod.MusicBPM(), musicfixtures::ModFacts::kBpm);
    QCOMPARE(fmod.MusicSpeed(), musicfixtures::ModFacts::kSpeed);
    QCOMPARE(fmod.MusicSongLen(), musicfixtures::ModFacts::kLengthMs);
    QCOMPARE(fmod.MusicNumRows(), 64);
    QCOMPARE(fmod.MusicGetRows(2), 64);
    fmod.setMusicOrder(2);
    QCOMPARE(fmod.MusicOrder(), 2);
    QCOMPARE(fmod.MusicRow(), 0);
    QCOMPARE(fmod.MusicPattern(), 0);
    QCOMPARE(fmod.MusicSongPos(), 2 * 64 * musicfixtures::ModFacts::kRowMs);
    fmod.setMusicVolume(100);
    QCOMPARE(fmod.MusicVolume(), quint8(100));
    fmod.setMusicPanSep(0.5F);
    QVERIFY(fmod.MusicPausePlay());
    QVERIFY(fmod.MusicIsPlaying());

    QVERIFY(fmod.MusicStop()); // playing: stops
    QVERIFY(!fmod.MusicIsPlaying());
    QVERIFY(fmod.MusicStop()); // stopped: plays again from the start
    QVERIFY(fmod.MusicIsPlaying());
    QVERIFY(fmod.MusicOrder() == 0);

    QSignalSpy finished(&fmod.engine(), &sound::SoundEngine::songFinished);
    QVERIFY(fmod.MusicPlay(midi_, false, 255)); // 3 s
    QVERIFY(finished.wait(10000));
    QVERIFY(fmod.MusicIsFinished());
    QVERIFY(!fmod.MusicIsPlaying());
    QVERIFY(fmod.MusicUnload());
    QVERIFY(!fmod.MusicIsLoaded());

    QVERIFY(!fmod.MusicPlay(toneWav_, false, 255));
    QCOMPARE(notifier.shown,
             QStringList{"warning: Could not recognize & play \"" + toneWav_ + "\"."});
    QVERIFY(!fmod.MusicIsLoaded());
}

void TestClsFmod::musicDataAndCheck() {
    clsFMOD fmod;
    QVERIFY(fmod.GetMusicOK(xm_));
    QVERIFY(fmod.GetMusicOK(midi_));
    QVERIFY(!fmod.GetMusicOK(toneWav_));
    qint32 length = -5;
    QString name = QStringLiteral("untouched");
    fmod.GetMusicData(xm_, length, name);
    QCOMPARE(length, musicfixtures::XmFacts::kLengthMs / 1000);
    QCOMPARE(name, QString::fromLatin1(musicfixtures::XmFacts::kName));
    length = -5;
    name = QStringLiteral("untouched");
    fmod.GetMusicData(toneWav_, length, name);
    QCOMPARE(length, -5);
    QCOMPARE(name, QStringLiteral("untouched"));
}

void TestClsFmod::nothingLoadedDoesNothing() {
    clsFMOD fmod;
    QVERIFY(!fmod.MusicStop());
    QVERIFY(!fmod.MusicUnload());
    QVERIFY(!fmod.MusicPausePlay());
    QVERIFY(!fmod.MusicIsLoaded());
    QVERIFY(!fmod.MusicIsPlaying());
    QCOMPARE(fmod.MusicSongLen(), 0);
    QCOMPARE(fmod.MusicSongPos(), 0);
    QCOMPARE(fmod.MusicName(), QString());
    QVERIFY(fmod.StreamUnload());
    QCOMPARE(fmod.StreamKbps(), 0);
    float left = 0.25F;
    float right = 0.5F;
    fmod.GetSpecificVU(77, left, right);
    QCOMPARE(left, 0.25F);
    QCOMPARE(fmod.ChannelsPlaying(), 0);
}

void TestClsFmod::cdImagePlaysAsADrive() {
    const QVector<musicfixtures::CdTrackTone> tones{{440.0, 3}, {880.0, 2}};
    const QString bin = dir_.filePath(QStringLiteral("disc.bin"));
    const QString cue = dir_.filePath(QStringLiteral("disc.cue"));
    QVERIFY(testsupport::writeFile(bin, musicfixtures::cdImageData(tones)));
    QVERIFY(
        testsupport::writeFile(cue, musicfixtures::cueSheet(QStringLiteral("disc.bin"), tones)));
    sound::CdDrive::setDriveList({cue});
    clsFMOD fmod;
    QCOMPARE(fmod.CDGetNumTracks(0), 2);
    QCOMPARE(fmod.CDGetTrackLength(1, 0), 3000);
    QCOMPARE(fmod.CDGetTrackLength(2, 0), 2000);
    QCOMPARE(fmod.CDGetNumTracks(1), 0); // no such drive
    QVERIFY(!fmod.CDPlay(1, 0));         // not started
    QVERIFY(initSilent(fmod));
    QSignalSpy ended(&fmod.engine(), &sound::SoundEngine::cdTrackEnded);
    QVERIFY(fmod.CDPlay(2, 0));
    QVERIFY(!fmod.CDPlay(3, 0));
    QVERIFY(fmod.CDPlay(2, 0));
    fmod.CDSetTrackTime(1500, 0);
    QVERIFY(fmod.CDGetTrackTime(0) >= 1500);
    fmod.CDPausePlay(0);
    QVERIFY(fmod.engine().cdGetPaused(0));
    const qint32 held = fmod.CDGetTrackTime(0);
    QTest::qWait(200);
    QCOMPARE(fmod.CDGetTrackTime(0), held);
    fmod.CDPausePlay(0);
    fmod.CDSetVolume(128, 0);
    QVERIFY(ended.wait(5000)); // played once, then stopped
    QCOMPARE(fmod.engine().cdGetTrack(0), 0);
    QVERIFY(fmod.CDPlay(1, 0));
    fmod.CDStop(0);
    QCOMPARE(fmod.engine().cdGetTrack(0), 0);
    fmod.CDEject(0); // an image has no tray: nothing happens
    QCOMPARE(fmod.CDGetNumTracks(0), 2);
}

QTEST_GUILESS_MAIN(TestClsFmod)
#include "tst_clsfmod.moc"
