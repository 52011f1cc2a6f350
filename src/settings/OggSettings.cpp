#include "OggSettings.h"

#include "IniSection.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "audiofile/AudioFile.h"

#include <algorithm>

namespace pelvanto {

namespace {
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kQualityModeNominal = 128;
constexpr qint16 kWindowBitrate = 128;
constexpr qint16 kWindowQuality = 300;
constexpr int kQualityMaximum = 1000;

IniSection section(const QString &settingsFile) {
    return {settingsFile, keys::section::Ogg};
}
} // namespace

void OggSettings::read(const QString &settingsFile) {
    const IniSection ogg = section(settingsFile);
    ogg.readInt16(keys::OggVbrEnabled, vbr);
    ogg.readInt16(keys::OggQualityEnabled, qualityMode);
    ogg.readInt16(keys::OggBitrate, bitrate);
    ogg.readInt16(keys::OggMinBitrate, minBitrate);
    ogg.readInt16(keys::OggMaxBitrate, maxBitrate);
    ogg.readInt16(keys::OggQuality, quality);
}

bool OggSettings::write(const QString &settingsFile) const {
    const IniSection ogg = section(settingsFile);
    bool ok = ogg.write(keys::OggBitrate, bitrate);
    ok = ogg.write(keys::OggMinBitrate, minBitrate) && ok;
    ok = ogg.write(keys::OggMaxBitrate, maxBitrate) && ok;
    ok = ogg.write(keys::OggQuality, quality) && ok;
    ok = ogg.writeFlag(keys::OggVbrEnabled, vbr == 1) && ok;
    ok = ogg.writeFlag(keys::OggQualityEnabled, qualityMode == 1) && ok;
    return ok;
}

int OggSettings::boundForEncoder(int kbps) {
    // The encoder takes any hard bound and pads or starves the stream to meet it: a minimum
    // of 9999 would make a 10 Mbit/s file.
    if (kbps <= 0)
        return kbps;
    return std::clamp(kbps, kEncoderLowest, kEncoderHighest);
}

void OggSettings::applyTo(AudioFile &file) const {
    if (qualityMode == 1)
        file.SetOggFormat(kRate, kChannels, kQualityModeNominal, 0, 0, quality);
    else if (vbr == 1)
        file.SetOggFormat(kRate, kChannels, bitrate, boundForEncoder(minBitrate),
                          boundForEncoder(maxBitrate), -1);
    else
        file.SetOggFormat(kRate, kChannels, bitrate, 0, 0, -1);
}

const QList<qint16> &OggSettings::offeredBitrates() {
    static const QList<qint16> rates{112, 128, 160, 192, 256, 320};
    return rates;
}

OggSettings OggSettings::readForWindow(const QString &settingsFile, const OggSettings &current) {
    namespace sv = settingsvalue;
    const IniSection ogg = section(settingsFile);
    OggSettings shown = current;

    // No bit rate at all (nothing stored yet) is the 128 the slider shows, which the encoder
    // would use anyway; one the slider does not offer is kept.
    ogg.readInt16(keys::OggBitrate, shown.bitrate);
    if (shown.bitrate <= 0)
        shown.bitrate = kWindowBitrate;

    const auto offeredOr128 = [&](const char *key) {
        const auto v = sv::toInt16(ogg.text(key));
        return v && offeredBitrates().contains(*v) ? *v : kWindowBitrate;
    };
    shown.minBitrate = offeredOr128(keys::OggMinBitrate);
    shown.maxBitrate = offeredOr128(keys::OggMaxBitrate);

    shown.quality = kWindowQuality;
    if (const auto v = sv::toInt16(ogg.text(keys::OggQuality)))
        shown.quality = static_cast<qint16>(std::clamp<int>(*v, 0, kQualityMaximum));

    shown.vbr = sv::toInt16(ogg.text(keys::OggVbrEnabled)) == qint16{1} ? 1 : 0;
    shown.qualityMode = sv::toInt16(ogg.text(keys::OggQualityEnabled)) == qint16{1} ? 1 : 0;
    return shown;
}

} // namespace pelvanto
