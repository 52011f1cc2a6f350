// Files made by lame, oggenc, sox and ffmpeg read back through the component; block and seek
// semantics; damaged input.
#include "AudioCheck.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using pelvanto::AudioFile;
using namespace audiocheck;

namespace {

constexpr double kTone = 1000.0;

QVector<qint16> readAll(AudioFile &file, int block = 4410) {
    QVector<qint16> all;
    for (int guard = 0; guard < 1000000; ++guard) {
        const QVector<qint16> b = file.ReadBlock(block);
        if (b.isEmpty())
            break;
        all += b;
    }
    return all;
}

bool writeFile(const QString &path, const QByteArray &data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestAudioFileRead : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_wav; // 3 s, 44100 Hz stereo, 1 kHz, made by sox

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        REQUIRE_TOOL("sox");
        REQUIRE_TOOL("ffmpeg");
        m_wav = path(QStringLiteral("source.wav"));
        const auto r = testsupport::runTool(QStringLiteral("sox"),
                                            {"-n", "-r", "44100", "-c", "2", "-b", "16", m_wav,
                                             "synth", "3", "sine", "1000", "vol", "0.5"});
        QCOMPARE(r.exitCode, 0);
    }

    void foreignFiles_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args"); // %in and %out are replaced
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("slack"); // seconds of codec padding allowed

