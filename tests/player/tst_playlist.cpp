// The audio player's play list, play order, display arithmetic and play-list files.
#include "PlayList.h"
#include "PlayListFiles.h"
#include "PlayOrder.h"
#include "PlayerDisplay.h"

#include "MusicFixtures.h"
#include "TestSupport.h"
#include "soundlib/cd/CdDrive.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace pelvanto;
namespace pd = pelvanto::playerdisplay;

class TestPlayList : public QObject {
    Q_OBJECT
private slots:
    void stripPath_data();
    void stripPath();
    void cdRows_data();
    void cdRows();
    void listsStayParallel();
    void order_data();
    void order();
    void afterEnd_data();
    void afterEnd();
    void positionText_data();
    void positionText();
    void knob_data();
    void knob();
    void drag_data();
    void drag();
    void balance_data();
    void balance();
    void volumeRamp_data();
    void volumeRamp();
    void heightsTitleCaption();
    void m3uRoundTrip_data();
    void m3uRoundTrip();
    void m3uRead_data();
    void m3uRead();
    void folderInNameOrder();
    void cdRowsOfADisc();
};

void TestPlayList::stripPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("full path") << "/home/ann/Music/a song.mp3"
                               << "a song.mp3";
    QTest::newRow("bare name") << "song.wav"
                               << "song.wav";
    QTest::newRow("ends in separator") << "/home/ann/"
                                       << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("dots in folders") << "/a.b/c.d/e"
                                     << "e";
}

void TestPlayList::stripPath() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(PlayList::StripPath(path), name);
}

void TestPlayList::cdRows_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("cd");
    QTest::addColumn<int>("track");
    QTest::newRow("row") << PlayList::cdTrackPath("/dev/sr0", 7) << true << 7;
    QTest::newRow("image row") << "/tmp/disc.cue/Track12.cda" << true << 12;
    QTest::newRow("upper case") << "D:/TRACK03.CDA" << true << 3;
    QTest::newRow("no number") << "/x/disc.cda" << true << 0;
    QTest::newRow("sound file") << "/x/Track01.mp3" << false << 0;
    QTest::newRow("short") << "da" << false << 0;
}

void TestPlayList::cdRows() {
    QFETCH(QString, path);
    QFETCH(bool, cd);
    QFETCH(int, track);
    QCOMPARE(PlayList::isCdTrack(path), cd);
    QCOMPARE(PlayList::cdTrackNumber(path), track);
}

void TestPlayList::listsStayParallel() {
    PlayList list;
    QVERIFY(!list.append(QString())); // a cancelled dialog
    QVERIFY(list.isEmpty());
    list.appendAll({"/m/one.mp3", "", "two.wav", PlayList::cdTrackPath("/dev/sr0", 1)});
    QCOMPARE(list.paths(), QStringList({"/m/one.mp3", "two.wav", "/dev/sr0/Track01.cda"}));
    QCOMPARE(list.names(), QStringList({"one.mp3", "two.wav", "Track01.cda"}));
    QCOMPARE(list.current(), -1);
    list.select(2);
    QCOMPARE(list.current(), 2);
    list.select(3);
    QCOMPARE(list.current(), -1);
    QCOMPARE(list.path(5), QString());
}

void TestPlayList::order_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("next");
    QTest::newRow("empty list") << -1 << 0 << -1 << -1;
    QTest::newRow("nothing selected") << -1 << 3 << 2 << 0;
    QTest::newRow("first") << 0 << 3 << 2 << 1;
    QTest::newRow("middle") << 1 << 3 << 0 << 2;
    QTest::newRow("last") << 2 << 3 << 1 << 0;
    QTest::newRow("single") << 0 << 1 << 0 << 0;
}

void TestPlayList::order() {
    QFETCH(int, current);
    QFETCH(int, count);
    QFETCH(int, previous);
    QFETCH(int, next);
    QCOMPARE(playorder::previous(current, count), previous);
    QCOMPARE(playorder::next(current, count), next);
}

void TestPlayList::afterEnd_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("random");
    QTest::addColumn<int>("index");
    const int normal = int(PlayMode::Normal);
    const int random = int(PlayMode::Random);
    const int none = int(PlayMode::None);
    QTest::newRow("normal moves on") << normal << false << 0 << 3 << 0.0 << 1;
    QTest::newRow("normal repeats the last") << normal << false << 2 << 3 << 0.0 << 2;
    QTest::newRow("normal, none selected") << normal << false << -1 << 3 << 0.0 << 0;
    QTest::newRow("random low") << random << false << 1 << 4 << 0.0 << 0;
    QTest::newRow("random high") << random << false << 1 << 4 << 0.999 << 3;
    QTest::newRow("random middle") << random << false << 1 << 4 << 0.5 << 2;
    QTest::newRow("none stops") << none << false << 0 << 3 << 0.0 << -1;
    QTest::newRow("repeat in normal") << normal << true << 1 << 3 << 0.0 << 1;
    QTest::newRow("repeat in none") << none << true << 2 << 3 << 0.0 << 2;
    QTest::newRow("repeat in random") << random << true << 0 << 3 << 0.9 << 0;
    QTest::newRow("empty") << normal << true << -1 << 0 << 0.0 << -1;
}

