// The wrapper playing through the test sound server, heard back on the output's monitor by an
// independent client (parec): every stream format, pause, seek, pan, frequency, several
// sounds at once, music and a CD image.
#include "MusicFixtures.h"
#include "PlayerTestUtil.h"
#include "clsFMOD.h"

#include "soundlib/SoundEngine.h"
#include "soundlib/cd/CdDrive.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace pelvanto;

namespace {

constexpr int kRate = 44100;
constexpr int kWindow = kRate / 20; // 50 ms

// Records the default output's monitor, 16-bit stereo.
class Monitor {
public:
    Monitor() {
        path_ = dir_.filePath(QStringLiteral("monitor.raw"));
        proc_.setStandardOutputFile(path_);
        proc_.start(QStringLiteral("parec"),
                    {"--raw", "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=10",
                     "-d", "rec_sink.monitor"});
    }
    bool started() { return proc_.waitForStarted() && (QTest::qWait(300), true); }
    // Everything recorded, silence included.
    QVector<qint16> stop() {
        QTest::qWait(400); // the end of what played still reaches the monitor
        proc_.terminate();
        proc_.waitForFinished();
        const QByteArray raw = testsupport::readFile(path_);
        QVector<qint16> s(raw.size() / 2);
        std::memcpy(s.data(), raw.constData(), static_cast<size_t>(s.size()) * 2);
        return s;
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QProcess proc_;
};

// Amplitude of a tone in one channel of `frames` frames from `first`.
double amplitude(const QVector<qint16> &s, qsizetype first, qsizetype frames, int channel,
                 double hz) {
    double re = 0;
    double im = 0;
    for (qsizetype f = 0; f < frames; ++f) {
        const double w = 2.0 * M_PI * hz * double(f) / kRate;
        const double v = s[(first + f) * 2 + channel] / 32768.0;
        re += v * std::cos(w);
        im += v * std::sin(w);
    }
    return frames > 0 ? 2.0 * std::sqrt(re * re + im * im) / double(frames) : 0.0;
}

// The tone each 50 ms window holds most of, among `tones`; 0 for a quiet window.
QVector<double> windows(const QVector<qint16> &s, const QVector<double> &tones, int channel = 0) {
    QVector<double> out;
    for (qsizetype at = 0; (at + kWindow) * 2 <= s.size(); at += kWindow) {
        double best = 0;
        double bestAmp = 0.02;
        for (double hz : tones) {
            const double a = amplitude(s, at, kWindow, channel, hz);
            if (a > bestAmp) {
                bestAmp = a;
                best = hz;
            }
        }
        out << best;
    }
    return out;
}

int count(const QVector<double> &w, double hz) {
    return static_cast<int>(std::count(w.begin(), w.end(), hz));
}

bool waitForEnd(clsFMOD &fmod, int guardMs = 20000) {
    QSignalSpy ended(&fmod.engine(), &sound::SoundEngine::channelEnded);
    return ended.wait(guardMs);
}

} // namespace

class TestClsFmodPlay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { sound::CdDrive::resetDriveList(); }
    void everyStreamFormatIsHeard_data();
    void everyStreamFormatIsHeard();
    void pauseHoldsThePlace();
    void seekLandsInAVariableBitRateFile();
    void panSendsToOneSide_data();
    void panSendsToOneSide();
    void frequencyRaisesThePitch();
    void severalSoundsAtOnce();
    void musicAndCdAreHeard();

private:
    QString encode(const QString &program, const QStringList &args, const QString &out);
    QTemporaryDir dir_;
    clsFMOD fmod_;
};

void TestClsFmodPlay::initTestCase() {
    REQUIRE_PULSE();
    QVERIFY(fmod_.Init(kRate, 16));
}

QString TestClsFmodPlay::encode(const QString &program, const QStringList &args,
                                const QString &out) {
    const QString path = dir_.filePath(out);
    if (!playertest::run(program, QStringList(args) << path))
        return {};
    return path;
}

