// The player against the test PulseAudio server; what it plays is captured back from the
// output's monitor with parec.
#include "CaptureTestUtil.h"
#include "TestSupport.h"
#include "capture/AudioPlayer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace pelvanto;
using namespace capturetest;

namespace {

constexpr int kRate = 44100;

// Noise that is never zero, so that silence around it is told apart exactly.
QVector<qint16> noise(int frames, int channels) {
    QVector<qint16> out(static_cast<qsizetype>(frames) * channels);
    quint32 x = 12345;
    for (qsizetype i = 0; i < out.size(); ++i) {
        x = x * 1664525U + 1013904223U;
        const int v = static_cast<int>((x >> 16) % 16000) + 500;
        out[i] = static_cast<qint16>((x & 0x100U) ? v : -v);
    }
    return out;
}

// Records the default output's monitor with an independent client.
class MonitorRecording {
public:
    explicit MonitorRecording(int channels) : channels_(channels) {
        path_ = dir_.filePath(QStringLiteral("monitor.raw"));
        proc_.setStandardOutputFile(path_);
        proc_.start(QStringLiteral("parec"),
                    {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--rate=44100"),
                     QStringLiteral("--channels=") + QString::number(channels),
                     QStringLiteral("--latency-msec=10"), QStringLiteral("-d"),
                     QStringLiteral("rec_sink.monitor")});
    }
    bool started() { return proc_.waitForStarted(); }
    // The frames that are not silence, in order.
    QVector<qint16> stopAndTakeSound() {
        QTest::qWait(500); // the last of it still reaches the monitor
        proc_.terminate();
        proc_.waitForFinished();
        QFile f(path_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray raw = f.readAll();
        const auto *s = reinterpret_cast<const qint16 *>(raw.constData());
        const qsizetype frames = raw.size() / 2 / channels_;
        QVector<qint16> sound;
        for (qsizetype fr = 0; fr < frames; ++fr) {
            bool silent = true;
            for (int c = 0; c < channels_; ++c)
                silent = silent && s[fr * channels_ + c] == 0;
            if (!silent)
                for (int c = 0; c < channels_; ++c)
                    sound << s[fr * channels_ + c];
        }
        return sound;
    }

private:
    int channels_;
    QTemporaryDir dir_;
    QString path_;
    QProcess proc_;
};

// Plays an array as the main window plays a file: a read position, feeding on each request,
// pause by remembering PlayedSamples and seeking back there on resume.
struct WindowPlayback {
    WindowPlayback(AudioPlayer &p, const QVector<qint16> &file, int channels)
        : player(p), source(file), channels(channels) {
        block = static_cast<int>(player.MsToSamples(200));
        QObject::connect(&player, &AudioPlayer::RequestOnLoadArray, &player, [this] { feed(); });
        QObject::connect(&player, &AudioPlayer::EndArrayPlay, &player, [this] { feed(); });
        QObject::connect(&player, &AudioPlayer::EndPlay, &player, [this] { ++ends; });
        QObject::connect(&player, &AudioPlayer::Timer, &player, [this](qint64 frames, int l, int) {
            timerFrames << frames;
            levelLeft = std::max(levelLeft, l);
        });
    }
    void feed() {
        if (stopped)
            return;
        const QVector<qint16> b =
            source.mid(readPos * channels, static_cast<qsizetype>(block) * channels);
        readPos += b.size() / channels;
        if (!b.isEmpty())
            player.QueueBlock(b);
    }
    void play() {
        offset = 0;
        readPos = 0;
        player.PlayStart();
        stopped = false;
        feed();
    }
    void pause() {
        offset += player.PlayedSamples();
        player.PlayStop();
    }
    void resume() {
        player.PlayStart();
        readPos = offset;
        feed();
    }

