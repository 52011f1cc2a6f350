#pragma once

#include "Mp3Settings.h"
#include "OggSettings.h"
#include "TelephonySettings.h"
#include "WavSettings.h"

#include <QString>

namespace pelvanto {

class AudioFile;

// The program-wide format values: loaded by the main window at start-up, shown by the
// recording options window and changed by the format windows. The main window owns the one
// instance and lends it by reference.
struct FormatValues {
    Mp3Settings mp3;
    WavSettings wav;
    // A WAV format other than the stored PCM one was chosen in the WAV window (a codec, the
    // chooser, a sample file); it lasts for the run and is not replaced by the PCM values.
    bool wavFormatChosen = false;
    VoxSettings vox;
    OggSettings ogg;
    RawSettings raw;
    G726Settings g726;

    // Takes every per-format key that converts; the others leave their values as they were.
    void read(const QString &settingsFile);
    // Hands each format its parameters through the audio-file component.
    void applyTo(AudioFile &file) const;
};

} // namespace pelvanto
