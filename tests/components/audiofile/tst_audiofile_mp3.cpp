// MP3 encoder settings, verified in the produced stream: frame headers, side information,
// the VBR/Info tag and the decoded spectrum.
#include "AudioCheck.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using pelvanto::AudioFile;
using pelvanto::Mp3EncoderSettings;
using namespace audiocheck;

namespace {

struct Granule {
    int blockType[2] = {0, 0};
};

struct Frame {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    bool crc = false;
    int bitrate = 0;
    int rate = 0;
    int mode = 0; // 0 stereo, 1 joint, 2 dual, 3 mono
    int emphasis = 0;
    int mainDataBegin = 0;
    Granule granules[2];
    bool tag = false; // Xing/Info frame
};

class BitReader {
public:
    BitReader(const uchar *data, int size) : m_data(data), m_size(size) {}
    int take(int bits) {
        int v = 0;
        for (int i = 0; i < bits; ++i) {
            const int byte = m_pos / 8;
            const int bit = byte < m_size ? (m_data[byte] >> (7 - m_pos % 8)) & 1 : 0;
            v = (v << 1) | bit;
            ++m_pos;
        }
        return v;
    }

private:
    const uchar *m_data;
    int m_size;
    int m_pos = 0;
};

QList<Frame> parseFrames(const QByteArray &file) {
    static const int mpeg1[] = {0,   32,  40,  48,  56,  64,  80,  96,
                                112, 128, 160, 192, 224, 256, 320, 0};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates1[] = {44100, 48000, 32000, 0};
    QList<Frame> frames;
    const auto *d = reinterpret_cast<const uchar *>(file.constData());
    qsizetype at = 0;
    if (file.startsWith("ID3") && file.size() > 10)
        at = 10 + ((d[6] & 0x7f) << 21 | (d[7] & 0x7f) << 14 | (d[8] & 0x7f) << 7 | (d[9] & 0x7f));
    while (at + 4 <= file.size()) {
        if (d[at] != 0xff || (d[at + 1] & 0xe0) != 0xe0) {
            ++at;
            continue;
        }
        Frame f;
        f.version = (d[at + 1] >> 3) & 3;
        const int layer = (d[at + 1] >> 1) & 3;
        f.crc = (d[at + 1] & 1) == 0;
        const int bi = d[at + 2] >> 4;
        const int si = (d[at + 2] >> 2) & 3;
        const int pad = (d[at + 2] >> 1) & 1;
        f.mode = d[at + 3] >> 6;
        f.emphasis = d[at + 3] & 3;
        if (layer != 1 || f.version == 1 || si == 3 || bi == 0 || bi == 15) {
            ++at;
            continue;
        }
        f.bitrate = f.version == 3 ? mpeg1[bi] : mpeg2[bi];
        f.rate = rates1[si] >> (f.version == 3 ? 0 : f.version == 2 ? 1 : 2);
        const int length = (f.version == 3 ? 144 : 72) * f.bitrate * 1000 / f.rate + pad;
        if (at + length > file.size())
            break;
        const int channels = f.mode == 3 ? 1 : 2;
        const int sideStart = static_cast<int>(at) + 4 + (f.crc ? 2 : 0);
        BitReader side(d + sideStart, length - (sideStart - static_cast<int>(at)));
        const bool m1 = f.version == 3;
        f.mainDataBegin = side.take(m1 ? 9 : 8);
        side.take(m1 ? (channels == 1 ? 5 : 3) : (channels == 1 ? 1 : 2));
        if (m1)
            side.take(4 * channels);
        for (int g = 0; g < (m1 ? 2 : 1); ++g) {
            for (int c = 0; c < channels; ++c) {
                side.take(12 + 9 + 8 + (m1 ? 4 : 9));
                if (side.take(1) != 0) {
                    f.granules[g].blockType[c] = side.take(2);
                    side.take(1 + 10 + 9);
                } else {
                    side.take(15 + 4 + 3);
                }
                side.take(m1 ? 3 : 2);
            }
        }
        const QByteArray body = file.mid(at, length);
        f.tag = frames.isEmpty() && (body.contains("Xing") || body.contains("Info"));
        frames.append(f);
        at += length;
    }
    return frames;
}

QList<Frame> audioFrames(const QList<Frame> &all) {
    QList<Frame> out = all;
    if (!out.isEmpty() && out.first().tag)
        out.removeFirst();
    return out;
}

// A test signal with tones, noise, clicks (for short blocks) and a silent stretch.
QVector<qint16> programme(int rate, int channels, int seconds, bool clicksLeftOnly = false) {
    QVector<qint16> s = noise(rate * seconds, channels, 0.05);
    const QVector<qint16> tone = testsupport::sineTone(rate, channels, rate * seconds, 440, 0.3);
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = static_cast<qint16>(s[i] + tone[i]);
    for (int click = rate / 8; click < rate * seconds; click += rate / 4) {
        for (int k = 0; k < 40 && click + k < rate * seconds; ++k) {
            for (int c = 0; c < (clicksLeftOnly ? 1 : channels); ++c)
                s[static_cast<qsizetype>(click + k) * channels + c] = (k % 2) != 0 ? 30000 : -30000;
        }
    }
    // Silence in the last second.
    for (qsizetype i = static_cast<qsizetype>(rate) * (seconds - 1) * channels; i < s.size(); ++i)
        s[i] = 0;
    if (clicksLeftOnly) {
        for (qsizetype i = 0; i < s.size(); i += channels)
            s[i + 1] = static_cast<qint16>(tone[i + 1] / 4);
    }
    return s;
}

} // namespace

