// The audio player's transport with the real media player on the test sound server: which
// entry plays after previous, next and the end of a track in each mode, the pause caption, CD
// rows, and a list with files that cannot be played.
#include "MusicFixtures.h"
#include "PlayerTransport.h"
#include "SinkMonitor.h"

#include "mediaplayer/MediaPlayer.h"
#include "soundlib/cd/CdDrive.h"

#include <QSignalSpy>
#include <QtTest>

using namespace pelvanto;

class TestPlayerTransport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { sound::CdDrive::resetDriveList(); }
    void endOfTrackByMode_data();
    void endOfTrackByMode();
    void previousAndNextWrap();
    void pauseCaption();
    void cdRowsPlayTheirTrack();
    void badEntriesAreSkipped_data();
    void badEntriesAreSkipped();
    void allBadStops();

private:
    // The entries started, in order, until `count` have started or time runs out.
    static QList<int> started(PlayerTransport &transport, int count, int guardMs = 8000);
    QTemporaryDir dir_;
    QStringList tones_;
};

void TestPlayerTransport::initTestCase() {
    REQUIRE_PULSE();
    for (double hz : {440.0, 554.0, 659.0})
        tones_ << sinkmonitor::encodedTone(dir_, QStringLiteral("t%1.wav").arg(hz), {hz}, 0.4);
    QVERIFY(!tones_.contains(QString()));
}

QList<int> TestPlayerTransport::started(PlayerTransport &transport, int count, int guardMs) {
    QList<int> order;
    QMetaObject::Connection c =
        QObject::connect(&transport, &PlayerTransport::currentChanged, [&](int i) { order << i; });
    QElapsedTimer t;
    t.start();
    while (order.size() < count && t.elapsed() < guardMs)
        QTest::qWait(20);
    QObject::disconnect(c);
    return order;
}

void TestPlayerTransport::endOfTrackByMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<int>("first");
    QTest::addColumn<QList<int>>("then");
    QTest::addColumn<bool>("playing");
    QTest::newRow("normal: on, then the last again")
        << int(PlayMode::Normal) << false << 1 << QList<int>{2, 2} << true;
    QTest::newRow("none: stops") << int(PlayMode::None) << false << 0 << QList<int>{} << false;
    QTest::newRow("random") << int(PlayMode::Random) << false << 0 << QList<int>{2, 0, 1} << true;
    QTest::newRow("repeat song") << int(PlayMode::Normal) << true << 0 << QList<int>{0, 0} << true;
}

void TestPlayerTransport::endOfTrackByMode() {
    QFETCH(int, mode);
    QFETCH(bool, repeat);
    QFETCH(int, first);
    QFETCH(QList<int>, then);
    QFETCH(bool, playing);
    MediaPlayer player;
    PlayList list;
    list.appendAll(tones_);
    PlayerTransport transport(player, list);
    transport.setMode(PlayMode(mode));
    transport.setRepeatSong(repeat);
    // Picks 0.9, 0.1, 0.5 of the list in turn.
    QList<double> picks{0.9, 0.1, 0.5};
    transport.setRandom([&picks] { return picks.isEmpty() ? 0.0 : picks.takeFirst(); });
    QSignalSpy titles(&transport, &PlayerTransport::titleChanged);
    QVERIFY(transport.playEntry(first));
    QCOMPARE(transport.title(), list.name(first));
    if (then.isEmpty()) {
        QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
        QVERIFY(ended.wait(5000));
        QTest::qWait(100);
        QCOMPARE(list.current(), first);
    } else {
        QCOMPARE(started(transport, int(then.size())), then);
    }
    QCOMPARE(player.IsPlaying(), playing);
    // In normal mode the title shows what the player opened.
    if (PlayMode(mode) == PlayMode::Normal && !repeat)
        QCOMPARE(transport.title(), tones_[2]);
    else if (PlayMode(mode) == PlayMode::Random)
        QCOMPARE(transport.title(), list.name(then.last()));
    else
        QCOMPARE(transport.title(), list.name(first));
    player.Stop();
}

void TestPlayerTransport::previousAndNextWrap() {
    MediaPlayer player;
    PlayList list;
    PlayerTransport transport(player, list);
    transport.next(); // nothing to do on an empty list
    transport.previous();
    QCOMPARE(list.current(), -1);
    QVERIFY(!transport.playCurrent());
    list.appendAll(tones_);
    transport.previous(); // none selected: the last
    QCOMPARE(list.current(), 2);
    QCOMPARE(player.FileName(), tones_[2]);
    transport.next();
    QCOMPARE(list.current(), 0);
    transport.previous();
    QCOMPARE(list.current(), 2);
    transport.previous();
    QCOMPARE(list.current(), 1);
    QCOMPARE(transport.title(), list.name(1));
    QVERIFY(player.IsPlaying());
    transport.stop();
    QVERIFY(!player.IsPlaying());
    QCOMPARE(player.CurrentPosition(), 0.0);
    QVERIFY(transport.playCurrent());
    QVERIFY(player.IsPlaying());
    player.Stop();
}

