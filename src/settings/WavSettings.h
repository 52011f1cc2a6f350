#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace pelvanto {

class AudioFile;

// Section "wav": the PCM parameters of WAV recordings. The other WAV formats the WAV window
// offers are not stored.
struct WavSettings {
    qint32 frequency = 0; // Hz
    qint16 channels = 0;

    // Takes the keys that convert; a key that does not leaves its field as it was.
    void read(const QString &settingsFile);
    bool write(const QString &settingsFile) const;
    // 16-bit PCM at this rate and channel count.
    void applyTo(AudioFile &file) const;

    // The rates the WAV window offers, in the order of its buttons F1 to F8.
    static const QList<qint32> &offeredRates();
    // The WAV window's fall-backs: a rate it does not offer gives 44100, anything but mono
    // gives stereo.
    WavSettings fittedToWindow() const;

    bool operator==(const WavSettings &) const = default;
};

} // namespace pelvanto
