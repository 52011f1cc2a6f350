// The recorder against the test PulseAudio server: sine_mic (440 Hz), the null sinks and
// their monitors.
#include "CaptureTestUtil.h"
#include "TestSupport.h"
#include "capture/AudioPlayer.h"
#include "capture/AudioRecord.h"
#include "capture/MixerBackend.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>

using namespace pelvanto;
using namespace capturetest;

namespace {

// Collects what the recorder hands out, as the main window does.
struct Collector {
    explicit Collector(AudioRecord &r) : rec(r), ctx(std::make_unique<QObject>()) {
        QObject::connect(&rec, &AudioRecord::EndArrayRecord, ctx.get(), [this](int n) {
            numbers << n;
            const QVector<qint16> b = rec.GetRecordedBlock();
            sizes << static_cast<int>(b.size());
            all += b;
        });
        QObject::connect(&rec, &AudioRecord::Timer, ctx.get(), [this](qint64 frames, int l, int r) {
            timerFrames << frames;
            levelLeft = l;
            levelRight = r;
        });
        QObject::connect(&rec, &AudioRecord::DeviceLost, ctx.get(),
                         [this](const QString &reason) { lost << reason; });
    }
    qint64 frames() const { return all.size() / rec.ChannelCount(); }
    // Records until at least `wanted` frames were handed out, then stops and takes the rest.
    bool recordFrames(qint64 wanted) {
        if (rec.RecordStart() < 0)
            return false;
        const bool ok = runUntil([&] { return frames() >= wanted; }, 30000);
        stop();
        return ok;
    }
    // Stops, takes the last blocks and stops listening.
    void stop() {
        rec.RecordStop();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        ctx.reset();
    }