void TestPlayList::afterEnd() {
    QFETCH(int, mode);
    QFETCH(bool, repeat);
    QFETCH(int, current);
    QFETCH(int, count);
    QFETCH(double, random);
    QFETCH(int, index);
    QCOMPARE(
        playorder::afterEnd(PlayMode(mode), repeat, current, count, [random] { return random; }),
        index);
}

void TestPlayList::positionText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 0.0 << "00:00";
    QTest::newRow("59.6 rounds up") << 59.6 << "01:00";
    QTest::newRow("59.4") << 59.4 << "00:59";
    QTest::newRow("75.4") << 75.4 << "01:15";
    QTest::newRow("half to even, down") << 0.5 << "00:00";
    QTest::newRow("half to even, up") << 1.5 << "00:02";
    QTest::newRow("an hour and more") << 3725.2 << "62:05";
    QTest::newRow("past 99 minutes") << 6000.0 << "100:00";
    QTest::newRow("negative") << -3.0 << "00:00";
    QTest::newRow("not a number") << qQNaN() << "00:00";
}

void TestPlayList::positionText() {
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(pd::positionText(seconds), text);
}

void TestPlayList::knob_data() {
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("duration");
    QTest::addColumn<int>("left");
    QTest::newRow("start") << 0.0 << 100.0 << 120;
    QTest::newRow("half") << 50.0 << 100.0 << 1890;
    QTest::newRow("end") << 100.0 << 100.0 << 3660;
    QTest::newRow("truncated") << 1.0 << 3.0 << 1300;
    QTest::newRow("no duration") << 5.0 << 0.0 << -1;
}

void TestPlayList::knob() {
    QFETCH(double, position);
    QFETCH(double, duration);
    QFETCH(int, left);
    QCOMPARE(pd::knobLeft(position, duration), left);
    if (left >= 0 && left <= pd::kKnobDragMax)
        QVERIFY(std::abs(pd::seekTarget(left, duration) - position) < duration / 3540.0);
}

void TestPlayList::drag_data() {
    QTest::addColumn<int>("atPress");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("left");
    QTest::newRow("follows the mouse") << 1000 << 10 << 120 << 3540 << 1150;
    QTest::newRow("backwards") << 1000 << -20 << 120 << 3540 << 700;
    QTest::newRow("stops left") << 200 << -100 << 120 << 3540 << 120;
    QTest::newRow("stops right") << 3400 << 100 << 120 << 3540 << 3540;
    QTest::newRow("balance stops left") << 1320 << -100 << 900 << 1740 << 900;
    QTest::newRow("balance stops right") << 1320 << 100 << 900 << 1740 << 1740;
}

void TestPlayList::drag() {
    QFETCH(int, atPress);
    QFETCH(int, delta);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, left);
    QCOMPARE(pd::draggedLeft(atPress, delta, 15.0, min, max), left);
    // The right end of the drag seeks to 3420/3540 of the file, not to its end.
    QCOMPARE(pd::seekTarget(pd::kKnobDragMax, 3540.0), 3420.0);
}

void TestPlayList::balance_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("value");
    QTest::newRow("full left") << 900 << "song.mp3"
                               << "Left" << -1600;
    QTest::newRow("left edge") << 1199 << "x"
                               << "Left" << -1301;
    QTest::newRow("centre") << 1320 << "x"
                            << "Center" << -1180;
    QTest::newRow("between keeps") << 1400 << "Right"
                                   << "Right" << -1100;
    QTest::newRow("between keeps title") << 1620 << "song.mp3"
                                         << "song.mp3" << -880;
    QTest::newRow("right") << 1621 << "Center"
                           << "Right" << -879;
    QTest::newRow("full right") << 1740 << "x"
                                << "Right" << -760;
}

void TestPlayList::balance() {
    QFETCH(int, left);
    QFETCH(QString, shown);
    QFETCH(QString, label);
    QFETCH(int, value);
    QCOMPARE(pd::balanceLabel(left, shown), label);
    QCOMPARE(pd::balanceValue(left), value);
}

