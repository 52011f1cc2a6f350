#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace pelvanto {

class AudioFile;

// Section "ogg": bit rates in kbit/s, quality in hundredths, flags 1 on / 0 off. Ogg output is
// always 44100 Hz stereo.
struct OggSettings {
    qint16 bitrate = 0; // nominal
    qint16 minBitrate = 0;
    qint16 maxBitrate = 0;
    qint16 quality = 0;
    qint16 vbr = 0;
    qint16 qualityMode = 0;

    // Takes the keys that convert; a key that does not leaves its field as it was.
    void read(const QString &settingsFile);
    bool write(const QString &settingsFile) const;
    // Quality mode wins over the variable bit rate; the variable bit rate uses the minimum and
    // maximum (brought into the encoder's range), the constant one only the nominal bit rate.
    void applyTo(AudioFile &file) const;

    // The bit rates the Ogg window's sliders offer, positions 1 to 6.
    static const QList<qint16> &offeredBitrates();
    // What the Ogg window shows, starting from the program-wide values: the stored nominal bit
    // rate as it is (128 when there is none), a minimum or maximum it does not offer as 128,
    // the quality within 0 to 1000 (300 when none is stored), and the flags on only when
    // stored as 1.
    static OggSettings readForWindow(const QString &settingsFile, const OggSettings &current);

    // A minimum or maximum bit rate as the encoder gets it: above zero (zero means no bound) it
    // is held within what the encoder can produce at 44100 Hz stereo.
    static int boundForEncoder(int kbps);
    // What the encoder can produce at 44100 Hz stereo, in kbit/s.
    static constexpr int kEncoderLowest = 45;
    static constexpr int kEncoderHighest = 500;

    bool operator==(const OggSettings &) const = default;
};

} // namespace pelvanto
