#pragma once

#include <QtGlobal>

namespace pelvanto {

// Encoder parameters of the MP3 writer. A new object starts with LAME's own defaults;
// the options window edits one property per control and hands the object to
// AudioFile::SetMp3Encoder.
class Mp3EncoderSettings {
public:
    Mp3EncoderSettings();

    // Bit rate in kbit/s; in the variable modes it is the minimum bit rate.
    qint16 Bitrate() const { return m_bitrate; }
    void SetBitrate(qint16 v) { m_bitrate = v; }
    // Output sample rate in Hz.
    qint32 OutputFrequency() const { return m_outputFrequency; }
    void SetOutputFrequency(qint32 v) { m_outputFrequency = v; }
    // 1 stereo, 2 joint stereo, 3 forced joint stereo, 4 dual channels.
    qint16 ChannelMode() const { return m_channelMode; }
    void SetChannelMode(qint16 v) { m_channelMode = v; }
    // -1 constant bit rate, 0 default VBR, 1 old VBR, 2 new VBR, 3 MTRH, 4 ABR.
    qint16 VbrMode() const { return m_vbrMode; }
    void SetVbrMode(qint16 v) { m_vbrMode = v; }
    // 0 (best) to 9.
    qint16 VbrQuality() const { return m_vbrQuality; }
    void SetVbrQuality(qint16 v) { m_vbrQuality = v; }
    qint16 AbrBitrate() const { return m_abrBitrate; }
    void SetAbrBitrate(qint16 v) { m_abrBitrate = v; }
    qint32 MaxVbrBitrate() const { return m_maxVbrBitrate; }
    void SetMaxVbrBitrate(qint32 v) { m_maxVbrBitrate = v; }
    // 0 (fastest) to 9 (best).
    qint16 EncoderQuality() const { return m_encoderQuality; }
    void SetEncoderQuality(qint16 v) { m_encoderQuality = v; }
    bool WriteVbrHeader() const { return m_writeVbrHeader; }
    void SetWriteVbrHeader(bool v) { m_writeVbrHeader = v; }
    bool StrictMinBitrate() const { return m_strictMinBitrate; }
    void SetStrictMinBitrate(bool v) { m_strictMinBitrate = v; }
    bool CrcChecksums() const { return m_crcChecksums; }
    void SetCrcChecksums(bool v) { m_crcChecksums = v; }
    bool AllowDiffBlockTypes() const { return m_allowDiffBlockTypes; }
    void SetAllowDiffBlockTypes(bool v) { m_allowDiffBlockTypes = v; }
    bool BitReservoir() const { return m_bitReservoir; }
    void SetBitReservoir(bool v) { m_bitReservoir = v; }
    bool ShortBlocks() const { return m_shortBlocks; }
    void SetShortBlocks(bool v) { m_shortBlocks = v; }
    bool IsoCompliance() const { return m_isoCompliance; }
    void SetIsoCompliance(bool v) { m_isoCompliance = v; }
    // 0 default, 1 only ATH, 2 ATH disabled, 3 ATH only for short blocks.
    qint16 AthControl() const { return m_athControl; }
    void SetAthControl(qint16 v) { m_athControl = v; }
    // 0 none, 1 50/15 microseconds, 2 CCITT J.17.
    qint16 Deemphasis() const { return m_deemphasis; }
    void SetDeemphasis(qint16 v) { m_deemphasis = v; }
    // Filter corner in Hz, -1 for no filter of our own (the encoder's automatic choice).
    qint32 HighpassFreq() const { return m_highpassFreq; }
    void SetHighpassFreq(qint32 v) { m_highpassFreq = v; }
    // Transition width in Hz, 0 for the encoder's default.
    qint32 HighpassWidth() const { return m_highpassWidth; }
    void SetHighpassWidth(qint32 v) { m_highpassWidth = v; }
    qint32 LowpassFreq() const { return m_lowpassFreq; }
    void SetLowpassFreq(qint32 v) { m_lowpassFreq = v; }
    qint32 LowpassWidth() const { return m_lowpassWidth; }
    void SetLowpassWidth(qint32 v) { m_lowpassWidth = v; }

    bool operator==(const Mp3EncoderSettings &) const = default;

private:
    qint16 m_bitrate;
    qint32 m_outputFrequency;
    qint16 m_channelMode;
    qint16 m_vbrMode;
    qint16 m_vbrQuality;
    qint16 m_abrBitrate;
    qint32 m_maxVbrBitrate;
    qint16 m_encoderQuality;
    bool m_writeVbrHeader;
    bool m_strictMinBitrate;
    bool m_crcChecksums;
    bool m_allowDiffBlockTypes;
    bool m_bitReservoir;
    bool m_shortBlocks;
    bool m_isoCompliance;
    qint16 m_athControl;
    qint16 m_deemphasis;
    qint32 m_highpassFreq;
    qint32 m_highpassWidth;
    qint32 m_lowpassFreq;
    qint32 m_lowpassWidth;
};

} // namespace pelvanto
