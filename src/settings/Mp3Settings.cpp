#include "Mp3Settings.h"

#include "IniSection.h"
#include "SettingsKeys.h"
#include "audiofile/AudioFile.h"
#include "audiofile/Mp3EncoderSettings.h"

namespace pelvanto {

namespace {
constexpr qint32 kWindowFrequency = 44100;
constexpr qint16 kWindowBitrate = 128;
constexpr qint16 kWindowChannels = 2;

IniSection section(const QString &settingsFile) {
    return {settingsFile, keys::section::Mp3};
}
} // namespace

void Mp3Settings::read(const QString &settingsFile) {
    const IniSection mp3 = section(settingsFile);
    mp3.readInt32(keys::Mp3Frequency, frequency);
    mp3.readInt16(keys::Mp3Bitrate, bitrate);
    mp3.readInt16(keys::Mp3Channels, channels);
}

bool Mp3Settings::write(const QString &settingsFile) const {
    const IniSection mp3 = section(settingsFile);
    bool ok = mp3.write(keys::Mp3Bitrate, bitrate);
    ok = mp3.write(keys::Mp3Frequency, frequency) && ok;
    ok = mp3.write(keys::Mp3Channels, channels) && ok;
    return ok;
}

void Mp3Settings::applyTo(AudioFile &file) const {
    file.SetMp3Format(frequency, bitrate, channels);
}

void Mp3Settings::applyTo(AudioFile &file, Mp3EncoderSettings encoder) const {
    // The encoder settings have no channel count: the format call carries it, and the encoder
    // settings then replace everything else.
    applyTo(file);
    encoder.SetBitrate(bitrate);
    encoder.SetOutputFrequency(frequency);
    file.SetMp3Encoder(encoder);
}

const QList<qint16> &Mp3Settings::offeredBitrates() {
    static const QList<qint16> bitrates{8,   16,  24,  32,  48,  56,  64, 96,
                                        112, 128, 160, 192, 224, 256, 320};
    return bitrates;
}

const QList<qint32> &Mp3Settings::offeredFrequencies() {
    static const QList<qint32> frequencies{48000, 44100, 32000, 24000, 22050,
                                           16000, 12000, 11025, 8000};
    return frequencies;
}

Mp3Settings Mp3Settings::readForWindow(const QString &settingsFile) {
    Mp3Settings shown{kWindowFrequency, kWindowBitrate, kWindowChannels};
    shown.read(settingsFile);
    return shown;
}

} // namespace pelvanto
