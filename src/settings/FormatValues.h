#pragma once

#include <QtGlobal>

namespace pelvanto {

class AudioFile;

// The program-wide format values: loaded by the main window at start-up, shown by the
// recording options window and changed by the format windows. The main window owns the one
// instance and lends it by reference.
struct FormatValues {
    // MP3
    qint16 mp3Bitrate = 0; // kbit/s
    qint32 mp3Frequency = 0;
    qint16 mp3Channels = 0;
    // WAV (PCM)
    qint32 wavFrequency = 0;
    qint16 wavChannels = 0;
    // A WAV format other than the stored PCM one was chosen in the WAV window (a codec, the
    // chooser, a sample file); it lasts for the run and is not replaced by the PCM values.
    bool wavFormatChosen = false;
    // VOX
    qint32 voxFrequency = 0;
    // Ogg Vorbis: bit rates in kbit/s, quality in hundredths, flags 1 on / 0 off
    qint16 oggBitrate = 0;
    qint16 oggMinBitrate = 0;
    qint16 oggMaxBitrate = 0;
    qint16 oggQuality = 0;
    qint16 oggVbr = 0;
    qint16 oggQualityMode = 0;
    // RAW: coding 1 PCM 16-bit, 2 A-law, 3 mu-law
    qint32 rawFrequency = 0;
    qint16 rawChannels = 0;
    qint16 rawCoding = 0;
    // G.726
    qint32 g726Frequency = 0;
    qint16 g726Bits = 0;

    // Ogg output is always 44100 Hz stereo. Quality mode wins over the variable bit rate;
    // the variable bit rate uses the minimum and maximum, the constant one only the nominal.
    void applyOgg(AudioFile &file) const;
};

} // namespace pelvanto
