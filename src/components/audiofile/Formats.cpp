#include "audiofile/Detail.h"

namespace pelvanto::audiofile_detail {

QString channelText(int channels) {
    if (channels == 1)
        return QStringLiteral("mono");
    if (channels == 2)
        return QStringLiteral("stereo");
    return QStringLiteral("%1 channels").arg(channels);
}

bool wavFormatWritable(const WavFormat &f) {
    if (f.channels < 1 || f.channels > 2 || f.rate < 1000 || f.rate > 192000)
        return false;
    if (f.codec == WavCodec::Gsm610) {
        // The codec works on 8 kHz frames; the players that know GSM WAV accept these rates.
        return f.channels == 1 &&
               (f.rate == 8000 || f.rate == 11025 || f.rate == 22050 || f.rate == 44100);
    }
    return true;
}

static QString wavCodecText(WavCodec c) {
    switch (c) {
    case WavCodec::Pcm8:
        return QStringLiteral("PCM 8-bit");
    case WavCodec::Pcm16:
        return QStringLiteral("PCM 16-bit");
    case WavCodec::Pcm24:
        return QStringLiteral("PCM 24-bit");
    case WavCodec::Float32:
        return QStringLiteral("PCM 32-bit float");
    case WavCodec::ImaAdpcm:
        return QStringLiteral("IMA ADPCM 4-bit");
    case WavCodec::MsAdpcm:
        return QStringLiteral("Microsoft ADPCM 4-bit");
    case WavCodec::Gsm610:
        return QStringLiteral("GSM 6.10");
    case WavCodec::ALaw:
        return QStringLiteral("CCITT A-law 8-bit");
    case WavCodec::MuLaw:
        return QStringLiteral("CCITT u-law 8-bit");
    }
    return {};
}

static int wavBitsPerSample(WavCodec c) {
    switch (c) {
    case WavCodec::Pcm8:
        return 8;
    case WavCodec::Pcm16:
        return 16;
    case WavCodec::Pcm24:
        return 24;
    case WavCodec::Float32:
        return 32;
    case WavCodec::ImaAdpcm:
    case WavCodec::MsAdpcm:
        return 4;
    case WavCodec::Gsm610:
        return 0;
    case WavCodec::ALaw:
    case WavCodec::MuLaw:
        return 8;
    }
    return 16;
}

QString describeWav(const WavFormat &f) {
    if (!wavFormatWritable(f))
        return {};
    // GSM 6.10 codes 320 samples into 65 bytes.
    const double kbps = f.codec == WavCodec::Gsm610
                            ? f.rate * 65.0 * 8.0 / 320.0 / 1000.0
                            : f.rate * f.channels * wavBitsPerSample(f.codec) / 1000.0;
    return QStringLiteral("WAV %1, %2 Hz, %3, %4 kbit/s")
        .arg(wavCodecText(f.codec))
        .arg(f.rate)
        .arg(channelText(f.channels))
        .arg(QString::number(kbps, 'f', kbps < 100 ? 1 : 0));
}

QString describeVox(const VoxFormat &f) {
    return QStringLiteral("VOX Dialogic ADPCM 4-bit, %1 Hz, mono, %2 kbit/s")
        .arg(f.rate)
        .arg(QString::number(f.rate * 4 / 1000.0, 'f', 1));
}

QString describeRaw(const RawFormat &f) {
    const QString coding = f.coding == RawALaw    ? QStringLiteral("A-law 8-bit")
                           : f.coding == RawMuLaw ? QStringLiteral("u-law 8-bit")
                                                  : QStringLiteral("PCM 16-bit little-endian");
    return QStringLiteral("RAW %1, %2 Hz, %3 (no header)")
        .arg(coding)
        .arg(f.rate)
        .arg(channelText(f.channels));
}

QString describeG726(const G726Format &f) {
    return QStringLiteral("WAV CCITT G.726 ADPCM %1-bit, %2 Hz, mono, %3 kbit/s")
        .arg(f.bits)
        .arg(f.rate)
        .arg(QString::number(f.rate * f.bits / 1000.0, 'f', 1));
}

} // namespace pelvanto::audiofile_detail
