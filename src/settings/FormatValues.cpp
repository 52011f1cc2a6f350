#include "FormatValues.h"

#include "audiofile/AudioFile.h"

namespace pelvanto {

namespace {
constexpr int kOggRate = 44100;
constexpr int kOggChannels = 2;
constexpr int kOggQualityNominal = 128;
} // namespace

void FormatValues::applyOgg(AudioFile &file) const {
    if (oggQualityMode == 1)
        file.SetOggFormat(kOggRate, kOggChannels, kOggQualityNominal, 0, 0, oggQuality);
    else if (oggVbr == 1)
        file.SetOggFormat(kOggRate, kOggChannels, oggBitrate, oggMinBitrate, oggMaxBitrate, -1);
    else
        file.SetOggFormat(kOggRate, kOggChannels, oggBitrate, 0, 0, -1);
}

} // namespace pelvanto
