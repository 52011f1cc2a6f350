#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace pelvanto {

class AudioFile;
class Mp3EncoderSettings;

// Section "mp3": sample rate, bit rate and channel count of MP3 recordings.
struct Mp3Settings {
    qint32 frequency = 0; // Hz
    qint16 bitrate = 0;   // kbit/s
    qint16 channels = 0;

    // Takes the keys that convert; a key that does not leaves its field as it was.
    void read(const QString &settingsFile);
    // Writes the three keys; returns whether all reached the disk.
    bool write(const QString &settingsFile) const;
    // What start-up hands the audio-file component.
    void applyTo(AudioFile &file) const;
    // The MP3 window's OK: the edited encoder settings, with this section's bit rate and sample
    // rate, so that what the window shows is what the encoder gets.
    void applyTo(AudioFile &file, Mp3EncoderSettings encoder) const;

    // What the MP3 window shows: 44100 Hz, 128 kbit/s, stereo, replaced by every stored key that
    // converts. A bit rate or rate the window does not list is kept as stored.
    static Mp3Settings readForWindow(const QString &settingsFile);
    // The bit rates the MP3 window's sliders offer, position 0 to 14 (no 40 or 80 kbit/s).
    static const QList<qint16> &offeredBitrates();
    // The sample rates of the MP3 window's list, in its order.
    static const QList<qint32> &offeredFrequencies();

    bool operator==(const Mp3Settings &) const = default;
};

} // namespace pelvanto