    AudioPlayer &player;
    QVector<qint16> source;
    int channels;
    int block = 0;
    qint64 readPos = 0;
    qint64 offset = 0;
    bool stopped = true;
    int ends = 0;
    QVector<qint64> timerFrames;
    int levelLeft = 0;
};

struct Segment {
    qsizetype start; // source frame
    qsizetype frames;
};

// Splits what the monitor heard into runs of consecutive source frames.
QVector<Segment> segments(const QVector<qint16> &heard, const QVector<qint16> &source,
                          int channels) {
    QVector<Segment> out;
    const qsizetype heardFrames = heard.size() / channels;
    const qsizetype sourceFrames = source.size() / channels;
    qsizetype h = 0;
    qsizetype from = 0;
    while (h < heardFrames) {
        const qsizetype probe = std::min<qsizetype>(16, heardFrames - h) * channels;
        const auto at =
            std::search(source.begin() + from * channels, source.end(),
                        heard.begin() + h * channels, heard.begin() + h * channels + probe);
        if (at == source.end() || (at - source.begin()) % channels != 0)
            return out << Segment{-1, 0}; // something that was never queued
        Segment seg{(at - source.begin()) / channels, 0};
        while (h < heardFrames && seg.start + seg.frames < sourceFrames &&
               std::equal(heard.begin() + h * channels, heard.begin() + (h + 1) * channels,
                          source.begin() + (seg.start + seg.frames) * channels)) {
            ++h;
            ++seg.frames;
        }
        from = seg.start + seg.frames;
        out << seg;
    }
    return out;
}

// The monitor of a sink misses a few milliseconds whenever a stream starts or recovers from
// an underrun on a loaded machine (the sink rewinds to play it sooner; what the monitor
// already passed on stays passed on). Everything else must come out exactly once and in order.
void checkHeard(const QVector<qint16> &heard, const QVector<qint16> &source, int channels,
                int runs) {
    const QVector<Segment> segs = segments(heard, source, channels);
    QVERIFY(!segs.isEmpty());
    QString layout;
    for (const Segment &seg : segs)
        layout += QStringLiteral(" %1+%2").arg(seg.start).arg(seg.frames);
    if (segs.size() > runs)
        qWarning("the output underran:%s", qPrintable(layout));
    constexpr qsizetype kStartGap = kRate / 20;
    qsizetype end = 0;
    for (const Segment &seg : segs) {
        QVERIFY2(seg.start >= 0, "the monitor heard samples that were never queued");
        QVERIFY2(seg.start >= end, "samples were repeated");
        QVERIFY2(seg.start - end <= kStartGap,
                 qPrintable(QStringLiteral("%1 frames missing").arg(seg.start - end)));
        end = seg.start + seg.frames;
    }
    QCOMPARE(end, source.size() / channels);
}

} // namespace

class TestPlayer : public QObject {
    Q_OBJECT
private slots:
    void init() {
        REQUIRE_PULSE();
        REQUIRE_TOOL("parec");
    }

