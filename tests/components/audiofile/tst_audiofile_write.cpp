// Every writer at the edges of its rates and channel counts, checked by ffprobe/ffmpeg/sox
// and read back through the component.
#include "AudioCheck.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using pelvanto::AudioFile;
using namespace audiocheck;

namespace {

constexpr double kTone = 1000.0;

// Writes `seconds` of a tone in one-second blocks, as the recorder does.
bool writeTone(AudioFile &file, double seconds, double frequency = kTone) {
    const int rate = file.SampleRate();
    const int channels = file.ChannelCount();
    const QVector<qint16> tone =
        testsupport::sineTone(rate, channels, static_cast<int>(rate * seconds), frequency);
    const qsizetype block = static_cast<qsizetype>(rate) * channels;
    for (qsizetype at = 0; at < tone.size(); at += block) {
        if (!file.WriteBlock(tone.mid(at, block)))
            return false;
    }
    return true;
}

} // namespace

class TestAudioFileWrite : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        REQUIRE_TOOL("ffprobe");
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<std::function<void(AudioFile &)>>("setup");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QStringList>("inputArgs"); // for headerless files
        QTest::addColumn<double>("durationSlack");  // encoder delay and padding, seconds

        using Setup = std::function<void(AudioFile &)>;
        const QStringList none;
        QTest::newRow("wav pcm 8000 mono")
            << "wav" << Setup([](AudioFile &f) { f.SetPcmFormat(8000, 1, 16); }) << "pcm_s16le"
            << 8000 << 1 << none << 0.001;
        QTest::newRow("wav pcm 48000 stereo")
            << "WAV" << Setup([](AudioFile &f) { f.SetPcmFormat(48000, 2, 16); }) << "pcm_s16le"
            << 48000 << 2 << none << 0.001;
        QTest::newRow("wav adpcm 8000 mono")
            << "wav" << Setup([](AudioFile &f) { f.SetAdpcmFormat(8000, 1); }) << "adpcm_ima_wav"
            << 8000 << 1 << none << 0.15;
        QTest::newRow("wav adpcm 48000 stereo")
            << "wav" << Setup([](AudioFile &f) { f.SetAdpcmFormat(48000, 2); }) << "adpcm_ima_wav"
            << 48000 << 2 << none << 0.15;
        QTest::newRow("wav gsm 8000") << "wav" << Setup([](AudioFile &f) { f.SetGsmFormat(8000); })
                                      << "gsm_ms" << 8000 << 1 << none << 0.1;
        QTest::newRow("wav gsm 44100")
            << "wav" << Setup([](AudioFile &f) { f.SetGsmFormat(44100); }) << "gsm_ms" << 44100 << 1
            << none << 0.1;
        QTest::newRow("wav dsp") << "wav" << Setup([](AudioFile &f) { f.SetDspFormat(); })
                                 << "pcm_mulaw" << 8000 << 1 << none << 0.001;
        QTest::newRow("mp3 8000 mono")
            << "mp3" << Setup([](AudioFile &f) { f.SetMp3Format(8000, 8, 1); }) << "mp3" << 8000
            << 1 << none << 0.3;
        QTest::newRow("mp3 48000 stereo 320")
            << "Mp3" << Setup([](AudioFile &f) { f.SetMp3Format(48000, 320, 2); }) << "mp3" << 48000
            << 2 << none << 0.1;
        QTest::newRow("ogg quality 44100 stereo")
            << "ogg" << Setup([](AudioFile &f) { f.SetOggFormat(44100, 2, 128, 0, 0, 300); })
            << "vorbis" << 44100 << 2 << none << 0.05;
        QTest::newRow("ogg managed")
            << "OGG" << Setup([](AudioFile &f) { f.SetOggFormat(44100, 2, 128, 112, 160, -1); })
            << "vorbis" << 44100 << 2 << none << 0.05;
        QTest::newRow("ogg nominal 8000 mono")
            << "ogg" << Setup([](AudioFile &f) { f.SetOggFormat(8000, 1, 16, 0, 0, -1); })
            << "vorbis" << 8000 << 1 << none << 0.05;
        QTest::newRow("raw pcm 6000 mono")
            << "raw" << Setup([](AudioFile &f) { f.SetRawFormat(1, 6000, 1, 16); }) << "pcm_s16le"
            << 6000 << 1 << QStringList{"-f", "s16le", "-ar", "6000", "-ac", "1"} << 0.001;
        QTest::newRow("raw alaw 48000 stereo")
            << "Raw" << Setup([](AudioFile &f) { f.SetRawFormat(2, 48000, 2, 16); }) << "pcm_alaw"
            << 48000 << 2 << QStringList{"-f", "alaw", "-ar", "48000", "-ac", "2"} << 0.001;
        QTest::newRow("raw mulaw 8000 stereo")
            << "raw" << Setup([](AudioFile &f) { f.SetRawFormat(3, 8000, 2, 16); }) << "pcm_mulaw"
            << 8000 << 2 << QStringList{"-f", "mulaw", "-ar", "8000", "-ac", "2"} << 0.001;
        for (int bits = 2; bits <= 5; ++bits) {
            for (int rate : {6000, 8000, 48000}) {
                QTest::addRow("g726 %d bit %d", bits, rate)
                    << "G726" << Setup([bits, rate](AudioFile &f) { f.SetG726Format(rate, bits); })
                    << "adpcm_g726" << rate << 1 << none << 0.01;
            }
        }
        QTest::newRow("wma profile 1") << "wma" << Setup([](AudioFile &f) { f.SetWmaProfile(1); })
                                       << "wmav2" << 8000 << 1 << none << 0.3;
        QTest::newRow("wma profile 39") << "WMA" << Setup([](AudioFile &f) { f.SetWmaProfile(39); })
                                        << "wmav2" << 44100 << 2 << none << 0.1;
        QTest::newRow("wma profile 50") << "wma" << Setup([](AudioFile &f) { f.SetWmaProfile(50); })
                                        << "wmav2" << 48000 << 2 << none << 0.1;
    }

    void roundTrip() {
        QFETCH(QString, ext);
        QFETCH(std::function<void(AudioFile &)>, setup);
        QFETCH(QString, codec);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(QStringList, inputArgs);
        QFETCH(double, durationSlack);

        const QString path = m_dir.filePath(
            QStringLiteral("%1.%2").arg(QTest::currentDataTag(), ext).replace(' ', '_'));
        AudioFile file;
        setup(file);
        const QString description = file.FormatDescription();
        QVERIFY2(!description.isEmpty(), "the format must be possible");
        QCOMPARE(file.CreateWrite(path, 0), 0);
        QCOMPARE(file.FileStatus(), 0);
        QCOMPARE(file.SampleRate(), rate);
        QCOMPARE(file.ChannelCount(), channels);
        QCOMPARE(file.FormatDescription(), description);
        QVERIFY(writeTone(file, 2.0));
        file.CloseFile();
        QCOMPARE(file.FileStatus(), 0);

        const Probe p = probe(path, inputArgs);
        QVERIFY2(p.ok, qPrintable(path));
        QCOMPARE(p.codec, codec);
        QCOMPARE(p.rate, rate);
        QCOMPARE(p.channels, channels);
        QVERIFY2(std::abs(p.duration - 2.0) <= durationSlack + 1e-3,
                 qPrintable(QString::number(p.duration)));

        const QVector<qint16> decoded = decodeMono(path, inputArgs);
        const double frequency = toneFrequency(decoded, rate);
        QVERIFY2(std::abs(frequency - kTone) < kTone * 0.03,
                 qPrintable(QString::number(frequency)));

        // And back through our own reader, with the same settings for headerless files.
        QCOMPARE(file.OpenRead(path, 0, 1), 0);
        QCOMPARE(file.SampleRate(), rate);
        QCOMPARE(file.ChannelCount(), channels);
        QCOMPARE(file.SamplesPerFrame(), channels);
        QVERIFY(std::abs(file.LengthSamples() - qint64{2} * rate) <= durationSlack * rate + 2);
        QVector<qint16> all;
        for (;;) {
            const QVector<qint16> block = file.ReadBlock(4096);
            if (block.isEmpty())
                break;
            QCOMPARE(block.size() % channels, 0);
            all += block;
        }
        QVERIFY(std::abs(all.size() / channels - qsizetype{2} * rate) <= durationSlack * rate + 2);
        const double ours = toneFrequency(toMono(all, channels), rate);
        QVERIFY2(std::abs(ours - kTone) < kTone * 0.03, qPrintable(QString::number(ours)));
        file.CloseFile();
    }

    // The stream announces the bounds it was asked for, each in its own field: a player or
    // streaming server reads them from there.
    void oggBitRateBoundsReachTheStream_data() {
        QTest::addColumn<int>("nominal");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("managed 112-160") << 128 << 112 << 160;
        QTest::newRow("managed 64-256") << 128 << 64 << 256;
        QTest::newRow("maximum only") << 128 << 0 << 192;
        QTest::newRow("minimum only") << 128 << 96 << 0;
        QTest::newRow("nominal only") << 160 << 0 << 0;
    }
    void oggBitRateBoundsReachTheStream() {
        QFETCH(int, nominal);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        const QString path = m_dir.filePath(QStringLiteral("bounds_%1.ogg")
                                                .arg(QString::fromLatin1(QTest::currentDataTag()))
                                                .replace(' ', '_'));
        AudioFile file;
        file.SetOggFormat(44100, 2, nominal, minimum, maximum, -1);
        QVERIFY(!file.FormatDescription().isEmpty());
        QCOMPARE(file.CreateWrite(path), 0);
        QVERIFY(writeTone(file, 1.0));
        file.CloseFile();
        QCOMPARE(file.FileStatus(), 0);
        const VorbisBitrates header = vorbisBitrates(path);
        QVERIFY(header.ok);
        // An unset bound is -1 or 0 in the header.
        const auto bound = [](qint32 v) { return v > 0 ? v : 0; };
        QCOMPARE(bound(header.minimum), minimum * 1000);
        QCOMPARE(bound(header.maximum), maximum * 1000);
        if (minimum == 0 && maximum == 0)
            QCOMPARE(header.nominal, nominal * 1000);
        QCOMPARE(probe(path).codec, QStringLiteral("vorbis"));
    }

    // VOX has no header and no ffmpeg muxer: sox decodes it with the rate at hand.
    void voxBySox_data() {
        QTest::addColumn<int>("rate");
        QTest::newRow("8000") << 8000;
        QTest::newRow("48000") << 48000;
    }
    void voxBySox() {
        REQUIRE_TOOL("sox");
        QFETCH(int, rate);
        const QString path = m_dir.filePath(QStringLiteral("tone%1.VOX").arg(rate));
        AudioFile file;
        file.SetVoxFormat(rate);
        QCOMPARE(file.CreateWrite(path), 0);
        QCOMPARE(file.SampleRate(), rate);
        QCOMPARE(file.ChannelCount(), 1);
        // An odd number of samples still gives whole bytes.
        const QVector<qint16> tone = testsupport::sineTone(rate, 1, rate * 2 + 1, kTone);
        QVERIFY(file.WriteBlock(tone));
        file.CloseFile();
        QCOMPARE(QFileInfo(path).size(), static_cast<qint64>(rate + 1));

        const QString wav = m_dir.filePath(QStringLiteral("vox%1.wav").arg(rate));
        const auto r = testsupport::runTool(QStringLiteral("sox"),
                                            {"-t", "vox", "-r", QString::number(rate), path, wav});
        QCOMPARE(r.exitCode, 0);
        const QVector<qint16> decoded = decodeMono(wav);
        QCOMPARE(decoded.size(), rate * 2 + 2);
        QVERIFY(std::abs(toneFrequency(decoded, rate) - kTone) < kTone * 0.03);

        QCOMPARE(file.OpenRead(path), 0);
        QCOMPARE(file.LengthSamples(), static_cast<qint64>(rate * 2 + 2));
        const QVector<qint16> ours = file.ReadBlock(rate * 3);
        QCOMPARE(ours.size(), rate * 2 + 2);
        // Seeking gives what a straight read gives.
        QCOMPARE(file.SeekTo(rate / 2, 3), static_cast<qint64>(rate / 2));
        QCOMPARE(file.ReadBlock(100), ours.mid(rate / 2, 100));
        QCOMPARE(file.SeekTo(rate / 4, 3), static_cast<qint64>(rate / 4));
        QCOMPARE(file.ReadBlock(100), ours.mid(rate / 4, 100));
        // Both decoders implement the same ADPCM: the samples agree.
        int worst = 0;
        for (int i = 0; i < ours.size(); ++i)
            worst = qMax(worst, std::abs(ours[i] - decoded[i]));
        QVERIFY2(worst <= 16, qPrintable(QString::number(worst)));
    }

    // Every one of the 51 WMA profiles opens the encoder and gives a playable file.
    void wmaProfiles() {
        QCOMPARE(AudioFile::WmaProfiles().size(), 51);
        for (int profile = 1; profile <= 51; ++profile) {
            AudioFile file;
            file.SetWmaProfile(profile);
            const auto &p = AudioFile::WmaProfiles().at(profile - 1);
            const QString d = file.FormatDescription();
            QVERIFY(d.contains(QStringLiteral("%1 kbit/s").arg(p.bitrateKbps)));
            QVERIFY(d.contains(QString::number(p.rate)));
            const QString path = m_dir.filePath(QStringLiteral("profile%1.wma").arg(profile));
            QCOMPARE(file.CreateWrite(path), 0);
            QVERIFY(writeTone(file, 0.5));
            file.CloseFile();
            QCOMPARE(file.FileStatus(), 0);
            const Probe probed = probe(path);
            QCOMPARE(probed.rate, p.rate);
            QCOMPARE(probed.channels, p.channels);
        }
        AudioFile file;
        file.SetWmaProfile(52);
        QVERIFY(file.FormatDescription().isEmpty());
        QCOMPARE(file.WmaProfileNumber(), 39);
    }

    // The writer converts whatever it is given to its own format.
    void inputConversion_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("inRate");
        QTest::addColumn<int>("inChannels");
        QTest::newRow("mp3 from 22050 mono") << "mp3" << 22050 << 1;
        QTest::newRow("wma from 8000 stereo") << "wma" << 8000 << 2;
        QTest::newRow("ogg from 96000 mono") << "ogg" << 96000 << 1;
        QTest::newRow("wav from 44100 stereo") << "wav" << 44100 << 2;
    }
    void inputConversion() {
        QFETCH(QString, ext);
        QFETCH(int, inRate);
        QFETCH(int, inChannels);
        AudioFile file;
        file.SetPcmFormat(16000, 1, 16);
        file.SetMp3Format(44100, 128, 2);
        file.SetOggFormat(44100, 2, 128, 0, 0, -1);
        file.SetWmaProfile(39);
        const QString path = m_dir.filePath(QStringLiteral("converted%1.%2").arg(inRate).arg(ext));
        QCOMPARE(file.CreateWrite(path), 0);
        const int outRate = file.SampleRate();
        file.SetInputFormat(inRate, inChannels);
        const QVector<qint16> tone = testsupport::sineTone(inRate, inChannels, inRate * 3, kTone);
        // Blocks that end in the middle of a frame are joined correctly.
        QVERIFY(file.WriteBlock(tone.mid(0, 1001)));
        QVERIFY(file.WriteBlock(tone.mid(1001)));
        file.CloseFile();
        const Probe p = probe(path);
        QCOMPARE(p.rate, outRate);
        QVERIFY2(std::abs(p.duration - 3.0) < 0.15, qPrintable(QString::number(p.duration)));
        const double f = toneFrequency(decodeMono(path), outRate);
        QVERIFY2(std::abs(f - kTone) < kTone * 0.03, qPrintable(QString::number(f)));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestAudioFileWrite)
#include "tst_audiofile_write.moc"