void TestClsFmodPlay::everyStreamFormatIsHeard_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("hz");
    // Each a 1.5 s tone of its own pitch; the source WAV is written first.
    QTest::newRow("WAV 16-bit") << "" << QStringList() << "pcm16.wav" << 440.0;
    QTest::newRow("WAV 8-bit") << "sox" << QStringList{"-b", "8", "-e", "unsigned"} << "pcm8.wav"
                               << 494.0;
    QTest::newRow("WAV 24-bit 48 kHz")
        << "sox" << QStringList{"-b", "24", "-r", "48000"} << "pcm24.wav" << 523.0;
    QTest::newRow("WAV IMA ADPCM")
        << "sox" << QStringList{"-e", "ima-adpcm"} << "adpcm.wav" << 587.0;
    QTest::newRow("MP3 CBR") << "lame" << QStringList{"--quiet", "-b", "128"} << "cbr.mp3" << 659.0;
    QTest::newRow("MP3 VBR") << "lame" << QStringList{"--quiet", "-V", "4"} << "vbr.mp3" << 698.0;
    QTest::newRow("Ogg Vorbis") << "oggenc" << QStringList{"-Q", "-o"} << "tone.ogg" << 784.0;
    QTest::newRow("FLAC") << "sox" << QStringList() << "tone.flac" << 880.0;
    QTest::newRow("AIFF") << "sox" << QStringList() << "tone.aiff" << 988.0;
    QTest::newRow("AU") << "sox" << QStringList() << "tone.au" << 1047.0;
    QTest::newRow("WMA") << "ffmpeg" << QStringList{"-v", "quiet", "-c:a", "wmav2"} << "tone.wma"
                         << 1175.0;
}

void TestClsFmodPlay::everyStreamFormatIsHeard() {
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    QFETCH(double, hz);
    const QString wav = playertest::toneWav(dir_, file + QStringLiteral(".src.wav"), hz, 1.5);
    QString path = wav;
    if (program == QLatin1String("sox")) {
        path = encode(program, QStringList{wav} + args, file);
    } else if (program == QLatin1String("lame")) {
        path = encode(program, args + QStringList{wav}, file);
    } else if (program == QLatin1String("oggenc")) {
        path = dir_.filePath(file);
        QVERIFY(playertest::run(program, args + QStringList{path, wav}));
    } else if (program == QLatin1String("ffmpeg")) {
        path = encode(program, QStringList{"-y", "-i", wav} + args, file);
    }
    QVERIFY2(!path.isEmpty() && QFileInfo::exists(path), qPrintable(program));

    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(fmod_.StreamPlay(path, true, 255));
    QVERIFY(waitForEnd(fmod_));
    const QVector<double> heard = windows(monitor.stop(), {hz, hz * 1.5, hz / 1.5});
    // All of it, at its pitch: 1.5 s is 30 windows (one more or less where it starts).
    QVERIFY2(std::abs(count(heard, hz) - 30) <= 2, qPrintable(QString::number(count(heard, hz))));
    QCOMPARE(count(heard, hz * 1.5) + count(heard, hz / 1.5), 0);
    QVERIFY(fmod_.StreamUnload());
}

