#include "TelephonySettings.h"

#include "IniSection.h"
#include "SettingsKeys.h"
#include "audiofile/AudioFile.h"

namespace pelvanto {

namespace {
constexpr qint32 kFallbackRate = 44100;
constexpr int kPcmBits = 16;
constexpr qint16 kFallbackBits = 4;

qint32 offeredOr44100(qint32 rate, int buttons) {
    return telephonyRates().first(buttons).contains(rate) ? rate : kFallbackRate;
}

qint16 monoOrStereo(qint16 channels) {
    return channels == 1 ? qint16{1} : qint16{2};
}
} // namespace

const QList<qint32> &telephonyRates() {
    static const QList<qint32> rates{8000,  16000, 24000, 32000, 11025,
                                     22050, 44100, 48000, 6000,  12000};
    return rates;
}

// --- VOX ------------------------------------------------------------------------------------

void VoxSettings::read(const QString &settingsFile) {
    IniSection(settingsFile, keys::section::Vox).readInt32(keys::VoxFreq, frequency);
}

bool VoxSettings::write(const QString &settingsFile) const {
    return IniSection(settingsFile, keys::section::Vox).write(keys::VoxFreq, frequency);
}

void VoxSettings::applyTo(AudioFile &file) const {
    file.SetVoxFormat(frequency);
}

VoxSettings VoxSettings::fittedToWindow() const {
    return {offeredOr44100(frequency, kVoxRateButtons)};
}

// --- RAW ------------------------------------------------------------------------------------

void RawSettings::read(const QString &settingsFile) {
    const IniSection raw(settingsFile, keys::section::Raw);
    raw.readInt32(keys::RawFreq, frequency);
    raw.readInt16(keys::RawChannel, channels);
    raw.readInt16(keys::RawCompr, coding);
}

bool RawSettings::write(const QString &settingsFile) const {
    const IniSection raw(settingsFile, keys::section::Raw);
    bool ok = raw.write(keys::RawFreq, frequency);
    ok = raw.write(keys::RawChannel, channels) && ok;
    ok = raw.write(keys::RawCompr, coding) && ok;
    return ok;
}

void RawSettings::applyTo(AudioFile &file) const {
    file.SetRawFormat(coding, frequency, channels, kPcmBits);
}

RawSettings RawSettings::fittedToWindow() const {
    const bool known = coding == RawPcm16 || coding == RawALaw || coding == RawMuLaw;
    return {offeredOr44100(frequency, kTelephonyRateButtons), monoOrStereo(channels),
            known ? coding : static_cast<qint16>(RawPcm16)};
}

// --- G.726 ----------------------------------------------------------------------------------

void G726Settings::read(const QString &settingsFile) {
    const IniSection g726(settingsFile, keys::section::G726);
    g726.readInt32(keys::G726Freq, frequency);
    g726.readInt16(keys::G726Bits, bits);
}

bool G726Settings::write(const QString &settingsFile) const {
    const IniSection g726(settingsFile, keys::section::G726);
    bool ok = g726.write(keys::G726Freq, frequency);
    ok = g726.write(keys::G726Bits, bits) && ok;
    return ok;
}

void G726Settings::applyTo(AudioFile &file) const {
    file.SetG726Format(frequency, bits);
}

G726Settings G726Settings::fittedToWindow() const {
    return {offeredOr44100(frequency, kTelephonyRateButtons),
            bits >= 2 && bits <= 5 ? bits : kFallbackBits};
}

} // namespace pelvanto