void TestPlayList::volumeRamp_data() {
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("segments");
    QTest::newRow("full") << 0 << 6;
    QTest::newRow("-999") << -999 << 6;
    QTest::newRow("-1000") << -1000 << 5;
    QTest::newRow("-1500") << -1500 << 4;
    QTest::newRow("-2000") << -2000 << 3;
    QTest::newRow("-3000") << -3000 << 3;
    QTest::newRow("-4000") << -4000 << 2;
    QTest::newRow("-5000") << -5000 << 1;
    QTest::newRow("-6000") << -6000 << 0;
    QTest::newRow("-6999") << -6999 << 0;
    QTest::newRow("-7000 keeps") << -7000 << 4;
    QTest::newRow("silent keeps") << -10000 << 4;
}

void TestPlayList::volumeRamp() {
    QFETCH(int, volume);
    QFETCH(int, segments);
    QCOMPARE(pd::volumeSegments(volume, 4), segments);
    QCOMPARE(pd::rampedVolume(volume, true), volume + 130);
    QCOMPARE(pd::rampedVolume(volume, false), volume - 130);
}

void TestPlayList::heightsTitleCaption() {
    QCOMPARE(pd::toggledSmall(230), 1725);
    QCOMPARE(pd::toggledSmall(1725), 230);
    QCOMPARE(pd::toggledSmall(5640), 5640);
    QCOMPARE(pd::toggledFold(1725), 5640);
    QCOMPARE(pd::toggledFold(5640), 1725);
    QCOMPARE(pd::toggledFold(230), 230);
    QCOMPARE(pd::scrolledTitleLeft(100, 500, 3000), 50);
    QCOMPARE(pd::scrolledTitleLeft(-450, 500, 3000), -500);
    QCOMPARE(pd::scrolledTitleLeft(-460, 500, 3000), 3000);
    QCOMPARE(pd::caption(false, "song.mp3"), QString("Audio Player"));
    QCOMPARE(pd::caption(true, "song.mp3"), QString("Audio Player...song.mp3"));
}

void TestPlayList::m3uRoundTrip_data() {
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QStringList>("entries"); // relative to the temporary folder
    QTest::addColumn<QStringList>("written"); // the entry lines of the file
    QTest::newRow("beside the list")
        << "list.m3u" << QStringList{"a.mp3", "sub/b.wav"} << QStringList{"a.mp3", "sub/b.wav"};
    QTest::newRow("outside the list's folder")
        << "lists/list.m3u" << QStringList{"a.mp3", "lists/c.ogg"}
        << QStringList{"@a.mp3", "c.ogg"};
    QTest::newRow("UTF-8 names") << "liste.m3u8" << QStringList{"Ünïcödé ♪.mp3", "日本.wav"}
                                 << QStringList{"Ünïcödé ♪.mp3", "日本.wav"};
    QTest::newRow("CD rows") << "cd.m3u" << QStringList{"@/dev/sr0/Track01.cda"}
                             << QStringList{"/dev/sr0/Track01.cda"};
    QTest::newRow("names like comments and addresses")
        << "odd.m3u" << QStringList{"#1 hit.mp3", "file:song.mp3", "http:/x.mp3"}
        << QStringList{"./#1 hit.mp3", "./file:song.mp3", "http:/x.mp3"};
}

void TestPlayList::m3uRoundTrip() {
    QFETCH(QString, listName);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, written);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("lists")));
    const auto full = [&](QString e) { return e.startsWith('@') ? e.mid(1) : dir.filePath(e); };
    QStringList paths;
    QStringList names;
    for (const QString &e : entries) {
        paths << (e.startsWith("@/dev") ? e.mid(1) : full(e));
        names << PlayList::StripPath(paths.last());
    }
    const QString listPath = dir.filePath(listName);
    QVERIFY(playlistfiles::writeM3u(listPath, paths, names));
    const QString text = QString::fromUtf8(testsupport::readFile(listPath));
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.takeFirst(), QString("#EXTM3U"));
    QCOMPARE(lines.size(), 2 * entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(lines[2 * i], QString("#EXTINF:-1,") + names[i]);
        QCOMPARE(lines[2 * i + 1],
                 written[i].startsWith("@") ? dir.filePath(written[i].mid(1)) : written[i]);
    }
    bool ok = false;
    QCOMPARE(playlistfiles::readM3u(listPath, &ok), paths);
    QVERIFY(ok);
}