void TestClsFmodPlay::pauseHoldsThePlace() {
    const QString path = playertest::toneWav(dir_, QStringLiteral("pause.wav"), 440, 2);
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(fmod_.StreamPlay(path, true, 255));
    QTest::qWait(600);
    QVERIFY(fmod_.StreamPausePlay());
    const qint32 heldAt = fmod_.StreamSongPos();
    float left = -1;
    float right = -1;
    QTest::qWait(300);
    fmod_.GetVU(left, right);
    QCOMPARE(left, 0.0F);
    QTest::qWait(900);
    QCOMPARE(fmod_.StreamSongPos(), heldAt);
    QVERIFY(fmod_.StreamPausePlay());
    QTest::qWait(200);
    fmod_.GetVU(left, right);
    QVERIFY(left > 0.2F && right > 0.2F);
    QVERIFY(waitForEnd(fmod_));
    const QVector<double> heard = windows(monitor.stop(), {440});
    // Two seconds of tone in all, with a gap of about a second and nothing lost or repeated.
    QVERIFY2(std::abs(count(heard, 440) - 40) <= 2, qPrintable(QString::number(count(heard, 440))));
    const qsizetype first = heard.indexOf(440);
    const qsizetype last = heard.lastIndexOf(440);
    const auto gap = std::count(heard.begin() + first, heard.begin() + last, 0.0);
    QVERIFY2(gap >= 18, qPrintable(QString::number(gap)));
    QVERIFY(fmod_.StreamUnload());
}

void TestClsFmodPlay::seekLandsInAVariableBitRateFile() {
    REQUIRE_TOOL("lame");
    // Four seconds at 440 Hz, then four at 880 Hz, as a VBR MP3.
    QVector<qint16> samples = testsupport::sineTone(kRate, 1, 4 * kRate, 440);
    samples += testsupport::sineTone(kRate, 1, 4 * kRate, 880);
    const QString wav = dir_.filePath(QStringLiteral("two.wav"));
    QVERIFY(soundtest::writeWav(wav, kRate, 1, samples));
    const QString mp3 = encode(QStringLiteral("lame"), {"--quiet", "-V", "2", wav}, "two.mp3");
    QVERIFY(!mp3.isEmpty());

    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(fmod_.StreamPlay(mp3, true, 255));
    QVERIFY(fmod_.StreamPausePlay());
    fmod_.setStreamSongPos(5000);
    QCOMPARE(fmod_.StreamSongPos(), 5000);
    QVERIFY(fmod_.StreamPausePlay());
    QVERIFY(waitForEnd(fmod_));
    const QVector<double> heard = windows(monitor.stop(), {440, 880});
    // From 5 s to the end: three seconds of 880 Hz; of 440 Hz only what played before the
    // pause.
    QVERIFY2(std::abs(count(heard, 880) - 60) <= 2, qPrintable(QString::number(count(heard, 880))));
    QVERIFY2(count(heard, 440) <= 4, qPrintable(QString::number(count(heard, 440))));
    QVERIFY(fmod_.StreamUnload());
}

void TestClsFmodPlay::panSendsToOneSide_data() {
    QTest::addColumn<int>("pan");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("right");
    QTest::newRow("hard left") << 0 << true << false;
    QTest::newRow("hard right") << 255 << false << true;
    QTest::newRow("full stereo") << 128 << true << true;
}

void TestClsFmodPlay::panSendsToOneSide() {
    QFETCH(int, pan);
    QFETCH(bool, left);
    QFETCH(bool, right);
    const QString path = playertest::toneWav(dir_, QStringLiteral("pan.wav"), 660, 1);
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(fmod_.StreamPlay(path, true, 255));
    QVERIFY(fmod_.StreamPausePlay());
    fmod_.setStreamPanning(static_cast<quint8>(pan));
    QVERIFY(fmod_.StreamPausePlay());
    QVERIFY(waitForEnd(fmod_));
    const QVector<qint16> sound = monitor.stop();
    const QVector<double> l = windows(sound, {660}, 0);
    const QVector<double> r = windows(sound, {660}, 1);
    QCOMPARE(count(l, 660) >= 18, left);
    QCOMPARE(count(r, 660) >= 18, right);
    QVERIFY(count(l, 660) <= 2 || left);
    QVERIFY(count(r, 660) <= 2 || right);
    QVERIFY(fmod_.StreamUnload());
}

