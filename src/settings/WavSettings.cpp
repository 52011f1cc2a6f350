#include "WavSettings.h"

#include "IniSection.h"
#include "SettingsKeys.h"
#include "audiofile/AudioFile.h"

namespace pelvanto {

namespace {
constexpr qint32 kFallbackRate = 44100;
constexpr int kPcmBits = 16;

IniSection section(const QString &settingsFile) {
    return {settingsFile, keys::section::Wav};
}
} // namespace

void WavSettings::read(const QString &settingsFile) {
    const IniSection wav = section(settingsFile);
    wav.readInt32(keys::WavFreq, frequency);
    wav.readInt16(keys::WavChannel, channels);
}

bool WavSettings::write(const QString &settingsFile) const {
    const IniSection wav = section(settingsFile);
    bool ok = wav.write(keys::WavFreq, frequency);
    ok = wav.write(keys::WavChannel, channels) && ok;
    return ok;
}

void WavSettings::applyTo(AudioFile &file) const {
    file.SetPcmFormat(frequency, channels, kPcmBits);
}

const QList<qint32> &WavSettings::offeredRates() {
    static const QList<qint32> rates{8000, 16000, 24000, 32000, 11025, 22050, 44100, 48000};
    return rates;
}

WavSettings WavSettings::fittedToWindow() const {
    WavSettings fitted = *this;
    if (!offeredRates().contains(fitted.frequency))
        fitted.frequency = kFallbackRate;
    if (fitted.channels != 1)
        fitted.channels = 2;
    return fitted;
}

} // namespace pelvanto