    void queuedBlocksComeOutExactlyAndEndOnce() {
        const QVector<qint16> source = noise(kRate * 2 + 123, 2);
        MonitorRecording monitor(2);
        QVERIFY(monitor.started());
        QTest::qWait(200);
        AudioPlayer p;
        p.SetFormat(kRate, 2);
        QCOMPARE(p.MsToSamples(200), 8820);
        QCOMPARE(p.SamplesToMs(44100), 1000);
        WindowPlayback w(p, source, 2);
        w.play();
        QCOMPARE(p.PlayStatus(), 1);
        p.SetFormat(8000, 1); // not while playing
        QCOMPARE(p.SampleRate(), kRate);
        bool latestChecked = false;
        QVERIFY(runUntil([&] {
            if (!latestChecked && !w.timerFrames.isEmpty() && w.timerFrames.last() > 8820) {
                // What the displays get is a piece of what is being played.
                const QVector<qint16> latest = p.GetLatestSamples(1024);
                if (latest.size() == 1024) {
                    const auto at =
                        std::search(source.begin(), source.end(), latest.begin(), latest.end());
                    latestChecked = at != source.end() && (at - source.begin()) % 2 == 0;
                    if (!latestChecked)
                        return true;
                }
            }
            return w.ends > 0;
        }));
        QVERIFY(latestChecked);
        QCOMPARE(w.ends, 1);
        QTest::qWait(500);
        QCOMPARE(w.ends, 1); // once
        QVERIFY(w.timerFrames.size() > 10);
        for (int i = 1; i < w.timerFrames.size(); ++i)
            QVERIFY(w.timerFrames[i] >= w.timerFrames[i - 1]);
        QVERIFY(w.timerFrames.last() <= kRate * 2 + 123);
        QVERIFY(w.levelLeft > 10000);
        p.PlayStop();
        QCOMPARE(p.PlayStatus(), 0);
        QCOMPARE(p.PlayedSamples(), kRate * 2 + 123);
        const QVector<qint16> heard = monitor.stopAndTakeSound();
        checkHeard(heard, source, 2, 1);
    }

    void pauseAndResumeLoseAndRepeatNothing() {
        const QVector<qint16> source = noise(kRate * 3, 1);
        MonitorRecording monitor(1);
        QVERIFY(monitor.started());
        QTest::qWait(200);
        AudioPlayer p;
        p.SetFormat(kRate, 1);
        WindowPlayback w(p, source, 1);
        w.play();
        QVERIFY(runUntil([&] { return p.PlayedSamples() > kRate; }));
        w.pause();
        const qint64 pausedAt = w.offset;
        QVERIFY(pausedAt > kRate);
        QCOMPARE(p.PlayStatus(), 0);
        QTest::qWait(300);
        QCOMPARE(p.PlayedSamples(), pausedAt); // nothing moves while paused
        QCOMPARE(w.ends, 0);
        w.resume();
        QVERIFY(runUntil([&] { return p.PlayedSamples() > kRate / 2; }));
        w.pause(); // and once more
        QTest::qWait(200);
        w.resume();
        QVERIFY(runUntil([&] { return w.ends > 0; }));
        QCOMPARE(w.offset + p.PlayedSamples(), kRate * 3);
        p.PlayStop();
        const QVector<qint16> heard = monitor.stopAndTakeSound();
        checkHeard(heard, source, 1, 3);
    }

    void stopDiscardsWhatWasNotPlayed() {
        const QVector<qint16> source = noise(kRate * 2, 2);
        AudioPlayer p;
        p.SetFormat(kRate, 2);
        QSignalSpy ends(&p, &AudioPlayer::EndPlay);
        p.PlayStart();
        p.QueueBlock(source);
        QVERIFY(runUntil([&] { return p.PlayedSamples() > 4410; }));
        p.PlayStop();
        const qint64 played = p.PlayedSamples();
        QVERIFY(played > 4410 && played < kRate * 2);
        // A new run starts empty and counts from zero.
        p.PlayStart();
        QCOMPARE(p.PlayedSamples(), 0);
        QVERIFY(runUntil([&] { return ends.count() > 0; }));
        QCOMPARE(p.PlayedSamples(), 0);
        p.PlayStop();
        p.PlayStop(); // twice is harmless
        QCOMPARE(ends.count(), 1);
        p.QueueBlock({1}); // no whole frame: ignored
        p.QueueBlock({});
    }

    void noServerFailsCleanly() {
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/pelvanto-no-server");
        auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });
        AudioPlayer p;
        p.QueueBlock(noise(1000, 2));
        p.PlayStart();
        QVERIFY(p.PlayStatus() < 0);
        QVERIFY(!p.LastError().isEmpty());
        QCOMPARE(p.PlayedSamples(), 0);
        QVERIFY(p.GetLatestSamples(100).isEmpty());
        p.PlayStop();
    }
};

QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
