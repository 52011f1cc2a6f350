#include "StoredSettings.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioRecord.h"

namespace pelvanto::StoredSettings {

namespace {

namespace sv = settingsvalue;

constexpr int kPcmBits = 16;

struct Reader {
    QString file;
    QString section;
    QString text(const char *key) const {
        return Inifun::ReadIni(file, section, QString::fromLatin1(key));
    }
    void int16(const char *key, qint16 &target) const {
        if (const auto v = sv::toInt16(text(key)))
            target = *v;
    }
    void int32(const char *key, qint32 &target) const {
        if (const auto v = sv::toInt32(text(key)))
            target = *v;
    }
};

QString fileOr(const QString &path) {
    return path.isEmpty() ? Inifun::settingsFile() : path;
}

} // namespace

void applyFormats(AudioFile &file, FormatValues &values, const QString &settingsPath) {
    const QString path = fileOr(settingsPath);

    const Reader mp3{path, QString::fromLatin1(keys::section::Mp3)};
    mp3.int32(keys::Mp3Frequency, values.mp3Frequency);
    mp3.int16(keys::Mp3Bitrate, values.mp3Bitrate);
    mp3.int16(keys::Mp3Channels, values.mp3Channels);
    file.SetMp3Format(values.mp3Frequency, values.mp3Bitrate, values.mp3Channels);

    const Reader wav{path, QString::fromLatin1(keys::section::Wav)};
    wav.int32(keys::WavFreq, values.wavFrequency);
    wav.int16(keys::WavChannel, values.wavChannels);
    file.SetPcmFormat(values.wavFrequency, values.wavChannels, kPcmBits);

    const Reader vox{path, QString::fromLatin1(keys::section::Vox)};
    vox.int32(keys::VoxFreq, values.voxFrequency);
    file.SetVoxFormat(values.voxFrequency);

    const Reader ogg{path, QString::fromLatin1(keys::section::Ogg)};
    ogg.int16(keys::OggVbrEnabled, values.oggVbr);
    ogg.int16(keys::OggQualityEnabled, values.oggQualityMode);
    ogg.int16(keys::OggBitrate, values.oggBitrate);
    ogg.int16(keys::OggMinBitrate, values.oggMinBitrate);
    ogg.int16(keys::OggMaxBitrate, values.oggMaxBitrate);
    ogg.int16(keys::OggQuality, values.oggQuality);
    values.applyOgg(file);

    const Reader raw{path, QString::fromLatin1(keys::section::Raw)};
    raw.int32(keys::RawFreq, values.rawFrequency);
    raw.int16(keys::RawChannel, values.rawChannels);
    raw.int16(keys::RawCompr, values.rawCoding);
    file.SetRawFormat(values.rawCoding, values.rawFrequency, values.rawChannels, kPcmBits);

    const Reader g726{path, QString::fromLatin1(keys::section::G726)};
    g726.int32(keys::G726Freq, values.g726Frequency);
    g726.int16(keys::G726Bits, values.g726Bits);
    file.SetG726Format(values.g726Frequency, values.g726Bits);
}

void applyFilters(AudioRecord &record, const QString &settingsPath) {
    const Reader other{fileOr(settingsPath), QString::fromLatin1(keys::section::Other)};

    struct Filter {
        const char *flag;
        const char *frequency;
        void (AudioRecord::*enable)(bool);
        void (AudioRecord::*setFrequency)(float);
    };
    const Filter filters[] = {
        {keys::Notch, keys::NotchText, &AudioRecord::SetNotchEnabled,
         &AudioRecord::SetNotchFrequency},
        {keys::HighPass, keys::HighPassText, &AudioRecord::SetHighPassEnabled,
         &AudioRecord::SetHighPassFrequency},
        {keys::LowPass, keys::LowPassText, &AudioRecord::SetLowPassEnabled,
         &AudioRecord::SetLowPassFrequency},
    };
    for (const Filter &f : filters) {
        if (sv::flagIsOn(other.text(f.flag))) {
            (record.*f.enable)(true);
            if (const auto hz = sv::toSingle(other.text(f.frequency)))
                (record.*f.setFrequency)(*hz);
        } else {
            (record.*f.enable)(false);
        }
    }

    if (sv::flagIsOn(other.text(keys::AutoGain))) {
        record.SetAutoGainEnabled(true);
        if (const auto v = sv::toInt32(other.text(keys::LowLevel)))
            record.SetAutoGainLowLevel(*v);
        if (const auto v = sv::toInt32(other.text(keys::HighLevel)))
            record.SetAutoGainHighLevel(*v);
        if (const auto v = sv::toInt32(other.text(keys::AttackTime)))
            record.SetAutoGainAttackTime(*v);
    } else {
        record.SetAutoGainEnabled(false);
    }
}

} // namespace pelvanto::StoredSettings