        QTest::newRow("lame cbr") << "lame" << QStringList{"--quiet", "-b", "128", "%in", "%out"}
                                  << "lame.mp3" << 44100 << 2 << 0.0;
        QTest::newRow("lame vbr mono 22050")
            << "lame"
            << QStringList{"--quiet", "-V", "4", "-m", "m", "--resample", "22.05", "%in", "%out"}
            << "lamevbr.mp3" << 22050 << 1 << 0.0;
        QTest::newRow("oggenc") << "oggenc" << QStringList{"-Q", "-q", "3", "-o", "%out", "%in"}
                                << "oggenc.ogg" << 44100 << 2 << 0.0;
        QTest::newRow("sox flac") << "sox" << QStringList{"%in", "%out"} << "sox.flac" << 44100 << 2
                                  << 0.0;
        QTest::newRow("sox aiff") << "sox" << QStringList{"%in", "%out"} << "sox.aiff" << 44100 << 2
                                  << 0.0;
        QTest::newRow("sox au") << "sox" << QStringList{"%in", "%out"} << "sox.au" << 44100 << 2
                                << 0.0;
        QTest::newRow("sox ima adpcm wav") << "sox" << QStringList{"%in", "-e", "ima-adpcm", "%out"}
                                           << "soxima.wav" << 44100 << 2 << 0.05;
        QTest::newRow("sox ms adpcm wav") << "sox" << QStringList{"%in", "-e", "ms-adpcm", "%out"}
                                          << "soxms.wav" << 44100 << 2 << 0.05;
        QTest::newRow("sox gsm wav 8000")
            << "sox" << QStringList{"%in", "-r", "8000", "-c", "1", "-e", "gsm-full-rate", "%out"}
            << "soxgsm.wav" << 8000 << 1 << 0.05;
        QTest::newRow("sox 24-bit wav")
            << "sox" << QStringList{"%in", "-b", "24", "%out"} << "sox24.wav" << 44100 << 2 << 0.0;
        QTest::newRow("ffmpeg wma")
            << "ffmpeg"
            << QStringList{"-v", "error", "-i", "%in", "-c:a", "wmav2", "-b:a", "128k", "%out"}
            << "ffmpeg.wma" << 44100 << 2 << 0.1;
        QTest::newRow("ffmpeg mp3 48000")
            << "ffmpeg" << QStringList{"-v", "error", "-i", "%in", "-ar", "48000", "%out"}
            << "ffmpeg.mp3" << 48000 << 2 << 0.0;
        QTest::newRow("ffmpeg 5.1 flac")
            << "ffmpeg"
            << QStringList{"-v",  "error", "-i",
                           "%in", "-af",   "pan=5.1|c0=c0|c1=c1|c2=c0|c3=c1|c4=c0|c5=c1",
                           "%out"}
            << "surround.flac" << 44100 << 2 << 0.0;
        QTest::newRow("ffmpeg g726 wav")
            << "ffmpeg" << QStringList{"-v", "error", "-i",   "%in",  "-ar", "8000", "-ac",
                                       "1",  "-c:a",  "g726", "-b:a", "32k", "%out"}
            << "ffmpegg726.wav" << 8000 << 1 << 0.01;
    }

    void foreignFiles() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(double, slack);
        REQUIRE_SERVICE(testsupport::checkTool(program));
        const QString out = path(name);
        for (QString &a : args)
            a.replace(QLatin1String("%in"), m_wav).replace(QLatin1String("%out"), out);
        const auto r = testsupport::runTool(program, args);
        QVERIFY2(r.exitCode == 0, r.err.constData());

        AudioFile file;
        QCOMPARE(file.OpenRead(out, 0, 1), 0);
        QCOMPARE(file.FileStatus(), 0);
        QCOMPARE(file.SampleRate(), rate);
        QCOMPARE(file.ChannelCount(), channels);
        QCOMPARE(file.SamplesPerFrame(), channels);
        QVERIFY(!file.FormatDescription().isEmpty());
        const qint64 expected = 3LL * rate;
        QVERIFY2(std::abs(file.LengthSamples() - expected) <= slack * rate + rate / 50.0,
                 qPrintable(QString::number(file.LengthSamples())));
        const QVector<qint16> all = readAll(file);
        QVERIFY2(std::abs(all.size() / channels - expected) <= slack * rate + rate / 50.0,
                 qPrintable(QString::number(all.size() / channels)));
        const double f = toneFrequency(toMono(all, channels), rate);
        QVERIFY2(std::abs(f - kTone) < kTone * 0.02, qPrintable(QString::number(f)));
        // After the end: empty, and stays so.
        QVERIFY(file.ReadBlock(1000).isEmpty());
        QVERIFY(file.ReadBlock(1000).isEmpty());
        file.CloseFile();
        QVERIFY(file.ReadBlock(1000).isEmpty());
    }

    // A headerless G.726 file from ffmpeg is read with the G.726 settings at hand.
    void headerlessG726() {
        const QString out = path(QStringLiteral("bare.g726"));
        const auto r = testsupport::runTool(QStringLiteral("ffmpeg"),
                                            {"-v", "error", "-i", m_wav, "-ar", "8000", "-ac", "1",
                                             "-c:a", "g726", "-b:a", "24k", "-f", "g726", out});
        QCOMPARE(r.exitCode, 0);
        AudioFile file;
        file.SetG726Format(8000, 3);
        QCOMPARE(file.OpenRead(out), 0);
        QCOMPARE(file.SampleRate(), 8000);
        const QVector<qint16> all = readAll(file);
        QVERIFY(std::abs(all.size() - 24000) < 200);
        QVERIFY(std::abs(toneFrequency(all, 8000) - kTone) < kTone * 0.02);
    }

    void blockSemantics() {
        AudioFile file;
        QCOMPARE(file.OpenRead(m_wav), 0);
        QCOMPARE(file.LengthSamples(), 132300);
        // Odd counts are rounded down to whole frames.
        QCOMPARE(file.ReadBlock(3).size(), 2);
        QCOMPARE(file.ReadBlock(0).size(), 0);
        QCOMPARE(file.SeekTo(132300 - 10, 3), 132300 - 10);
        const QVector<qint16> tail = file.ReadBlock(100);
        QCOMPARE(tail.size(), 20);
        QVERIFY(file.ReadBlock(100).isEmpty());
        // Seeking back after the end reads again; seeking past it stops at the end.
        QCOMPARE(file.SeekTo(0, 3), 0);
        QCOMPARE(file.ReadBlock(100).size(), 100);
        QCOMPARE(file.SeekTo(10000000, 3), 132300);
        QVERIFY(file.ReadBlock(100).isEmpty());
    }

    // Seeking gives the very samples a straight read gives at that position.
    void seekIsSampleExact_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("exact");
        QTest::newRow("wav") << "seek.wav" << QStringList{"-v", "error", "-i", "%in", "%out"}
                             << true;
        QTest::newRow("flac") << "seek.flac" << QStringList{"-v", "error", "-i", "%in", "%out"}
                              << true;
        QTest::newRow("ogg") << "seek.ogg"
                             << QStringList{"-v", "error", "-i", "%in", "-c:a", "libvorbis", "%out"}
                             << true;
        QTest::newRow("mp3") << "seek.mp3" << QStringList{"-v", "error", "-i", "%in", "%out"}
                             << false;
    }
    void seekIsSampleExact() {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        QFETCH(bool, exact);
        // Noise, so that any offset shows.
        const QString noisy = path(QStringLiteral("noise.wav"));
        if (!QFile::exists(noisy)) {
            AudioFile w;
            w.SetPcmFormat(44100, 2, 16);
            QCOMPARE(w.CreateWrite(noisy), 0);
            QVERIFY(w.WriteBlock(noise(44100 * 4, 2)));
            w.CloseFile();
        }
        const QString out = path(name);
        for (QString &a : args)
            a.replace(QLatin1String("%in"), noisy).replace(QLatin1String("%out"), out);
        QCOMPARE(testsupport::runTool(QStringLiteral("ffmpeg"), args).exitCode, 0);

        AudioFile file;
        QCOMPARE(file.OpenRead(out), 0);
        const QVector<qint16> straight = readAll(file, 8192);
        for (qint64 target : {qint64(0), qint64(12345), qint64(88200), qint64(150001), qint64(5)}) {
            const qint64 reached = file.SeekTo(target, 3);
            if (exact)
                QCOMPARE(reached, target);
            else
                QVERIFY2(std::abs(reached - target) <= 1152, qPrintable(QString::number(reached)));
            const QVector<qint16> block = file.ReadBlock(2000);
            QCOMPARE(block.size(), 2000);
            if (exact || reached == target) {
                int worst = 0;
                for (int i = 0; i < block.size(); ++i)
                    worst = qMax(worst, std::abs(block[i] - straight[reached * 2 + i]));
                QVERIFY2(worst <= (exact ? 0 : 64),
                         qPrintable(QStringLiteral("%1 at %2").arg(worst).arg(target)));
            }
        }
    }

    void headerlessSettingsDecide() {
        // A RAW file read with the RAW settings at hand: change them and the reading changes.
        const QString raw = path(QStringLiteral("tone.raw"));
        AudioFile file;
        file.SetRawFormat(1, 8000, 1, 16);
        QCOMPARE(file.CreateWrite(raw), 0);
        QVERIFY(file.WriteBlock(testsupport::sineTone(8000, 1, 8000, kTone)));
        file.CloseFile();
        QCOMPARE(file.OpenRead(raw), 0);
        QCOMPARE(file.LengthSamples(), 8000);
        QVERIFY(std::abs(toneFrequency(readAll(file), 8000) - kTone) < 20);
        file.SetRawFormat(1, 16000, 2, 16);
        QCOMPARE(file.OpenRead(raw), 0);
        QCOMPARE(file.SampleRate(), 16000);
        QCOMPARE(file.ChannelCount(), 2);
        QCOMPARE(file.LengthSamples(), 4000);
    }

    void badInput_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("ext");
        QTest::newRow("mp3") << "lame.mp3"
                             << "mp3";
        QTest::newRow("ogg") << "oggenc.ogg"
                             << "ogg";
        QTest::newRow("flac") << "sox.flac"
                              << "flac";
        QTest::newRow("wav") << "source.wav"
                             << "wav";
        QTest::newRow("wma") << "ffmpeg.wma"
                             << "wma";
        QTest::newRow("g726") << "ffmpegg726.wav"
                              << "g726";
    }
    void badInput() {
        QFETCH(QString, source);
        QFETCH(QString, ext);
        QFile f(path(source));
        if (!f.open(QIODevice::ReadOnly)) {
            // Made by foreignFiles with tools the test command installs.
            QVERIFY2(!testsupport::servicesStarted(), "the foreign file was not made");
            QSKIP("source file was not made");
        }
        const QByteArray good = f.readAll();
        QVERIFY(good.size() > 1000);

        // Truncated: a short read, no crash.
        const QString cut = path(QStringLiteral("cut.%1").arg(ext));
        QVERIFY(writeFile(cut, good.left(good.size() / 2)));
        AudioFile file;
        if (file.OpenRead(cut) == 0) {
            const QVector<qint16> all = readAll(file);
            QVERIFY(all.size() / file.ChannelCount() < qsizetype{3} * file.SampleRate());
            file.SeekTo(file.LengthSamples() - 10, 3);
            readAll(file);
        }

        // Corrupted in the middle: whatever is read, it ends.
        QByteArray broken = good;
        for (qsizetype i = broken.size() / 3; i < broken.size() / 3 + 2000 && i < broken.size();
             i += 7)
            broken[i] = static_cast<char>(broken[i] ^ 0x5a);
        const QString bad = path(QStringLiteral("broken.%1").arg(ext));
        QVERIFY(writeFile(bad, broken));
        if (file.OpenRead(bad) == 0) {
            readAll(file);
            file.SeekTo(1000, 3);
            readAll(file);
        }

        // Header only, empty, and garbage: a negative status or an empty read.
        for (const QByteArray &data : {good.left(40), QByteArray(), QByteArray(5000, '\xff')}) {
            const QString junk = path(QStringLiteral("junk.%1").arg(ext));
            QVERIFY(writeFile(junk, data));
            if (file.OpenRead(junk) == 0)
                QVERIFY(readAll(file).size() < 100000);
            else
                QVERIFY(file.FileStatus() < 0);
        }
    }

    void missingFile() {
        AudioFile file;
        QVERIFY(file.OpenRead(path(QStringLiteral("nothing.mp3"))) < 0);
        QVERIFY(file.FileStatus() < 0);
        QVERIFY(!file.LastError().isEmpty());
        QVERIFY(file.ReadBlock(100).isEmpty());
        QCOMPARE(file.SeekTo(10, 3), -1);
        QVERIFY(file.OpenRead(m_dir.path()) < 0);
    }
};

QTEST_MAIN(TestAudioFileRead)
#include "tst_audiofile_read.moc"