    AudioRecord &rec;
    QVector<qint16> all;
    QVector<int> numbers;
    QVector<int> sizes;
    QVector<qint64> timerFrames;
    int levelLeft = 0;
    int levelRight = 0;
    QStringList lost;
    std::unique_ptr<QObject> ctx;
};

bool selectDevice(AudioRecord &r, const QString &serverName) {
    const int n = r.DeviceCount();
    for (int i = 0; i < n; ++i) {
        r.SetCurrentDevice(i);
        if (r.DeviceId() == serverName)
            return true;
    }
    return false;
}

// Full volume, centred, not muted: the server state the tests start from and leave.
void resetLine(AudioRecord &r, const QString &device) {
    QVERIFY(selectDevice(r, device));
    r.SetCurrentSource(0);
    r.SetSourceVolume(65535);
    r.SetSourceBalance(50);
    r.SetSourceSelected(true);
}

QString pactl(const QStringList &args) {
    const auto res = testsupport::runTool(QStringLiteral("pactl"), args);
    return QString::fromUtf8(res.out).trimmed();
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void init() { REQUIRE_PULSE(); }
    void cleanup() {
        if (testsupport::pulseServer().isEmpty())
            return;
        AudioRecord r;
        resetLine(r, QStringLiteral("sine_mic"));
    }

    void devicesListSourcesAndMonitors() {
        AudioRecord r;
        const int n = r.DeviceCount();
        QVERIFY(n >= 3);
        QCOMPARE(r.DeviceId(), QStringLiteral("sine_mic")); // the server's default source
        QStringList names;
        QStringList ids;
        for (int i = 0; i < n; ++i) {
            r.SetCurrentDevice(i);
            QVERIFY(r.DeviceUsable());
            names << r.DeviceName();
            ids << r.DeviceId();
        }
        QVERIFY(ids.contains(QStringLiteral("rec_sink.monitor")));
        QVERIFY(ids.contains(QStringLiteral("mic_sink.monitor")));
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), n); // told apart
        QVERIFY(names.contains(QStringLiteral("Monitor of Pelvanto_Output")));
        r.SetCurrentDevice(n); // the caller's probe one past the end
        QVERIFY(!r.DeviceUsable());
        QVERIFY(r.DeviceName().isEmpty());
        QCOMPARE(r.SourceCount(), -1);
        QVERIFY(r.RecordStart() < 0);
        QVERIFY(!r.LastError().isEmpty());
    }

    void captureSineInExactBlocks() {
        AudioRecord r;
        r.SetFormat(44100, 2);
        r.SetBlockSize(static_cast<int>(r.MsToSamples(1000)));
        QCOMPARE(r.BlockSize(), 44100);
        QCOMPARE(r.MsToSamples(1000), 44100);
        QCOMPARE(r.SamplesToMs(22050), 500);
        Collector c(r);
        QVERIFY(c.recordFrames(3 * 44100 + 1000));
        QCOMPARE(r.RecordStatus(), 0);
        // Full blocks of exactly one second, numbered in order, then the partial last one.
        QVERIFY(c.sizes.size() >= 4);
        for (int i = 0; i < c.sizes.size() - 1; ++i)
            QCOMPARE(c.sizes[i], 2 * 44100);
        QVERIFY(c.sizes.last() > 0 && c.sizes.last() <= 2 * 44100);
        for (int i = 0; i < c.numbers.size(); ++i)
            QCOMPARE(c.numbers[i], i);
        // The tone is right and continuous across the block joins.
        const double hz = zeroCrossingHz(c.all, 2, 44100);
        QVERIFY2(std::abs(hz - 440.0) < 1.0, qPrintable(QString::number(hz)));
        const int peak = peakOf(c.all, 2 * 4410);
        QVERIFY(peak > 3000);
        const double amplitude = toneAmplitude(c.all, 2, 0, 44100, 440.0, 4410);
        QVERIFY(std::abs(amplitude * 32768.0 - peak) < peak * 0.03);
        const int toneStep = static_cast<int>(2.0 * M_PI * 440.0 / 44100.0 * peak) + 2;
        QVERIFY2(largestStep(c.all, 2, 0, 4410) <= toneStep,
                 qPrintable(QString::number(largestStep(c.all, 2, 0, 4410))));
        // Timer events count frames from the start and carry the levels.
        QVERIFY(c.timerFrames.size() >= 20);
        for (int i = 1; i < c.timerFrames.size(); ++i)
            QVERIFY(c.timerFrames[i] > c.timerFrames[i - 1]);
        QVERIFY(c.timerFrames.last() <= c.frames());
        // About fifteen a second, each with fresh audio, although the test server hands the
        // audio over in 10 ms pieces: the typical step is a tick's worth, not a piece's or
        // two ticks'.
        QVector<qint64> steps;
        for (int i = 1; i < c.timerFrames.size(); ++i)
            steps << c.timerFrames[i] - c.timerFrames[i - 1];
        std::sort(steps.begin(), steps.end());
        const qint64 typical = steps[steps.size() / 2];
        QVERIFY2(typical >= 44100 / 30 && typical <= 44100 / 10,
                 qPrintable(QString::number(typical)));
        QVERIFY(std::abs(c.levelLeft - peak) < peak / 10);
        // The displays get the most recent samples.
        const QVector<qint16> latest = r.GetLatestSamples(4096 * 2);
        QCOMPARE(latest.size(), 4096 * 2);
        QVERIFY(std::equal(latest.begin(), latest.end(), c.all.end() - latest.size()));
        // Everything the recorder keeps, which wraps around inside it, in order.
        const QVector<qint16> history = r.GetLatestSamples(10 * 44100 * 2);
        QVERIFY(history.size() >= 44100 * 2 && history.size() < c.all.size());
        QVERIFY(std::equal(history.begin(), history.end(), c.all.end() - history.size()));
        QCOMPARE(r.GetLatestSamples(7).size(), 6); // whole frames only
        QVERIFY(r.GetRecordedBlock().isEmpty());
    }

    void captureMonoAndManySmallBlocks() {
        AudioRecord r;
        r.SetFormat(22050, 1);
        r.SetBlockSize(1000);
        Collector c(r);
        QVERIFY(c.recordFrames(2 * 22050));
        for (int i = 0; i < c.sizes.size() - 1; ++i)
            QCOMPARE(c.sizes[i], 1000);
        QCOMPARE(c.numbers.size(), c.sizes.size());
        const double hz = zeroCrossingHz(c.all, 1, 22050);
        QVERIFY2(std::abs(hz - 440.0) < 1.0, qPrintable(QString::number(hz)));
        const int peak = peakOf(c.all, 2205);
        const int toneStep = static_cast<int>(2.0 * M_PI * 440.0 / 22050.0 * peak) + 2;
        QVERIFY(largestStep(c.all, 1, 0, 2205) <= toneStep);
    }

    void captureToneFromMonitor() {
        REQUIRE_TOOL("pacat");
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("tone.raw"));
        {
            QFile f(raw);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const auto tone = testsupport::sineTone(44100, 2, 44100 * 5, 1000.0, 0.25);
            f.write(reinterpret_cast<const char *>(tone.constData()), tone.size() * 2);
        }
        AudioRecord r;
        QVERIFY(selectDevice(r, QStringLiteral("rec_sink.monitor")));
        QVERIFY(r.DeviceName().startsWith(QStringLiteral("Monitor of")));
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        Collector c(r);
        QVERIFY(r.RecordStart() > 0);
        QProcess player;
        player.start(QStringLiteral("pacat"),
                     {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                      QStringLiteral("-d"), QStringLiteral("rec_sink"), raw});
        QVERIFY(player.waitForStarted());
        // Wait for the tone to arrive, then take two seconds of it.
        QVERIFY(runUntil([&] { return peakOf(r.GetLatestSamples(882)) > 4000; }));
        // The tone starts somewhere in the block being filled now: skip past it.
        const qint64 from = c.frames() + 2 * 4410;
        QVERIFY(runUntil([&] { return c.frames() >= from + 2 * 44100; }));
        c.stop();
        player.waitForFinished();
        const QVector<qint16> tone = c.all.mid(from * 2, 2 * 44100 * 2);
        QVERIFY(std::abs(zeroCrossingHz(tone, 2, 44100) - 1000.0) < 1.0);
        const double amplitude = toneAmplitude(tone, 2, 1, 44100, 1000.0);
        QVERIFY2(std::abs(amplitude - 0.25) < 0.005, qPrintable(QString::number(amplitude)));
    }

    void volumeAndBalanceReadBack() {
        REQUIRE_TOOL("pactl");
        AudioRecord r;
        QVERIFY(selectDevice(r, QStringLiteral("sine_mic")));
        r.SetCurrentSource(0);
        QVERIFY(r.SourceHasVolume());
        QVERIFY(r.SourceHasBalance());
        QVERIFY(r.SourceSelectable());
        QCOMPARE(r.SourceCount(), 0); // no ports on a remapped source
        QCOMPARE(r.SourceName(), r.DeviceName());
        r.SetSourceVolume(32768);
        QCOMPARE(r.SourceVolume(), 32768);
        // The server holds it: 32768 of 65535 is 50 % of the server's unity.
        QVERIFY(pactl({QStringLiteral("get-source-volume"), QStringLiteral("sine_mic")})
                    .contains(QStringLiteral("50%")));
        r.SetSourceBalance(25); // towards the left
        QVERIFY(std::abs(r.SourceBalance() - 25) <= 1);
        QCOMPARE(r.SourceVolume(), 32768);
        QCOMPARE(r.AdvancedControlValue(1).toInt(), 32768); // left channel
        QVERIFY(std::abs(r.AdvancedControlValue(2).toInt() - 16384) <= 2);
        r.SetSourceBalance(100);
        QCOMPARE(r.SourceBalance(), 100);
        QCOMPARE(r.AdvancedControlValue(1).toInt(), 0);
        r.SetSourceBalance(500); // out of range: as far right as it goes
        QCOMPARE(r.SourceBalance(), 100);
        r.SetSourceBalance(50);
        r.SetSourceVolume(70000);
        QCOMPARE(r.SourceVolume(), 65535);
        QCOMPARE(r.SourceBalance(), 50);
        // Changed behind our back: read back what the server has now.
        pactl({QStringLiteral("set-source-volume"), QStringLiteral("sine_mic"),
               QStringLiteral("16384")});
        QTRY_COMPARE(r.SourceVolume(), 16384);
        r.SetSourceVolume(65535);
    }

    // The mixer is read from what the server last reported: reading every line of the device
    // as the recording options window does when it opens asks the server once (for the device
    // list), and a change another program makes arrives through the server's events.
    void mixerReadsCostOneRequest() {
        REQUIRE_TOOL("pactl");
        std::unique_ptr<MixerBackend> backend = makePulseBackend();
        const MixerBackend *server = backend.get();
        AudioRecord r(std::move(backend));
        QVERIFY(selectDevice(r, QStringLiteral("sine_mic")));
        const quint64 before = server->serverRoundTrips();
        QVERIFY(r.DeviceCount() >= 1);
        const int last = std::min(r.SourceCount(), 7);
        for (int line = 0; line <= last; ++line) {
            r.SetCurrentSource(line);
            QVERIFY(!r.SourceName().isEmpty());
            QVERIFY(r.SourceHasVolume());
            QCOMPARE(r.SourceVolume(), 65535);
            QVERIFY(r.SourceHasBalance());
            QCOMPARE(r.SourceBalance(), 50);
            QVERIFY(r.SourceSelectable());
            QVERIFY(r.SourceSelected());
            QVERIFY(r.LastAdvancedControl() >= 0);
        }
        QCOMPARE(server->serverRoundTrips() - before, quint64{1});

        r.SetCurrentSource(0);
        pactl({QStringLiteral("set-source-volume"), QStringLiteral("sine_mic"),
               QStringLiteral("16384"), QStringLiteral("32768")});
        QTRY_COMPARE(r.SourceVolume(), 32768);
        QVERIFY(r.SourceBalance() > 50); // the right channel is louder
        pactl({QStringLiteral("set-source-mute"), QStringLiteral("sine_mic"), QStringLiteral("1")});
        QTRY_VERIFY(!r.SourceSelected());
        QCOMPARE(r.AdvancedControlValue(0).toBool(), true);
        pactl({QStringLiteral("set-source-mute"), QStringLiteral("sine_mic"), QStringLiteral("0")});
        QTRY_VERIFY(r.SourceSelected());
        const quint64 watched = server->serverRoundTrips();
        QCOMPARE(r.SourceVolume(), 32768);
        QCOMPARE(watched, before + 1); // none of that asked the server

        // A change of ours is read back as the server took it, at once.
        r.SetSourceBalance(50);
        r.SetSourceVolume(70000);
        QCOMPARE(r.SourceVolume(), 65535);
        QCOMPARE(r.SourceBalance(), 50);
    }

    void advancedControlsOfTheLine() {
        AudioRecord r;
        resetLine(r, QStringLiteral("sine_mic"));
        QCOMPARE(r.LastAdvancedControl(), 2); // mute and one level per channel
        QCOMPARE(r.AdvancedControlName(0), QStringLiteral("Mute"));
        QVERIFY(r.AdvancedControlName(1).contains(QStringLiteral("Left")));
        QCOMPARE(r.AdvancedControlValue(0).typeId(), QMetaType::Bool);
        QCOMPARE(r.AdvancedControlValue(1).typeId(), QMetaType::Int);
        QVERIFY(!r.AdvancedControlValue(3).isValid());
        r.SetAdvancedControlValue(2, qint32(40000));
        QCOMPARE(r.AdvancedControlValue(2).toInt(), 40000);
        // The right channel lower: the balance leans left.
        QCOMPARE(r.SourceBalance(), static_cast<int>(std::lround(50 + 50 * (40000.0 / 65535 - 1))));
        r.SetAdvancedControlValue(2, qint32(65535));
        QCOMPARE(r.SourceBalance(), 50);
        r.SetCurrentSource(1); // no such line
        QVERIFY(r.LastAdvancedControl() < 0);
        QVERIFY(!r.SourceSelectable());
        QVERIFY(r.SourceName().isEmpty());
    }

    void muteGivesExactSilence() {
        AudioRecord r;
        QVERIFY(selectDevice(r, QStringLiteral("sine_mic")));
        r.SetCurrentSource(0);
        r.SetSourceSelected(false);
        QVERIFY(!r.SourceSelected());
        QCOMPARE(r.AdvancedControlValue(0).toBool(), true);
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        r.SetAutoGainEnabled(true); // gain must not make noise out of silence
        r.SetHighPassEnabled(true);
        Collector c(r);
        const bool recorded = c.recordFrames(44100);
        r.SetSourceSelected(true);
        QVERIFY(recorded);
        QVERIFY(r.SourceSelected());
        QCOMPARE(peakOf(c.all), 0);
        QCOMPARE(c.levelLeft, 0);
    }

    void filtersAttenuateOnCapture_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<float>("hz");
        QTest::addColumn<double>("maxRatio");
        QTest::newRow("notch at the tone") << "notch" << 440.0F << 0.05;
        QTest::newRow("high-pass above the tone") << "highpass" << 2000.0F << 0.01;
        QTest::newRow("low-pass below the tone") << "lowpass" << 100.0F << 0.01;
        QTest::newRow("notch elsewhere keeps it") << "notch-pass" << 50.0F << 1.02;
        QTest::newRow("low-pass above keeps it") << "lowpass-pass" << 4000.0F << 1.02;
    }

    void filtersAttenuateOnCapture() {
        QFETCH(QString, filter);
        QFETCH(float, hz);
        QFETCH(double, maxRatio);
        AudioRecord r;
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        Collector plain(r);
        QVERIFY(plain.recordFrames(44100));
        const double before = toneAmplitude(plain.all, 2, 0, 44100, 440.0, 8820);
        if (filter.startsWith(QStringLiteral("notch"))) {
            r.SetNotchEnabled(true);
            r.SetNotchFrequency(hz);
        } else if (filter.startsWith(QStringLiteral("highpass"))) {
            r.SetHighPassEnabled(true);
            r.SetHighPassFrequency(hz);
        } else {
            r.SetLowPassEnabled(true);
            r.SetLowPassFrequency(hz);
        }
        QCOMPARE(r.NotchFrequency() == hz || r.HighPassFrequency() == hz ||
                     r.LowPassFrequency() == hz,
                 true);
        AudioRecord &same = r;
        Collector filtered(same);
        QVERIFY(filtered.recordFrames(44100));
        const double after = toneAmplitude(filtered.all, 2, 0, 44100, 440.0, 8820);
        QVERIFY2(after <= before * maxRatio,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
        if (maxRatio > 1.0)
            QVERIFY(after >= before * 0.98);
    }

    void filterChangeDuringRecordingDoesNotClick() {
        AudioRecord r;
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        Collector c(r);
        QVERIFY(r.RecordStart() > 0);
        QVERIFY(runUntil([&] { return c.frames() >= 22050; }));
        r.SetLowPassFrequency(1000);
        r.SetLowPassEnabled(true);
        QVERIFY(runUntil([&] { return c.frames() >= 44100; }));
        r.SetNotchFrequency(300);
        r.SetNotchEnabled(true);
        QVERIFY(runUntil([&] { return c.frames() >= 66150; }));
        r.SetLowPassEnabled(false);
        r.SetNotchEnabled(false);
        QVERIFY(runUntil([&] { return c.frames() >= 88200; }));
        c.stop();
        const int peak = peakOf(c.all, 4410);
        const int toneStep = static_cast<int>(2.0 * M_PI * 440.0 / 44100.0 * peak * 1.2) + 4;
        QVERIFY2(largestStep(c.all, 2, 0, 4410) <= toneStep,
                 qPrintable(
                     QStringLiteral("%1 > %2").arg(largestStep(c.all, 2, 0, 4410)).arg(toneStep)));
    }

    void autoGainRaisesQuietAndLimitsLoud() {
        REQUIRE_TOOL("pacat");
        AudioRecord r;
        resetLine(r, QStringLiteral("sine_mic"));
        r.SetFormat(44100, 1);
        r.SetBlockSize(4410);
        r.SetAutoGainLowLevel(-20);
        r.SetAutoGainHighLevel(-12);
        r.SetAutoGainAttackTime(50);
        QCOMPARE(r.AutoGainLowLevel(), -20);
        QCOMPARE(r.AutoGainHighLevel(), -12);
        QCOMPARE(r.AutoGainAttackTime(), 50);
        auto dbfs = [](int peak) { return 20.0 * std::log10(std::max(peak, 1) / 32768.0); };

        // Made quiet at the source (below -30 dBFS): brought up to -20 dBFS.
        r.SetSourceVolume(65535 / 3);
        Collector quietRaw(r);
        QVERIFY(quietRaw.recordFrames(44100));
        const double rawDb = dbfs(peakOf(quietRaw.all, 22050));
        r.SetAutoGainEnabled(true);
        Collector quiet(r);
        const bool quietRecorded = quiet.recordFrames(6 * 44100);
        r.SetSourceVolume(65535);
        QVERIFY(quietRecorded);
        const double quietDb = dbfs(peakOf(quiet.all, 5 * 44100));
        QVERIFY2(rawDb < -30.0, qPrintable(QString::number(rawDb)));
        QVERIFY2(quietDb >= -21.0 && quietDb <= -18.0,
                 qPrintable(QStringLiteral("%1 -> %2").arg(rawDb).arg(quietDb)));

        // A tone near full scale played to an output: turned down to -12 dBFS.
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("loud.raw"));
        {
            QFile f(raw);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const auto tone = testsupport::sineTone(44100, 1, 44100 * 5, 500.0, 0.9);
            f.write(reinterpret_cast<const char *>(tone.constData()), tone.size() * 2);
        }
        QVERIFY(selectDevice(r, QStringLiteral("rec_sink.monitor")));
        Collector loud(r);
        QVERIFY(r.RecordStart() > 0);
        QProcess player;
        player.start(QStringLiteral("pacat"),
                     {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                      QStringLiteral("-d"), QStringLiteral("rec_sink"), raw});
        QVERIFY(player.waitForStarted());
        QVERIFY(runUntil([&] { return peakOf(r.GetLatestSamples(441)) > 2000; }));
        const qint64 from = loud.frames();
        QVERIFY(runUntil([&] { return loud.frames() >= from + 3 * 44100; }));
        loud.stop();
        player.waitForFinished();
        const double loudDb = dbfs(peakOf(loud.all, (from + 2 * 44100)));
        QVERIFY2(loudDb <= -11.0 && loudDb >= -14.0, qPrintable(QString::number(loudDb)));
    }

    void lastPartialBlockAfterStop() {
        AudioRecord r;
        r.SetFormat(44100, 2);
        r.SetBlockSize(44100);
        Collector c(r);
        QVERIFY(r.RecordStart() > 0);
        QCOMPARE(r.RecordStatus(), 1);
        QVERIFY(runUntil([&] { return !c.timerFrames.isEmpty() && c.timerFrames.last() > 60000; }));
        const qint64 seen = c.timerFrames.last();
        c.stop(); // RecordStop, then pending events run as the window does before closing
        QCOMPARE(c.sizes.size(), 2);
        QCOMPARE(c.sizes[0], 2 * 44100);
        QVERIFY(c.frames() >= seen);
        QVERIFY(r.GetRecordedBlock().isEmpty());
        // A new recording starts from zero.
        Collector again(r);
        QVERIFY(again.recordFrames(4410));
        QCOMPARE(again.numbers.first(), 0);
        QVERIFY(again.timerFrames.first() < 44100);
    }

    void stalledWindowLosesNothing() {
        AudioRecord r;
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        Collector c(r);
        QVERIFY(r.RecordStart() > 0);
        QVERIFY(runUntil([&] { return c.frames() >= 44100; }));
        const qint64 before = c.frames();
        QThread::sleep(3); // the window thread is busy elsewhere
        // The capture went on during the stall: all of it arrives once the window runs again.
        QVERIFY(runUntil([&] { return c.frames() >= before + 3 * 44100; }));
        const qint64 after = c.frames();
        QVERIFY(runUntil([&] { return c.frames() >= after + 44100; }));
        c.stop();
        for (int i = 0; i < c.sizes.size() - 1; ++i)
            QCOMPARE(c.sizes[i], 2 * 4410);
        const int peak = peakOf(c.all, 4410);
        const int toneStep = static_cast<int>(2.0 * M_PI * 440.0 / 44100.0 * peak) + 2;
        QVERIFY(largestStep(c.all, 2, 0, 4410) <= toneStep);
        QVERIFY(std::abs(zeroCrossingHz(c.all, 2, 44100) - 440.0) < 1.0);
    }

    void deviceLossRaisesEvent() {
        REQUIRE_TOOL("pactl");
        const QString module =
            pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                   QStringLiteral("sink_name=lost_sink"),
                   QStringLiteral("sink_properties=device.description=Unplugged_Card")});
        QVERIFY(!module.isEmpty());
        bool unloaded = false;
        auto cleanup = qScopeGuard([&] {
            if (!unloaded)
                pactl({QStringLiteral("unload-module"), module});
        });
        AudioRecord r;
        // Plugged in after the recorder was made: it appears at the next enumeration.
        QVERIFY(selectDevice(r, QStringLiteral("lost_sink.monitor")));
        QCOMPARE(r.DeviceName(), QStringLiteral("Monitor of Unplugged_Card"));
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        Collector c(r);
        QVERIFY(r.RecordStart() > 0);
        QVERIFY(runUntil([&] { return c.frames() >= 8820; }));
        pactl({QStringLiteral("unload-module"), module});
        unloaded = true;
        QVERIFY(runUntil([&] { return !c.lost.isEmpty(); }));
        QCOMPARE(c.lost.size(), 1);
        QVERIFY(r.RecordStatus() < 0);
        QVERIFY(!r.LastError().isEmpty());
        c.stop(); // the window stops as usual
        QVERIFY(r.RecordStatus() < 0);
        QVERIFY(c.frames() >= 8820);
        // The device is gone from the list; the default microphone still records.
        QVERIFY(!selectDevice(r, QStringLiteral("lost_sink.monitor")));
        QVERIFY(selectDevice(r, QStringLiteral("sine_mic")));
        Collector after(r);
        QVERIFY(after.recordFrames(4410));
        QCOMPARE(r.RecordStatus(), 0);
    }

    void serverGoingAwayRaisesDeviceLoss() {
        REQUIRE_TOOL("pulseaudio");
        // A server of our own, so that stopping it disturbs nobody.
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString socket = dir.filePath(QStringLiteral("native"));
        {
            QFile pa(dir.filePath(QStringLiteral("test.pa")));
            QVERIFY(pa.open(QIODevice::WriteOnly));
            pa.write(QStringLiteral(".fail\n"
                                    "load-module module-native-protocol-unix socket=%1 "
                                    "auth-anonymous=1\n"
                                    "load-module module-null-sink sink_name=gone_sink\n"
                                    "load-module module-sine sink=gone_sink frequency=1000\n"
                                    "load-module module-remap-source master=gone_sink.monitor "
                                    "source_name=gone_mic\n"
                                    "set-default-source gone_mic\n")
                         .arg(socket)
                         .toUtf8());
        }
        QProcess server;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
        server.setProcessEnvironment(env);
        server.start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("-n"), QStringLiteral("-F"),
                      dir.filePath(QStringLiteral("test.pa")), QStringLiteral("--daemonize=no"),
                      QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                      QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
                      QStringLiteral("--log-target=stderr")});
        QVERIFY(server.waitForStarted());
        auto stopServer = qScopeGuard([&] {
            server.terminate();
            server.waitForFinished();
        });
        QVERIFY(runUntil([&] { return QFile::exists(socket); }));
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", (QStringLiteral("unix:") + socket).toUtf8());
        auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });

        AudioRecord r;
        QVERIFY(runUntil([&] { return r.DeviceCount() > 0; }));
        QCOMPARE(r.DeviceId(), QStringLiteral("gone_mic"));
        r.SetFormat(44100, 2);
        r.SetBlockSize(4410);
        Collector c(r);
        QVERIFY(r.RecordStart() > 0);
        QVERIFY(runUntil([&] { return c.frames() >= 4410; }));
        AudioPlayer player; // and a playback that would go on for a while
        QSignalSpy playEnded(&player, &AudioPlayer::EndPlay);
        player.SetFormat(44100, 2);
        player.PlayStart();
        QCOMPARE(player.PlayStatus(), 1);
        player.QueueBlock(testsupport::sineTone(44100, 2, 44100 * 10, 300.0));
        server.terminate();
        QVERIFY(server.waitForFinished());
        QVERIFY(runUntil([&] { return !c.lost.isEmpty(); }));
        QVERIFY(runUntil([&] { return playEnded.count() > 0; }));
        QVERIFY(player.PlayStatus() < 0);
        QVERIFY(!player.LastError().isEmpty());
        QCOMPARE(c.lost.size(), 1);
        QVERIFY(r.RecordStatus() < 0);
        c.stop();
        QVERIFY(c.frames() >= 4410);
        // Nothing left to record from, and nothing hangs.
        QCOMPARE(r.DeviceCount(), 0);
        QVERIFY(r.RecordStart() < 0);
    }

    void destroyedWhileRecording() {
        auto r = std::make_unique<AudioRecord>();
        int blocks = 0;
        QObject::connect(r.get(), &AudioRecord::EndArrayRecord, r.get(), [&](int) { ++blocks; });
        r->SetBlockSize(441);
        QVERIFY(r->RecordStart() > 0);
        QVERIFY(runUntil([&] { return blocks > 3; }));
        r.reset(); // with events still on their way
        QCoreApplication::processEvents();
        QTest::qWait(50);
    }

    void noServerNoDevices() {
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/pelvanto-no-server");
        auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", saved); });
        AudioRecord r;
        QCOMPARE(r.DeviceCount(), 0);
        QVERIFY(!r.DeviceUsable());
        QCOMPARE(r.SourceCount(), -1);
        QVERIFY(!r.SourceSelected());
        QVERIFY(r.LastAdvancedControl() < 0);
        r.SetSourceVolume(100);
        r.SetSourceSelected(true);
        QVERIFY(r.RecordStart() < 0);
        QVERIFY(r.RecordStatus() < 0);
        r.RecordStop();
        QVERIFY(r.GetRecordedBlock().isEmpty());
        QVERIFY(r.GetLatestSamples(100).isEmpty());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
