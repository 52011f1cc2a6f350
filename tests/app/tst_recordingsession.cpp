// The recording session against the test sound server, with a disk that stalls or fails put
// in front of the encoder: the window's thread never waits for it and no audio is lost.
#include "RecordingSession.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"
#include "audiofile/BlockSink.h"
#include "capture/AudioRecord.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace pelvanto;

namespace {

constexpr int kRate = 44100;

// What the disk does, shared with the test: it passes blocks on to the real file, holds the
// writing thread for stallMs before block stallAt, and fails from block failAt on.
struct DiskScript {
    int stallAt = -1;
    int stallMs = 0;
    int failAt = -1;
    std::atomic<bool> stalling{false};
    std::atomic<int> blocks{0};
};

class ScriptedDisk final : public BlockSink {
public:
    ScriptedDisk(std::unique_ptr<BlockSink> file, DiskScript &script)
        : file_(std::move(file)), script_(script) {}

    bool write(const QVector<qint16> &samples, QString *error) override {
        const int n = script_.blocks++;
        if (n == script_.stallAt) {
            script_.stalling = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(script_.stallMs));
            script_.stalling = false;
        }
        if (script_.failAt >= 0 && n >= script_.failAt) {
            *error = QStringLiteral("No space left on device");
            return false;
        }
        return file_->write(samples, error);
    }
    bool finish(QString *error) override { return file_->finish(error); }

private:
    std::unique_ptr<BlockSink> file_;
    DiskScript &script_;
};

