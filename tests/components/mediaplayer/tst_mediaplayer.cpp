// The media player control on the test sound server, heard back on the output's monitor by an
// independent client: the formats the player window offers, pause, seek, balance, volume, the
// end of a file, a CD image and files it cannot play.
#include "MusicFixtures.h"
#include "SinkMonitor.h"

#include "mediaplayer/MediaPlayer.h"
#include "soundlib/Voice.h"
#include "soundlib/cd/CdDrive.h"

#include <QSignalSpy>
#include <QtTest>

using namespace pelvanto;
using sinkmonitor::count;
using sinkmonitor::Monitor;
using sinkmonitor::windows;

class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_PULSE(); }
    void cleanup() { sound::CdDrive::resetDriveList(); }
    void levels_data();
    void levels();
    void everyFormatIsHeard_data();
    void everyFormatIsHeard();
    void midiIsHeard();
    void pauseHoldsThePlace();
    void seekLandsWhereAsked();
    void stopRewinds();
    void balanceIsHeardOnOneSide_data();
    void balanceIsHeardOnOneSide();
    void volumeEnds();
    void cdImagePlaysByTrack();
    void unplayableFilesFail_data();
    void unplayableFilesFail();

private:
    QTemporaryDir dir_;
};

void TestMediaPlayer::levels_data() {
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("balance");
    QTest::addColumn<int>("pan");
    // Volume in hundredths of a decibel; balance centred on -1180, 420 either way.
    QTest::newRow("full, centre") << 0 << 255 << -1180 << sound::kFullStereoPan;
    QTest::newRow("-6 dB, full left") << -600 << 128 << -1600 << 0;
    QTest::newRow("-20 dB, full right") << -2000 << 26 << -760 << 255;
    QTest::newRow("-40 dB, past left") << -4000 << 3 << -2500 << 0;
    QTest::newRow("-60 dB silent, past right") << -6000 << 0 << 1700 << 255;
    QTest::newRow("floor, half right") << -10000 << 0 << -970 << 191;
    QTest::newRow("above full clamps") << 130 << 255 << -1390 << 64;
}

void TestMediaPlayer::levels() {
    QFETCH(int, volume);
    QFETCH(int, level);
    QFETCH(int, balance);
    QFETCH(int, pan);
    QCOMPARE(MediaPlayer::levelForVolume(volume), level);
    QCOMPARE(MediaPlayer::panForBalance(balance), pan);
}

void TestMediaPlayer::everyFormatIsHeard_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("hz");
    QTest::newRow("MP3") << "tone.mp3" << 440.0;
    QTest::newRow("WAV") << "tone.wav" << 523.0;
    QTest::newRow("WMA") << "tone.wma" << 587.0;
    QTest::newRow("Ogg") << "tone.ogg" << 659.0;
    QTest::newRow("AIFF") << "tone.aiff" << 784.0;
    QTest::newRow("AU") << "tone.au" << 880.0;
}

void TestMediaPlayer::everyFormatIsHeard() {
    QFETCH(QString, file);
    QFETCH(double, hz);
    const QString path = sinkmonitor::encodedTone(dir_, file, {hz}, 1.5);
    QVERIFY(!path.isEmpty());
    MediaPlayer player;
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY2(player.setFileName(path), qPrintable(player.ErrorText()));
    QCOMPARE(player.FileName(), path);
    QVERIFY(std::abs(player.Duration() - 1.5) < 0.1);
    QVERIFY(ended.wait(10000));
    const QVector<double> heard = windows(monitor.stop(), {hz, hz * 1.5, hz / 1.5});
    QVERIFY2(std::abs(count(heard, hz) - 30) <= 2, qPrintable(QString::number(count(heard, hz))));
    QCOMPARE(count(heard, hz * 1.5) + count(heard, hz / 1.5), 0);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toInt(), 0);
    // A finished file stands at its start and plays again from there.
    QVERIFY(!player.IsPlaying());
    QCOMPARE(player.CurrentPosition(), 0.0);
    player.Play();
    QVERIFY(player.IsPlaying());
    QVERIFY(ended.wait(10000));
}

void TestMediaPlayer::midiIsHeard() {
    const QString mid = dir_.filePath(QStringLiteral("song.mid"));
    QVERIFY(testsupport::writeFile(mid, musicfixtures::midiFile()));
    MediaPlayer player;
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    // Loud samples per side of what was heard.
    const auto loud = [](const QVector<qint16> &sound, int channel) {
        qsizetype n = 0;
        for (qsizetype i = channel; i < sound.size(); i += 2)
            n += std::abs(sound[i]) > 1000;
        return n;
    };
    {
        Monitor monitor;
        QVERIFY(monitor.started());
        QVERIFY2(player.setFileName(mid), qPrintable(player.ErrorText()));
        QCOMPARE(player.Duration(), musicfixtures::MidiFacts::kLengthMs / 1000.0);
        QTest::qWait(1000);
        QVERIFY(player.CurrentPosition() > 0.5);
        QVERIFY(ended.wait(10000));
        const QVector<qint16> sound = monitor.stop();
        QVERIFY2(loud(sound, 0) > sinkmonitor::kRate / 4,
                 qPrintable(QString::number(loud(sound, 0))));
        QVERIFY(loud(sound, 1) > sinkmonitor::kRate / 4);
    }
    {
        // Songs take the balance too: full right.
        QVERIFY(player.setBalance(-760));
        Monitor monitor;
        QVERIFY(monitor.started());
        QVERIFY(player.setFileName(mid));
        QVERIFY(ended.wait(10000));
        const QVector<qint16> sound = monitor.stop();
        QCOMPARE(loud(sound, 0), 0);
        QVERIFY(loud(sound, 1) > sinkmonitor::kRate / 4);
    }
}