void TestClsFmodPlay::frequencyRaisesThePitch() {
    const QString path = playertest::toneWav(dir_, QStringLiteral("freq.wav"), 440, 2);
    Monitor monitor;
    QVERIFY(monitor.started());
    QVERIFY(fmod_.StreamPlay(path, true, 255));
    QVERIFY(fmod_.StreamPausePlay());
    fmod_.setStreamFrequency(2 * kRate);
    QVERIFY(fmod_.StreamPausePlay());
    QVERIFY(waitForEnd(fmod_));
    const QVector<double> heard = windows(monitor.stop(), {440, 880});
    // Twice the pitch, in half the time.
    QVERIFY2(std::abs(count(heard, 880) - 20) <= 2, qPrintable(QString::number(count(heard, 880))));
    QVERIFY(count(heard, 440) <= 2);
    QVERIFY(fmod_.StreamUnload());
}

void TestClsFmodPlay::severalSoundsAtOnce() {
    sound::SoundEngine &engine = fmod_.engine();
    const int a = engine.streamOpen(playertest::toneWav(dir_, "a.wav", 440, 1), 0);
    const int b = engine.streamOpen(playertest::toneWav(dir_, "b.wav", 660, 1), 0);
    Monitor monitor;
    QVERIFY(monitor.started());
    QSignalSpy ended(&engine, &sound::SoundEngine::channelEnded);
    QVERIFY(engine.streamPlay(sound::kFreeChannel, a) > 0);
    QVERIFY(engine.streamPlay(sound::kFreeChannel, b) > 0);
    QCOMPARE(engine.channelsPlaying(), 2);
    QVERIFY(ended.wait(5000));
    if (ended.size() < 2)
        QVERIFY(ended.wait(5000));
    const QVector<qint16> sound = monitor.stop();
    int both = 0;
    for (qsizetype at = 0; (at + kWindow) * 2 <= sound.size(); at += kWindow)
        both += amplitude(sound, at, kWindow, 0, 440) > 0.1 &&
                amplitude(sound, at, kWindow, 0, 660) > 0.1;
    QVERIFY2(std::abs(both - 20) <= 2, qPrintable(QString::number(both)));
    engine.streamClose(a);
    engine.streamClose(b);
}

void TestClsFmodPlay::musicAndCdAreHeard() {
    const QString mod = dir_.filePath(QStringLiteral("song.mod"));
    QVERIFY(testsupport::writeFile(mod, musicfixtures::modFile()));
    {
        Monitor monitor;
        QVERIFY(monitor.started());
        QVERIFY(fmod_.MusicPlay(mod, false, 255));
        QTest::qWait(1000);
        QVERIFY(fmod_.MusicUnload());
        const QVector<qint16> sound = monitor.stop();
        const auto loud =
            std::count_if(sound.begin(), sound.end(), [](qint16 v) { return std::abs(v) > 1000; });
        QVERIFY2(loud > kRate / 4, qPrintable(QString::number(loud)));
    }
    const QVector<musicfixtures::CdTrackTone> tones{{440.0, 3}, {880.0, 2}};
    QVERIFY(testsupport::writeFile(dir_.filePath("cd.bin"), musicfixtures::cdImageData(tones)));
    QVERIFY(testsupport::writeFile(dir_.filePath("cd.cue"),
                                   musicfixtures::cueSheet(QStringLiteral("cd.bin"), tones)));
    sound::CdDrive::setDriveList({dir_.filePath("cd.cue")});
    Monitor monitor;
    QVERIFY(monitor.started());
    QSignalSpy ended(&fmod_.engine(), &sound::SoundEngine::cdTrackEnded);
    QVERIFY(fmod_.CDPlay(2, 0));
    QVERIFY(ended.wait(10000));
    const QVector<double> heard = windows(monitor.stop(), {440, 880});
    QVERIFY2(std::abs(count(heard, 880) - 40) <= 2, qPrintable(QString::number(count(heard, 880))));
    QCOMPARE(count(heard, 440), 0);
}

QTEST_GUILESS_MAIN(TestClsFmodPlay)
#include "tst_clsfmod_play.moc"