// How long events posted to this thread wait before they run, as a repaint or a queued
// signal of the window would: another thread posts one every 20 ms.
class LoopLatency : public QObject {
public:
    LoopLatency() {
        clock_.start();
        poster_ = std::thread([this] {
            while (!quit_) {
                const qint64 posted = clock_.elapsed();
                QMetaObject::invokeMethod(
                    this, [this, posted] { worst_ = std::max(worst_, clock_.elapsed() - posted); },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~LoopLatency() override {
        quit_ = true;
        poster_.join();
    }
    qint64 worstMs() const { return worst_; }

private:
    QElapsedTimer clock_;
    std::atomic<bool> quit_{false};
    qint64 worst_ = 0; // touched on this thread only
    std::thread poster_;
};

bool selectDevice(AudioRecord &recorder, const QString &id) {
    const int count = recorder.DeviceCount();
    for (int i = 0; i < count; ++i) {
        recorder.SetCurrentDevice(i);
        if (recorder.DeviceId() == id)
            return true;
    }
    return false;
}

struct ReadBack {
    qint64 frames = 0;
    int largestStep = 0; // between neighbouring samples of the left channel
    int peak = 0;
};

ReadBack readBack(const QString &path) {
    ReadBack out;
    AudioFile reader;
    if (reader.OpenRead(path) < 0)
        return out;
    int previous = 0;
    bool first = true;
    for (;;) {
        const QVector<qint16> block = reader.ReadBlock(2 * 4096);
        if (block.isEmpty())
            break;
        for (qsizetype i = 0; i < block.size(); i += 2) {
            if (!first)
                out.largestStep = std::max(out.largestStep, std::abs(block[i] - previous));
            out.peak = std::max(out.peak, std::abs(static_cast<int>(block[i])));
            previous = block[i];
            first = false;
        }
        out.frames += block.size() / 2;
    }
    return out;
}

// A recording from the test microphone into a 16-bit stereo WAV whose disk follows `script`.
struct ScriptedRecording {
    DiskScript script;
    AudioRecord recorder;
    AudioFile file;
    std::unique_ptr<RecordingSession> session;

    bool setUp() {
        if (!selectDevice(recorder, QStringLiteral("sine_mic")))
            return false;
        file.SetPcmFormat(kRate, 2, 16);
        file.SetBlockSinkWrapper([this](std::unique_ptr<BlockSink> real) {
            return std::make_unique<ScriptedDisk>(std::move(real), script);
        });
        session = std::make_unique<RecordingSession>(recorder, file);
        return true;
    }
};

} // namespace

class TestRecordingSession : public QObject {
    Q_OBJECT
private slots:
    void init() {
        REQUIRE_PULSE();
        QVERIFY(dir_.isValid());
    }

    // The disk holds the writing thread for five seconds early in the recording. Blocks queue
    // up meanwhile, the window's events keep running, and the file ends up with every frame
    // captured, as one unbroken tone.
    void aStalledDiskLosesNoAudio() {
        ScriptedRecording rec;
        rec.script.stallAt = 1;
        rec.script.stallMs = 5000;
        QVERIFY(rec.setUp());
        AudioFile &file = rec.file;
        RecordingSession &session = *rec.session;
        const QString path = dir_.filePath(QStringLiteral("stalled.wav"));

        LoopLatency latency;
        // Timed from the first audio the server delivers: opening its stream may take a while,
        // and that is not capture waiting for the disk.
        QElapsedTimer wall;
        connect(&rec.recorder, &AudioRecord::Timer, this, [&wall] {
            if (!wall.isValid())
                wall.start();
        });
        QVERIFY(session.start(path));
        int mostQueued = 0;
        QTRY_VERIFY_WITH_TIMEOUT((mostQueued = std::max(mostQueued, file.PendingBlocks()),
                                  session.framesWritten() >= 8 * kRate),
                                 30000);
        const qint64 wallMs = wall.elapsed();
        session.stop();

        QVERIFY2(latency.worstMs() < 1000, qPrintable(QString::number(latency.worstMs())));
        QVERIFY2(mostQueued >= 3, qPrintable(QString::number(mostQueued))); // the disk did stall
        QCOMPARE(file.FileStatus(), 0);
        const ReadBack back = readBack(path);
        QCOMPARE(back.frames, session.framesWritten());
        // Everything the sound server delivered in that time: capture never waited either.
        QVERIFY2(back.frames >= (wallMs - 500) * kRate / 1000,
                 qPrintable(QStringLiteral("%1 frames in %2 ms").arg(back.frames).arg(wallMs)));
        // A dropped or repeated block would show as a jump in the 440 Hz tone.
        QVERIFY(back.peak > 1000);
        const double toneStep = back.peak * 2.0 * M_PI * 440.0 / kRate;
        QVERIFY2(
            back.largestStep <= toneStep * 1.2 + 2,
            qPrintable(QStringLiteral("step %1, tone %2").arg(back.largestStep).arg(toneStep)));
    }

    // Stopping while the disk still holds back: the stop waits for the last block to be
    // written without holding up the window's other events.
    void stoppingDuringAStallWritesEverything() {
        ScriptedRecording rec;
        rec.script.stallAt = 1;
        rec.script.stallMs = 3000;
        QVERIFY(rec.setUp());
        AudioFile &file = rec.file;
        RecordingSession &session = *rec.session;
        const QString path = dir_.filePath(QStringLiteral("stopped.wav"));
        QVERIFY(session.start(path));
        QTRY_VERIFY_WITH_TIMEOUT(rec.script.stalling.load(), 20000);

        LoopLatency latency;
        QElapsedTimer stopping;
        stopping.start();
        session.stop();
        const qint64 stopMs = stopping.elapsed();

        QVERIFY2(stopMs >= 1000, qPrintable(QString::number(stopMs))); // it did wait
        QVERIFY2(latency.worstMs() < 1000, qPrintable(QString::number(latency.worstMs())));
        QVERIFY(!session.isRecording());
        QCOMPARE(file.FileStatus(), 0);
        QVERIFY(session.framesWritten() > kRate);
        QCOMPARE(readBack(path).frames, session.framesWritten());
    }

    // The disk fails at the third block: the session asks to stop, with the disk's reason;
    // stopping closes a file that holds the blocks before the failure, and the user is told
    // once.
    void aFailingDiskStopsTheRecording() {
        ScriptedRecording rec;
        rec.script.failAt = 2;
        QVERIFY(rec.setUp());
        AudioFile &file = rec.file;
        RecordingSession &session = *rec.session;
        QSignalSpy failed(&session, &RecordingSession::failed);
        const QString path = dir_.filePath(QStringLiteral("failed.wav"));
        QVERIFY(session.start(path));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 20000);
        const QString reason = failed.at(0).at(0).toString();
        QVERIFY2(reason.contains(QLatin1String("No space left on device")), qPrintable(reason));
        QVERIFY(file.FileStatus() < 0);
        QVERIFY(session.isRecording()); // until the window stops it
        session.stop();
        QVERIFY(!session.isRecording());
        QTest::qWait(100);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(readBack(path).frames, qint64{2} * kRate);
        // The next recording starts afresh.
        rec.script.failAt = -1;
        const QString next = dir_.filePath(QStringLiteral("next.wav"));
        QVERIFY(session.start(next));
        QTRY_VERIFY_WITH_TIMEOUT(session.framesWritten() >= kRate, 20000);
        session.stop();
        QCOMPARE(file.FileStatus(), 0);
        QCOMPARE(readBack(next).frames, session.framesWritten());
        QCOMPARE(failed.count(), 1);
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestRecordingSession)
#include "tst_recordingsession.moc"