void TestPlayerTransport::pauseCaption() {
    MediaPlayer player;
    PlayList list;
    PlayerTransport transport(player, list);
    // Nothing happens with an empty list.
    QCOMPARE(transport.togglePause("Label1"), QString("Label1"));
    const QString long1 = sinkmonitor::encodedTone(dir_, QStringLiteral("long.wav"), {440}, 3);
    QVERIFY(transport.openFile(long1));
    QCOMPARE(transport.title(), QString("long.wav"));
    // The first press plays (the caption reads neither word), then they alternate.
    QString caption = transport.togglePause("Label1");
    QCOMPARE(caption, QString("Pause"));
    QVERIFY(player.IsPlaying());
    caption = transport.togglePause(caption);
    QCOMPARE(caption, QString("Resume"));
    QVERIFY(!player.IsPlaying());
    const double held = player.CurrentPosition();
    QTest::qWait(300);
    QCOMPARE(player.CurrentPosition(), held);
    caption = transport.togglePause(caption);
    QCOMPARE(caption, QString("Pause"));
    QVERIFY(player.IsPlaying());
    player.Stop();
    // A cancelled dialog adds nothing.
    QVERIFY(!transport.openFile(QString()));
    QCOMPARE(list.count(), 1);
}

void TestPlayerTransport::cdRowsPlayTheirTrack() {
    const QVector<musicfixtures::CdTrackTone> tones{{440.0, 1}, {880.0, 1}};
    QVERIFY(testsupport::writeFile(dir_.filePath("cd.bin"), musicfixtures::cdImageData(tones)));
    QVERIFY(testsupport::writeFile(dir_.filePath("cd.cue"),
                                   musicfixtures::cueSheet(QStringLiteral("cd.bin"), tones)));
    sound::CdDrive::setDriveList({dir_.filePath("cd.cue")});
    MediaPlayer player;
    PlayList list;
    PlayerTransport transport(player, list);
    transport.setMode(PlayMode::None);
    QSignalSpy titles(&transport, &PlayerTransport::titleChanged);
    sinkmonitor::Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(transport.openFile(PlayList::cdTrackPath(dir_.filePath("cd.cue"), 2)));
    QCOMPARE(list.name(0), QString("Track02.cda"));
    QCOMPARE(player.FileName(), QString("CDAUDIO:2"));
    QCOMPARE(titles.count(), 0); // a CD row leaves the title alone
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    QVERIFY(ended.wait(5000));
    const QVector<double> heard = sinkmonitor::windows(monitor.stop(), {440, 880});
    QCOMPARE(sinkmonitor::count(heard, 440), 0);
    QVERIFY(sinkmonitor::count(heard, 880) >= 18);
}

void TestPlayerTransport::badEntriesAreSkipped_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("normal") << int(PlayMode::Normal);
    QTest::newRow("random") << int(PlayMode::Random);
}

void TestPlayerTransport::badEntriesAreSkipped() {
    QFETCH(int, mode);
    const QString corrupt = dir_.filePath("corrupt.mp3");
    QVERIFY(testsupport::writeFile(corrupt, QByteArray(3000, '\x33')));
    MediaPlayer player;
    PlayList list;
    list.appendAll({tones_[0], corrupt, dir_.filePath("gone.wav"), tones_[1]});
    PlayerTransport transport(player, list);
    transport.setMode(PlayMode(mode));
    // Random: lands on the corrupt file, then picks among the rest.
    QList<double> picks{0.3, 0.4, 0.99};
    transport.setRandom([&picks] { return picks.isEmpty() ? 0.0 : picks.takeFirst(); });
    QSignalSpy titles(&transport, &PlayerTransport::titleChanged);
    QVERIFY(transport.playEntry(0));
    const QList<int> order = started(transport, 3);
    QCOMPARE(order, (QList<int>{1, 2, 3}));
    QTRY_VERIFY(player.IsPlaying());
    QCOMPARE(player.FileName(), tones_[1]);
    QStringList shown;
    for (const QList<QVariant> &t : titles)
        shown << t.first().toString();
    QVERIFY2(shown.filter("Cannot play corrupt.mp3").size() == 1, qPrintable(shown.join('|')));
    QVERIFY2(shown.filter("Cannot play gone.wav").size() == 1, qPrintable(shown.join('|')));
    QCOMPARE(shown.last(), list.name(3));
    player.Stop();
}

void TestPlayerTransport::allBadStops() {
    MediaPlayer player;
    PlayList list;
    list.appendAll({dir_.filePath("a.mp3"), dir_.filePath("b.mp3")});
    PlayerTransport transport(player, list);
    QSignalSpy current(&transport, &PlayerTransport::currentChanged);
    QVERIFY(!transport.playEntry(0));
    QTest::qWait(300);
    QCOMPARE(current.count(), 2); // each tried once
    QVERIFY(!player.IsPlaying());
    QVERIFY(transport.title().startsWith("Cannot play b.mp3"));
}

QTEST_GUILESS_MAIN(TestPlayerTransport)
#include "tst_playertransport.moc"