void TestMediaPlayer::pauseHoldsThePlace() {
    const QString path = sinkmonitor::encodedTone(dir_, QStringLiteral("pause.mp3"), {440}, 2);
    MediaPlayer player;
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(player.setFileName(path));
    QTest::qWait(600);
    player.Pause();
    QVERIFY(!player.IsPlaying());
    const double heldAt = player.CurrentPosition();
    QVERIFY(heldAt > 0.3 && heldAt < 1.0);
    QTest::qWait(1200);
    QCOMPARE(player.CurrentPosition(), heldAt);
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    player.Play();
    QVERIFY(ended.wait(10000));
    const QVector<double> heard = windows(monitor.stop(), {440});
    // All 2 s of it, with a quiet gap of about 1.2 s between the two parts.
    QVERIFY2(std::abs(count(heard, 440) - 40) <= 3, qPrintable(QString::number(count(heard, 440))));
    const qsizetype first = heard.indexOf(440.0);
    const qsizetype last = heard.lastIndexOf(440.0);
    QVERIFY(last - first + 1 - count(heard, 440) >= 20);
}

void TestMediaPlayer::seekLandsWhereAsked() {
    // One second each of six pitches: what is heard after a seek tells where it landed.
    const QVector<double> tones{330, 392, 440, 523, 587, 659};
    const QString path = sinkmonitor::encodedTone(dir_, QStringLiteral("seek.mp3"), tones, 1);
    MediaPlayer player;
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(player.setFileName(path));
    QTest::qWait(300);
    player.setCurrentPosition(3.3);
    QVERIFY2(std::abs(player.CurrentPosition() - 3.3) < 0.5,
             qPrintable(QString::number(player.CurrentPosition())));
    QTest::qWait(400);
    player.Stop();
    QVector<double> heard = windows(monitor.stop(), tones);
    heard.removeAll(0.0);
    // The first 300 ms at the start, then the rest of the fourth second.
    QVERIFY(heard.size() > 6);
    QCOMPARE(heard.first(), tones[0]);
    QCOMPARE(heard.last(), tones[3]);
    QCOMPARE(count(heard, tones[1]) + count(heard, tones[2]), 0);
}

void TestMediaPlayer::stopRewinds() {
    const QString path = sinkmonitor::encodedTone(dir_, QStringLiteral("stop.wav"), {440}, 2);
    MediaPlayer player;
    QVERIFY(player.setFileName(path));
    QTest::qWait(500);
    player.Stop();
    QVERIFY(!player.IsPlaying());
    QCOMPARE(player.CurrentPosition(), 0.0);
    player.Pause(); // nothing to pause
    player.Play();
    QVERIFY(player.IsPlaying());
    QTest::qWait(300);
    QVERIFY(player.CurrentPosition() > 0.1 && player.CurrentPosition() < 0.8);
}

void TestMediaPlayer::balanceIsHeardOnOneSide_data() {
    QTest::addColumn<int>("balance");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    // The tone is written at amplitude 0.5.
    QTest::newRow("full left") << -1600 << 0.5 << 0.0;
    QTest::newRow("centre") << -1180 << 0.5 << 0.5;
    QTest::newRow("full right") << -760 << 0.0 << 0.5;
    QTest::newRow("half right") << -970 << 0.25 << 0.5;
}

void TestMediaPlayer::balanceIsHeardOnOneSide() {
    QFETCH(int, balance);
    QFETCH(double, left);
    QFETCH(double, right);
    const QString path = sinkmonitor::encodedTone(dir_, QStringLiteral("balance.wav"), {440}, 1);
    MediaPlayer player;
    QVERIFY(player.setBalance(balance));
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(player.setFileName(path));
    QVERIFY(ended.wait(10000));
    const QVector<qint16> sound = monitor.stop();
    QVERIFY(std::abs(sinkmonitor::peakAmplitude(sound, 0, 440) - left) < 0.03);
    QVERIFY(std::abs(sinkmonitor::peakAmplitude(sound, 1, 440) - right) < 0.03);
    QCOMPARE(player.Balance(), balance);
}