void TestPlayList::m3uRead_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QStringList>("paths"); // "@" stands for the list's folder
    QTest::newRow("plain, CR LF") << QByteArray("one.mp3\r\n\r\n/abs/two.wav\r\n") << "l.m3u"
                                  << QStringList{"@/one.mp3", "/abs/two.wav"};
    QTest::newRow("extended with comments")
        << QByteArray("#EXTM3U\n#EXTINF:123,Artist - Title\nmusic/one.mp3\n# note\n"
                      "#EXTINF:-1,Other\n../up.ogg\n")
        << "l.m3u" << QStringList{"@/music/one.mp3", "@/../up.ogg"};
    QTest::newRow("byte order mark")
        << QByteArray("\xEF\xBB\xBF#EXTM3U\nsong.mp3\n") << "l.m3u8" << QStringList{"@/song.mp3"};
    QTest::newRow("Latin-1 .m3u") << QByteArray("caf\xE9.mp3\n") << "l.m3u"
                                  << QStringList{QString::fromUtf8("@/café.mp3")};
    QTest::newRow("file address") << QByteArray("file:///music/a%20b.mp3\nhttp://radio/x\n")
                                  << "l.m3u" << QStringList{"/music/a b.mp3"};
    QTest::newRow("backslashes") << QByteArray("Music\\song.mp3\n") << "l.m3u"
                                 << QStringList{"@/Music/song.mp3"};
    QTest::newRow("empty") << QByteArray() << "l.m3u" << QStringList{};
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe#\n\x01\x02\n", 8) << "l.m3u"
                                    << QStringList{QString::fromLatin1("@/\x01\x02")};
    QTest::newRow("a very long line")
        << QByteArray(100000, 'a') + ".mp3\n"
        << "l.m3u" << QStringList{"@/" + QString(100000, 'a') + ".mp3"};
}

void TestPlayList::m3uRead() {
    QFETCH(QByteArray, content);
    QFETCH(QString, listName);
    QFETCH(QStringList, paths);
    QTemporaryDir dir;
    const QString sub = dir.filePath("lists");
    QVERIFY(QDir().mkpath(sub));
    const QString listPath = sub + "/" + listName;
    QVERIFY(testsupport::writeFile(listPath, content));
    for (QString &p : paths)
        p = QDir::cleanPath(p.replace("@", sub));
    bool ok = false;
    QCOMPARE(playlistfiles::readM3u(listPath, &ok), paths);
    QVERIFY(ok);
    QVERIFY(playlistfiles::readM3u(dir.filePath("missing.m3u"), &ok).isEmpty());
    QVERIFY(!ok);
}

void TestPlayList::folderInNameOrder() {
    QTemporaryDir dir;
    for (const char *name : {"b.mp3", "A.wav", "track10.ogg", "track2.ogg", "notes.txt",
                             "cover.jpg", "song.MID", "c.aiff"})
        QVERIFY(testsupport::writeFile(dir.filePath(name), "x"));
    QVERIFY(QDir().mkpath(dir.filePath("sub.mp3")));
    QStringList expected;
    for (const char *name : {"A.wav", "b.mp3", "c.aiff", "song.MID", "track2.ogg", "track10.ogg"})
        expected << dir.filePath(name);
    QCOMPARE(playlistfiles::playableFiles(dir.path()), expected);
    QVERIFY(playlistfiles::playableFiles(dir.filePath("missing")).isEmpty());
}

void TestPlayList::cdRowsOfADisc() {
    QTemporaryDir dir;
    const QVector<musicfixtures::CdTrackTone> tones{{440.0, 1}, {660.0, 1}, {880.0, 1}};
    QVERIFY(testsupport::writeFile(dir.filePath("d.bin"), musicfixtures::cdImageData(tones)));
    QVERIFY(testsupport::writeFile(dir.filePath("d.cue"),
                                   musicfixtures::cueSheet(QStringLiteral("d.bin"), tones)));
    sound::CdDrive::setDriveList({dir.filePath("d.cue"), dir.filePath("missing.cue")});
    const QStringList rows = playlistfiles::cdTrackRows(0);
    QCOMPARE(rows,
             QStringList({dir.filePath("d.cue/Track01.cda"), dir.filePath("d.cue/Track02.cda"),
                          dir.filePath("d.cue/Track03.cda")}));
    for (int i = 0; i < rows.size(); ++i) {
        QVERIFY(PlayList::isCdTrack(rows[i]));
        QCOMPARE(PlayList::cdTrackNumber(rows[i]), i + 1);
    }
    QVERIFY(playlistfiles::cdTrackRows(1).isEmpty());
    QVERIFY(playlistfiles::cdTrackRows(7).isEmpty());
    sound::CdDrive::resetDriveList();
}

QTEST_GUILESS_MAIN(TestPlayList)
#include "tst_playlist.moc"
