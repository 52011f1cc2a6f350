#pragma once

// Sections and keys of settings.dat, named once.
namespace pelvanto::keys {

namespace section {
inline constexpr const char *Set = "set";
inline constexpr const char *Mp3 = "mp3";
inline constexpr const char *Wav = "wav";
inline constexpr const char *Vox = "vox";
inline constexpr const char *Ogg = "ogg";
inline constexpr const char *Raw = "raw";
inline constexpr const char *G726 = "g726";
inline constexpr const char *Other = "other";
} // namespace section

// [set]
inline constexpr const char *OutputFormat = "outputformat";
inline constexpr const char *OutputFolder = "outputfolder";
inline constexpr const char *FileName = "filename";
inline constexpr const char *DateTime = "datetime";
inline constexpr const char *ExistedFile = "existedfile";
// [mp3]
inline constexpr const char *Mp3Bitrate = "MP3Bitrate";
inline constexpr const char *Mp3Frequency = "MP3Frequency";
inline constexpr const char *Mp3Channels = "MP3Channels";
// [wav]
inline constexpr const char *WavFreq = "Freq";
inline constexpr const char *WavChannel = "Channel";
// [vox]
inline constexpr const char *VoxFreq = "voxFreq";
// [ogg]
inline constexpr const char *OggBitrate = "oggBitrate";
inline constexpr const char *OggMinBitrate = "MinBitrate";
inline constexpr const char *OggMaxBitrate = "MaxBitrate";
inline constexpr const char *OggQuality = "Quality";
inline constexpr const char *OggVbrEnabled = "VbrEnabled";
inline constexpr const char *OggQualityEnabled = "QualityEnabled";
// [raw]
inline constexpr const char *RawFreq = "rawFreq";
inline constexpr const char *RawChannel = "rawChannel";
inline constexpr const char *RawCompr = "rawCompr";
// [g726]
inline constexpr const char *G726Freq = "gFreq";
inline constexpr const char *G726Bits = "gbit";
// [other]
inline constexpr const char *Notch = "notch";
inline constexpr const char *NotchText = "notchtxt";
inline constexpr const char *HighPass = "highpass";
inline constexpr const char *HighPassText = "highpasstxt";
inline constexpr const char *LowPass = "lowpass";
inline constexpr const char *LowPassText = "lowpasstxt";
inline constexpr const char *AutoGain = "autogain";
inline constexpr const char *LowLevel = "lowlevel";
inline constexpr const char *HighLevel = "highlevel";
inline constexpr const char *AttackTime = "attacktime";

} // namespace pelvanto::keys