class TestAudioFileMp3 : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QByteArray encode(const Mp3EncoderSettings &settings, int channels = 2,
                      const QVector<qint16> &input = {}, QString *path = nullptr) {
        AudioFile file;
        file.SetMp3Format(settings.OutputFrequency(), settings.Bitrate(), channels);
        file.SetMp3Encoder(settings);
        const QString out = m_dir.filePath(QStringLiteral("e%1.mp3").arg(++m_count));
        if (file.CreateWrite(out) != 0)
            return {};
        const QVector<qint16> samples =
            input.isEmpty() ? programme(file.SampleRate(), channels, 4) : input;
        if (!file.WriteBlock(samples))
            return {};
        file.CloseFile();
        if (path != nullptr)
            *path = out;
        QFile f(out);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void defaultsAreLames() {
        const Mp3EncoderSettings s;
        QCOMPARE(s.Bitrate(), qint16(128));
        QCOMPARE(s.VbrMode(), qint16(-1));
        QCOMPARE(s.ChannelMode(), qint16(2));
        QVERIFY(s.WriteVbrHeader());
        QVERIFY(s.BitReservoir());
        QVERIFY(s.ShortBlocks());
        QVERIFY(!s.CrcChecksums());
        QVERIFY(!s.IsoCompliance());
        QCOMPARE(s.HighpassFreq(), -1);
        QCOMPARE(s.LowpassFreq(), -1);
        // A file made with the defaults is what the lame command line makes by default:
        // 128 kbit/s CBR joint stereo.
        const QList<Frame> frames = audioFrames(parseFrames(encode(s)));
        QVERIFY(frames.size() > 100);
        for (const Frame &f : frames) {
            QCOMPARE(f.bitrate, 128);
            QCOMPARE(f.mode, 1);
            QVERIFY(!f.crc);
        }
    }

    void crcAndEmphasis() {
        Mp3EncoderSettings s;
        s.SetCrcChecksums(true);
        s.SetDeemphasis(1);
        QList<Frame> frames = audioFrames(parseFrames(encode(s)));
        QVERIFY(!frames.isEmpty());
        for (const Frame &f : frames) {
            QVERIFY(f.crc);
            QCOMPARE(f.emphasis, 1);
        }
        s.SetCrcChecksums(false);
        s.SetDeemphasis(2);
        frames = audioFrames(parseFrames(encode(s)));
        for (const Frame &f : frames) {
            QVERIFY(!f.crc);
            QCOMPARE(f.emphasis, 3);
        }
    }

    void channelModes_data() {
        QTest::addColumn<int>("channelMode");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("headerMode");
        QTest::newRow("stereo") << 1 << 2 << 0;
        QTest::newRow("joint") << 2 << 2 << 1;
        QTest::newRow("forced joint") << 3 << 2 << 1;
        QTest::newRow("dual") << 4 << 2 << 2;
        QTest::newRow("mono") << 2 << 1 << 3;
    }
    void channelModes() {
        QFETCH(int, channelMode);
        QFETCH(int, channels);
        QFETCH(int, headerMode);
        Mp3EncoderSettings s;
        s.SetChannelMode(static_cast<qint16>(channelMode));
        const QList<Frame> frames = audioFrames(parseFrames(encode(s, channels)));
        QVERIFY(!frames.isEmpty());
        for (const Frame &f : frames)
            QCOMPARE(f.mode, headerMode);
    }

    void cbrAtEveryRate_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("kbps");
        QTest::newRow("8000/8") << 8000 << 8;
        QTest::newRow("12000/64") << 12000 << 64;
        QTest::newRow("22050/160") << 22050 << 160;
        QTest::newRow("32000/320") << 32000 << 320;
        QTest::newRow("48000/32") << 48000 << 32;
    }
    void cbrAtEveryRate() {
        QFETCH(int, rate);
        QFETCH(int, kbps);
        Mp3EncoderSettings s;
        s.SetOutputFrequency(rate);
        s.SetBitrate(static_cast<qint16>(kbps));
        const QList<Frame> frames = audioFrames(parseFrames(encode(s)));
        QVERIFY(frames.size() > 10);
        for (const Frame &f : frames) {
            QCOMPARE(f.bitrate, kbps);
            QCOMPARE(f.rate, rate);
        }
    }

    void vbrModes_data() {
        QTest::addColumn<int>("mode");
        for (int mode = 0; mode <= 3; ++mode)
            QTest::addRow("vbr %d", mode) << mode;
    }
    void vbrModes() {
        QFETCH(int, mode);
        Mp3EncoderSettings s;
        s.SetVbrMode(static_cast<qint16>(mode));
        s.SetBitrate(32);
        s.SetMaxVbrBitrate(192);
        s.SetVbrQuality(2);
        const QByteArray data = encode(s);
        const QList<Frame> all = parseFrames(data);
        QVERIFY(!all.isEmpty());
        QVERIFY(all.first().tag);
        QVERIFY(data.left(400).contains("Xing"));
        QSet<int> rates;
        for (const Frame &f : audioFrames(all)) {
            rates.insert(f.bitrate);
            QVERIFY2(f.bitrate <= 192, qPrintable(QString::number(f.bitrate)));
            QVERIFY(f.bitrate >= 32);
        }
        QVERIFY(rates.size() >= 3);

        s.SetWriteVbrHeader(false);
        const QByteArray bare = encode(s);
        QVERIFY(!bare.left(400).contains("Xing"));
        QVERIFY(!bare.left(400).contains("Info"));
    }

    void strictMinimum() {
        Mp3EncoderSettings s;
        s.SetVbrMode(0);
        s.SetBitrate(96);
        s.SetMaxVbrBitrate(320);
        int lowest = 1000;
        for (const Frame &f : audioFrames(parseFrames(encode(s))))
            lowest = qMin(lowest, f.bitrate);
        QVERIFY2(lowest < 96, "silence may go below the floor unless it is strict");
        s.SetStrictMinBitrate(true);
        for (const Frame &f : audioFrames(parseFrames(encode(s))))
            QVERIFY(f.bitrate >= 96);
    }

    void abrTarget() {
        Mp3EncoderSettings s;
        s.SetVbrMode(4);
        s.SetBitrate(32);
        s.SetAbrBitrate(96);
        const QList<Frame> frames = audioFrames(parseFrames(encode(s, 2, programme(44100, 2, 10))));
        double sum = 0;
        QSet<int> rates;
        for (const Frame &f : frames) {
            sum += f.bitrate;
            rates.insert(f.bitrate);
        }
        const double mean = sum / frames.size();
        QVERIFY2(std::abs(mean - 96) < 96 * 0.2, qPrintable(QString::number(mean)));
        QVERIFY(rates.size() >= 2);
    }

    void reservoirAndBlocks() {
        Mp3EncoderSettings s;
        const QList<Frame> normal = audioFrames(parseFrames(encode(s)));
        auto usesReservoir = [](const QList<Frame> &frames) {
            return std::any_of(frames.begin(), frames.end(),
                               [](const Frame &f) { return f.mainDataBegin > 0; });
        };
        auto shortBlocks = [](const QList<Frame> &frames) {
            int n = 0;
            for (const Frame &f : frames)
                for (const Granule &g : f.granules)
                    n += (g.blockType[0] == 2) + (g.blockType[1] == 2);
            return n;
        };
        QVERIFY(usesReservoir(normal));
        QVERIFY(shortBlocks(normal) > 0);

        s.SetBitReservoir(false);
        QVERIFY(!usesReservoir(audioFrames(parseFrames(encode(s)))));
        s.SetBitReservoir(true);
        s.SetShortBlocks(false);
        QCOMPARE(shortBlocks(audioFrames(parseFrames(encode(s)))), 0);
    }

    void differentBlockTypes() {
        // LAME couples the block types in stereo and joint stereo; dual channel keeps them apart.
        Mp3EncoderSettings s;
        s.SetChannelMode(4);
        const QVector<qint16> input = programme(44100, 2, 4, true);
        auto differing = [](const QList<Frame> &frames) {
            int n = 0;
            for (const Frame &f : frames)
                for (const Granule &g : f.granules)
                    n += g.blockType[0] != g.blockType[1];
            return n;
        };
        QCOMPARE(differing(audioFrames(parseFrames(encode(s, 2, input)))), 0);
        s.SetAllowDiffBlockTypes(true);
        QVERIFY(differing(audioFrames(parseFrames(encode(s, 2, input)))) > 0);
    }

    // Switches without a header bit of their own must still change what the encoder does.
    void otherSwitchesChangeTheStream() {
        const Mp3EncoderSettings base;
        const QByteArray reference = encode(base);
        QVERIFY(!reference.isEmpty());
        std::vector<std::function<void(Mp3EncoderSettings &)>> changes = {
            [](Mp3EncoderSettings &s) { s.SetEncoderQuality(0); },
            [](Mp3EncoderSettings &s) { s.SetEncoderQuality(9); },
            [](Mp3EncoderSettings &s) { s.SetAthControl(1); },
            [](Mp3EncoderSettings &s) { s.SetAthControl(2); },
        };
        for (size_t i = 0; i < changes.size(); ++i) {
            Mp3EncoderSettings s;
            changes[i](s);
            QVERIFY2(encode(s) != reference, qPrintable(QString::number(i)));
        }
        // ISO compliance caps the bits of a granule, which shows on loud noise at 320 kbit/s.
        Mp3EncoderSettings loud;
        loud.SetBitrate(320);
        loud.SetOutputFrequency(48000);
        const QVector<qint16> white = noise(48000 * 3, 2, 0.9);
        Mp3EncoderSettings iso = loud;
        iso.SetIsoCompliance(true);
        QVERIFY(encode(loud, 2, white) != encode(iso, 2, white));

        Mp3EncoderSettings q0;
        q0.SetVbrMode(0);
        q0.SetBitrate(32);
        q0.SetVbrQuality(0);
        Mp3EncoderSettings q9 = q0;
        q9.SetVbrQuality(9);
        QVERIFY(encode(q0).size() > encode(q9).size());
    }

    void filters() {
        REQUIRE_TOOL("ffmpeg");
        const QVector<qint16> white = noise(44100 * 4, 2, 0.4);
        Mp3EncoderSettings s;
        s.SetBitrate(320);
        QString plain;
        encode(s, 2, white, &plain);
        s.SetLowpassFreq(5000);
        s.SetLowpassWidth(500);
        QString lowpassed;
        encode(s, 2, white, &lowpassed);
        s.SetLowpassFreq(-1);
        s.SetHighpassFreq(3000);
        s.SetHighpassWidth(300);
        QString highpassed;
        encode(s, 2, white, &highpassed);

        const QVector<qint16> a = decodeMono(plain);
        const QVector<qint16> b = decodeMono(lowpassed);
        const QVector<qint16> c = decodeMono(highpassed);
        const double highPlain = bandPower(a, 44100, 8000, 12000);
        const double highCut = bandPower(b, 44100, 8000, 12000);
        QVERIFY2(highCut < highPlain * 0.01,
                 qPrintable(QStringLiteral("%1 %2").arg(highCut).arg(highPlain)));
        QVERIFY(bandPower(b, 44100, 1000, 3000) > bandPower(a, 44100, 1000, 3000) * 0.5);
        const double lowPlain = bandPower(a, 44100, 250, 1500);
        const double lowCut = bandPower(c, 44100, 250, 1500);
        QVERIFY2(lowCut < lowPlain * 0.01,
                 qPrintable(QStringLiteral("%1 %2").arg(lowCut).arg(lowPlain)));
    }

    void descriptionFollowsTheEncoder() {
        AudioFile file;
        file.SetMp3Format(0, 0, 0);
        QCOMPARE(file.FormatDescription(),
                 QStringLiteral("MP3 128 kbit/s CBR, 44100 Hz, joint stereo"));
        file.SetMp3Format(22050, 64, 1);
        QCOMPARE(file.FormatDescription(), QStringLiteral("MP3 64 kbit/s CBR, 22050 Hz, mono"));
        Mp3EncoderSettings s;
        s.SetVbrMode(4);
        s.SetAbrBitrate(160);
        s.SetOutputFrequency(48000);
        file.SetMp3Format(44100, 128, 2);
        file.SetMp3Encoder(s);
        QCOMPARE(file.FormatDescription(),
                 QStringLiteral("MP3 ABR 160 kbit/s, 48000 Hz, joint stereo"));
        QCOMPARE(file.SampleRate(), 48000);
        // 320 kbit/s does not exist at 22050 Hz: the description tells what is really used.
        AudioFile fresh;
        fresh.SetMp3Format(22050, 320, 2);
        QVERIFY2(fresh.FormatDescription().startsWith(QStringLiteral("MP3 160 kbit/s")),
                 qPrintable(fresh.FormatDescription()));
    }
};

QTEST_MAIN(TestAudioFileMp3)
#include "tst_audiofile_mp3.moc"