void TestMediaPlayer::volumeEnds() {
    const QString path = sinkmonitor::encodedTone(dir_, QStringLiteral("volume.wav"), {440}, 3);
    MediaPlayer player;
    QCOMPARE(player.Volume(), 0);
    // Past either end the control refuses and keeps what it had.
    QVERIFY(!player.setVolume(130));
    QVERIFY(!player.setVolume(-10130));
    QCOMPARE(player.Volume(), 0);
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(player.setFileName(path));
    QTest::qWait(900);
    QVERIFY(player.setVolume(MediaPlayer::kSilentVolume));
    QTest::qWait(900);
    QVERIFY(player.setVolume(-2000));
    QTest::qWait(900);
    player.Stop();
    const QVector<qint16> sound = monitor.stop();
    QVector<double> amps;
    for (qsizetype at = 0; (at + sinkmonitor::kWindow) * 2 <= sound.size();
         at += sinkmonitor::kWindow)
        amps << sinkmonitor::amplitude(sound, at, sinkmonitor::kWindow, 0, 440);
    // Full, then silence, then a tenth (-20 dB): each seen for a good part of its 900 ms.
    const auto near = [&](double a) {
        return std::count_if(amps.begin(), amps.end(),
                             [a](double v) { return std::abs(v - a) < 0.01; });
    };
    QVERIFY2(near(0.5) >= 12, qPrintable(QString::number(near(0.5))));
    QVERIFY2(near(0.05) >= 12, qPrintable(QString::number(near(0.05))));
    const qsizetype firstLoud =
        std::find_if(amps.begin(), amps.end(), [](double v) { return v > 0.4; }) - amps.begin();
    const auto silent =
        std::count_if(amps.begin() + firstLoud, amps.end(), [](double v) { return v < 0.001; });
    QVERIFY2(silent >= 12, qPrintable(QString::number(silent)));
}

void TestMediaPlayer::cdImagePlaysByTrack() {
    const QVector<musicfixtures::CdTrackTone> tones{{440.0, 2}, {880.0, 2}};
    QVERIFY(testsupport::writeFile(dir_.filePath("cd.bin"), musicfixtures::cdImageData(tones)));
    QVERIFY(testsupport::writeFile(dir_.filePath("cd.cue"),
                                   musicfixtures::cueSheet(QStringLiteral("cd.bin"), tones)));
    sound::CdDrive::setDriveList({dir_.filePath("cd.cue")});
    QCOMPARE(MediaPlayer::cdTrackCount(), 2);
    MediaPlayer player;
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    {
        Monitor monitor;
        QVERIFY(monitor.started());
        QVERIFY2(player.setFileName(QStringLiteral("CDAUDIO:2")), qPrintable(player.ErrorText()));
        QCOMPARE(player.Duration(), 2.0);
        QVERIFY(ended.wait(10000));
        const QVector<double> heard = windows(monitor.stop(), {440, 880});
        QCOMPARE(count(heard, 440), 0);
        QVERIFY(std::abs(count(heard, 880) - 40) <= 2);
    }
    {
        // The whole disc from its first track: one end, after both.
        ended.clear();
        Monitor monitor;
        QVERIFY(monitor.started());
        QVERIFY(player.setFileName(QStringLiteral("CDAUDIO:")));
        QVERIFY(ended.wait(10000));
        const QVector<double> heard = windows(monitor.stop(), {440, 880});
        QCOMPARE(ended.count(), 1);
        QVERIFY(std::abs(count(heard, 440) - 40) <= 2);
        QVERIFY(std::abs(count(heard, 880) - 40) <= 2);
        QVERIFY(heard.indexOf(440.0) < heard.indexOf(880.0));
    }
    {
        // Balance holds for the disc too: full left leaves the right side silent.
        QVERIFY(player.setBalance(-1600));
        ended.clear();
        Monitor monitor;
        QVERIFY(monitor.started());
        QVERIFY(player.setFileName(QStringLiteral("CDAUDIO:1")));
        QVERIFY(ended.wait(10000));
        const QVector<qint16> sound = monitor.stop();
        QVERIFY(sinkmonitor::peakAmplitude(sound, 0, 440) > 0.2);
        QVERIFY(sinkmonitor::peakAmplitude(sound, 1, 440) < 0.01);
    }
    QVERIFY(!player.setFileName(QStringLiteral("CDAUDIO:3")));
}

void TestMediaPlayer::unplayableFilesFail_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << "missing.mp3" << QByteArray();
    QTest::newRow("folder") << "dir.mp3" << QByteArray();
    QTest::newRow("empty") << "empty.wav" << QByteArray();
    QTest::newRow("text") << "notes.mp3" << QByteArray("just some words, not sound\n");
    QTest::newRow("noise") << "noise.wma" << QByteArray(4096, '\x5a');
}

void TestMediaPlayer::unplayableFilesFail() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = dir_.filePath(name);
    QVERIFY(soundtest::makeBadInput(path, content));
    MediaPlayer player;
    QSignalSpy ended(&player, &MediaPlayer::EndOfStream);
    QVERIFY(!player.setFileName(path));
    QVERIFY(!player.ErrorText().isEmpty());
    QVERIFY(!player.IsOpen());
    QVERIFY(!player.IsPlaying());
    QCOMPARE(player.Duration(), 0.0);
    player.Play();
    player.setCurrentPosition(1);
    QVERIFY(!ended.wait(300));
    QVERIFY(!player.setFileName(QString()));
}

QTEST_GUILESS_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
