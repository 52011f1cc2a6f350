#include "audiofile/Mp3EncoderSettings.h"

#include <lame/lame.h>

namespace pelvanto {

namespace {
// LAME's own noise-shaping quality when none is asked for (0 best … 9 fastest).
constexpr int kLameDefaultQuality = 3;
} // namespace

// Starts from what a fresh LAME encoder would do, read from the library where it says so.
Mp3EncoderSettings::Mp3EncoderSettings()
    : m_bitrate(128), m_outputFrequency(44100), m_channelMode(2), m_vbrMode(-1), m_vbrQuality(4),
      m_abrBitrate(128), m_maxVbrBitrate(320), m_encoderQuality(9 - kLameDefaultQuality),
      m_writeVbrHeader(true), m_strictMinBitrate(false), m_crcChecksums(false),
      m_allowDiffBlockTypes(false), m_bitReservoir(true), m_shortBlocks(true),
      m_isoCompliance(false), m_athControl(0), m_deemphasis(0), m_highpassFreq(-1),
      m_highpassWidth(0), m_lowpassFreq(-1), m_lowpassWidth(0) {
    lame_global_flags *gf = lame_init();
    if (gf == nullptr)
        return;
    m_vbrQuality = static_cast<qint16>(lame_get_VBR_q(gf));
    m_writeVbrHeader = lame_get_bWriteVbrTag(gf) != 0;
    m_strictMinBitrate = lame_get_VBR_hard_min(gf) != 0;
    m_crcChecksums = lame_get_error_protection(gf) != 0;
    m_allowDiffBlockTypes = lame_get_allow_diff_short(gf) != 0;
    m_bitReservoir = lame_get_disable_reservoir(gf) == 0;
    m_shortBlocks = lame_get_no_short_blocks(gf) <= 0;
    m_isoCompliance = lame_get_strict_ISO(gf) == MDB_STRICT_ISO;
    m_deemphasis = 0;
    lame_close(gf);
}

} // namespace pelvanto
