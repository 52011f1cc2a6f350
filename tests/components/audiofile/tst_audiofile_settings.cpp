// Format setters, descriptions, the WAV chooser, taking a format from a file, write failures
// and a recording killed in the middle.
#include "AudioCheck.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>

using pelvanto::AudioFile;
using pelvanto::WavCodec;
using pelvanto::WavFormat;
using namespace audiocheck;

class TestAudioFileSettings : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    static QVector<qint16> second(const AudioFile &f) {
        return testsupport::sineTone(f.SampleRate(), f.ChannelCount(), f.SampleRate(), 1000.0);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // A fresh install hands zeros to every setter: each format still records.
    void zerosGiveWorkingDefaults_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("WAV") << "WAV" << 44100 << 2;
        QTest::newRow("MP3") << "MP3" << 44100 << 2;
        QTest::newRow("VOX") << "VOX" << 44100 << 1;
        QTest::newRow("Raw") << "Raw" << 44100 << 2;
        QTest::newRow("G726") << "G726" << 44100 << 1;
        QTest::newRow("OGG") << "OGG" << 44100 << 2;
        QTest::newRow("wma") << "wma" << 44100 << 2;
    }
    void zerosGiveWorkingDefaults() {
        QFETCH(QString, ext);
        QFETCH(int, rate);
        QFETCH(int, channels);
        AudioFile file;
        file.SetMp3Format(0, 0, 0);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("128 kbit/s")));
        file.SetPcmFormat(0, 0, 16);
        QCOMPARE(file.FormatDescription(),
                 QStringLiteral("WAV PCM 16-bit, 44100 Hz, stereo, 1411 kbit/s"));
        file.SetVoxFormat(0);
        QVERIFY(!file.FormatDescription().isEmpty());
        file.SetOggFormat(44100, 2, 0, 0, 0, -1);
        QCOMPARE(file.FormatDescription(),
                 QStringLiteral("Ogg Vorbis 128 kbit/s nominal, 44100 Hz, stereo"));
        file.SetRawFormat(0, 0, 0, 16);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("PCM 16-bit")));
        file.SetG726Format(0, 0);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("4-bit")));

        const QString out = path(QStringLiteral("default.%1").arg(ext));
        QCOMPARE(file.CreateWrite(out, 0), 0);
        QCOMPARE(file.SampleRate(), rate);
        QCOMPARE(file.ChannelCount(), channels);
        QVERIFY(!file.FormatDescription().isEmpty());
        QVERIFY(file.WriteBlock(second(file)));
        QCOMPARE(file.LengthSamples(), rate);
        file.CloseFile();
        QCOMPARE(file.FileStatus(), 0);
        QVERIFY(QFileInfo(out).size() > 1000);
    }

    void settersKeepTheirOwnFormat() {
        AudioFile file;
        file.SetPcmFormat(8000, 1, 16);
        file.SetMp3Format(22050, 64, 1);
        file.SetRawFormat(2, 16000, 2, 16);
        QCOMPARE(file.CreateWrite(path(QStringLiteral("a.wav"))), 0);
        QCOMPARE(file.SampleRate(), 8000);
        QCOMPARE(file.ChannelCount(), 1);
        QCOMPARE(file.CreateWrite(path(QStringLiteral("a.mp3"))), 0);
        QCOMPARE(file.SampleRate(), 22050);
        QCOMPARE(file.CreateWrite(path(QStringLiteral("a.RAW"))), 0);
        QCOMPARE(file.SampleRate(), 16000);
        QCOMPARE(file.ChannelCount(), 2);
        file.CloseFile();
        QVERIFY(file.CreateWrite(path(QStringLiteral("a.flac"))) < 0);
        QVERIFY(file.FileStatus() < 0);
        QVERIFY(!file.WriteBlock({1, 2}));
    }

    void impossibleFormatsGiveEmptyDescriptions() {
        AudioFile file;
        file.SetPcmFormat(16000, 1, 16);
        file.SetGsmFormat(16000);
        QVERIFY(file.FormatDescription().isEmpty());
        // The earlier format stays in force.
        QCOMPARE(file.CreateWrite(path(QStringLiteral("stays.wav"))), 0);
        QCOMPARE(file.SampleRate(), 16000);
        file.CloseFile();
        QCOMPARE(probe(path(QStringLiteral("stays.wav"))).codec, QStringLiteral("pcm_s16le"));
        file.SetGsmFormat(8000);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("GSM 6.10")));
        file.SetAdpcmFormat(44100, 0);
        QVERIFY(file.FormatDescription().isEmpty());
        file.SetAdpcmFormat(44100, 2);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("IMA ADPCM")));

        // Bit rates the Vorbis encoder cannot reach.
        file.SetOggFormat(44100, 2, 128, 0, 0, 300);
        const QString good = file.FormatDescription();
        QVERIFY(!good.isEmpty());
        file.SetOggFormat(8000, 1, 320, 0, 0, -1);
        QVERIFY(file.FormatDescription().isEmpty());
        file.SetOggFormat(8000, 2, 192, 112, 320, -1);
        QVERIFY(file.FormatDescription().isEmpty());
        QCOMPARE(file.CreateWrite(path(QStringLiteral("stays.ogg"))), 0);
        QCOMPARE(file.FormatDescription(), good);
        file.CloseFile();

        // A minimum above the maximum is the encoder's affair: refused, or a playable file.
        file.SetOggFormat(44100, 2, 112, 320, 112, -1);
        if (!file.FormatDescription().isEmpty()) {
            QCOMPARE(file.CreateWrite(path(QStringLiteral("upside.ogg"))), 0);
            QVERIFY(file.WriteBlock(second(file)));
            file.CloseFile();
            QCOMPARE(file.FileStatus(), 0);
            QCOMPARE(probe(path(QStringLiteral("upside.ogg"))).codec, QStringLiteral("vorbis"));
        }

        file.SetWmaProfile(0);
        QVERIFY(file.FormatDescription().isEmpty());
    }

    void descriptionsFollowTheSubject() {
        AudioFile file;
        file.SetPcmFormat(22050, 1, 16);
        const QString setting = file.FormatDescription();
        QCOMPARE(file.CreateWrite(path(QStringLiteral("subject.wav"))), 0);
        QCOMPARE(file.FormatDescription(), setting);
        QVERIFY(file.WriteBlock(second(file)));
        file.CloseFile();
        QCOMPARE(file.OpenRead(path(QStringLiteral("subject.wav"))), 0);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("22050 Hz")));
        QVERIFY(file.FormatDescription().contains(QStringLiteral("mono")));
        file.SetMp3Format(48000, 192, 2);
        QVERIFY(file.FormatDescription().startsWith(QStringLiteral("MP3 192 kbit/s")));
    }

    void chooseWavFormat() {
        AudioFile file;
        // Nobody installed a chooser: nothing is chosen and the format stays.
        QVERIFY(!file.ChooseWavFormat());
        QCOMPARE(file.CurrentWavFormat(), WavFormat{});
        QList<WavFormat> seen;
        file.SetWavFormatChooser([&seen](const QList<WavFormat> &offered, const WavFormat &) {
            seen = offered;
            return std::optional<WavFormat>(WavFormat{WavCodec::MsAdpcm, 22050, 2});
        });
        QVERIFY(file.ChooseWavFormat());
        QVERIFY(file.FormatDescription().contains(QStringLiteral("Microsoft ADPCM")));
        // Every codec is offered, GSM only in mono, PCM at every rate in both channel counts.
        QSet<int> codecs;
        for (const WavFormat &f : seen) {
            codecs.insert(static_cast<int>(f.codec));
            if (f.codec == WavCodec::Gsm610)
                QCOMPARE(f.channels, 1);
        }
        QCOMPARE(codecs.size(), 9);
        QVERIFY(seen.contains(WavFormat{WavCodec::Pcm16, 8000, 1}));
        QVERIFY(seen.contains(WavFormat{WavCodec::Pcm16, 48000, 2}));
        QVERIFY(!seen.contains(WavFormat{WavCodec::Gsm610, 16000, 1}));

        const QString out = path(QStringLiteral("chosen.wav"));
        QCOMPARE(file.CreateWrite(out), 0);
        QVERIFY(file.WriteBlock(second(file)));
        file.CloseFile();
        const Probe p = probe(out);
        QCOMPARE(p.codec, QStringLiteral("adpcm_ms"));
        QCOMPARE(p.rate, 22050);
        QCOMPARE(p.channels, 2);

        // Every offered format really writes.
        for (const WavFormat &f : seen) {
            AudioFile w;
            QVERIFY(w.SetWavFormat(f));
            QCOMPARE(w.CreateWrite(path(QStringLiteral("every.wav"))), 0);
            QVERIFY(w.WriteBlock(second(w)));
            w.CloseFile();
            QCOMPARE(w.FileStatus(), 0);
        }

        // Cancel leaves the format alone.
        file.SetWavFormatChooser(
            [](const QList<WavFormat> &, const WavFormat &) { return std::optional<WavFormat>(); });
        QVERIFY(!file.ChooseWavFormat());
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::MsAdpcm, 22050, 2}));
        QVERIFY(!file.FormatDescription().isEmpty());
    }

    void formatLikeFile() {
        REQUIRE_TOOL("sox");
        REQUIRE_TOOL("ffmpeg");
        const QString ima = path(QStringLiteral("like.wav"));
        QCOMPARE(testsupport::runTool(QStringLiteral("sox"),
                                      {"-n", "-r", "22050", "-c", "1", "-e", "ima-adpcm", ima,
                                       "synth", "1", "sine", "440"})
                     .exitCode,
                 0);
        AudioFile file;
        QVERIFY(file.SetFormatLikeFile(ima));
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::ImaAdpcm, 22050, 1}));
        QVERIFY(file.FormatDescription().contains(QStringLiteral("IMA ADPCM")));

        // Formats we cannot write are refused and change nothing.
        const QString s32 = path(QStringLiteral("s32.wav"));
        QCOMPARE(
            testsupport::runTool(QStringLiteral("ffmpeg"), {"-v", "error", "-f", "lavfi", "-i",
                                                            "sine=d=1", "-c:a", "pcm_s32le", s32})
                .exitCode,
            0);
        const QString six = path(QStringLiteral("six.wav"));
        QCOMPARE(testsupport::runTool(QStringLiteral("ffmpeg"), {"-v", "error", "-f", "lavfi", "-i",
                                                                 "sine=d=1", "-ac", "6", six})
                     .exitCode,
                 0);
        const QString mp3 = path(QStringLiteral("like.mp3"));
        QCOMPARE(testsupport::runTool(QStringLiteral("ffmpeg"),
                                      {"-v", "error", "-f", "lavfi", "-i", "sine=d=1", mp3})
                     .exitCode,
                 0);
        for (const QString &refused : {s32, six, mp3, path(QStringLiteral("missing.wav"))}) {
            QVERIFY2(!file.SetFormatLikeFile(refused), qPrintable(refused));
            QVERIFY(file.FormatDescription().isEmpty());
            QVERIFY(!file.LastError().isEmpty());
            QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::ImaAdpcm, 22050, 1}));
        }
    }

    // libsndfile writes a per-channel count for stereo IMA ADPCM; the file must carry the
    // real frame count.
    void imaStereoFactChunk() {
        AudioFile file;
        file.SetAdpcmFormat(44100, 2);
        const QString out = path(QStringLiteral("fact.wav"));
        QCOMPARE(file.CreateWrite(out), 0);
        QVERIFY(file.WriteBlock(testsupport::sineTone(44100, 2, 66150, 1000)));
        file.CloseFile();
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(512);
        const qsizetype fact = head.indexOf("fact");
        QVERIFY(fact > 0);
        QCOMPARE(qFromLittleEndian<quint32>(head.constData() + fact + 8), 66150u);
    }

    void cannotCreate() {
        AudioFile file;
        for (const char *ext : {"wav", "mp3", "ogg", "vox", "raw", "g726", "wma"}) {
            QVERIFY(file.CreateWrite(
                        path(QStringLiteral("no/such/folder/x.%1").arg(QLatin1String(ext)))) < 0);
            QVERIFY(file.FileStatus() < 0);
            QVERIFY(!file.LastError().isEmpty());
            QVERIFY(!file.WriteBlock({0, 0}));
        }
    }

    // Disk full and the file size limit are reported by WriteBlock (or at the latest by
    // CloseFile), so the recording can stop cleanly.
    void writeFailures_data() {
        QTest::addColumn<QString>("ext");
        for (const char *ext : {"wav", "mp3", "ogg", "vox", "raw", "g726", "wma"})
            QTest::newRow(ext) << QString::fromLatin1(ext);
    }
    void writeFailures() {
        QFETCH(QString, ext);
        // Disk full.
        const QString full = path(QStringLiteral("full.%1").arg(ext));
        QFile::remove(full);
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), full));
        {
            AudioFile file;
            if (file.CreateWrite(full) == 0) {
                bool failed = false;
                for (int i = 0; i < 10 && !failed; ++i)
                    failed = !file.WriteBlock(second(file));
                if (failed) {
                    QVERIFY(file.FileStatus() < 0);
                    QVERIFY2(file.LastError().contains(QStringLiteral("space")),
                             qPrintable(file.LastError()));
                }
                file.CloseFile();
                QVERIFY(failed || file.FileStatus() < 0);
            } else {
                QVERIFY(!file.LastError().isEmpty());
            }
        }

        // File size limit.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t{64} * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        AudioFile file;
        bool failed = false;
        const QString big = path(QStringLiteral("big.%1").arg(ext));
        int blocks = 0;
        if (file.CreateWrite(big) == 0) {
            for (; blocks < 200 && !failed; ++blocks)
                failed = !file.WriteBlock(second(file));
            file.CloseFile();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(failed);
        QVERIFY(file.FileStatus() < 0);
        QVERIFY2(file.LastError().contains(QStringLiteral("large")), qPrintable(file.LastError()));
    }

    // A program killed in the middle of a recording leaves a file that plays up to the last
    // block written.
    void killedRecording_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mode");
        QTest::newRow("wav pcm") << "killed.wav"
                                 << "pcm";
        QTest::newRow("wav adpcm") << "killedadpcm.wav"
                                   << "adpcm";
        QTest::newRow("g726") << "killed.g726"
                              << "";
        QTest::newRow("mp3") << "killed.mp3"
                             << "";
        QTest::newRow("ogg") << "killed.ogg"
                             << "";
    }
    void killedRecording() {
        QFETCH(QString, name);
        QFETCH(QString, mode);
        const QString out = path(name);
        QProcess writer;
        writer.start(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/audiofile_killwriter"),
                     {out, mode});
        QVERIFY(writer.waitForStarted());
        QByteArray printed;
        while (!printed.contains("\n5\n") && !printed.startsWith("5\n")) {
            QVERIFY(writer.waitForReadyRead(30000));
            printed += writer.readAllStandardOutput();
        }
        writer.kill();
        writer.waitForFinished();

        bool ok = false;
        const QVector<qint16> decoded = decodeMono(out, {}, &ok);
        QVERIFY(ok);
        const Probe p = probe(out);
        QVERIFY(p.ok);
        QVERIFY2(decoded.size() >= 5 * p.rate - p.rate / 10,
                 qPrintable(QString::number(decoded.size())));
        QVERIFY(std::abs(toneFrequency(decoded, p.rate) - 1000) < 30);

        AudioFile file;
        QCOMPARE(file.OpenRead(out), 0);
        qint64 frames = 0;
        for (;;) {
            const QVector<qint16> b = file.ReadBlock(8192);
            if (b.isEmpty())
                break;
            frames += b.size() / file.ChannelCount();
        }
        QVERIFY(frames >= 5 * p.rate - p.rate / 10);
    }
};

QTEST_MAIN(TestAudioFileSettings)
#include "tst_audiofile_settings.moc"
