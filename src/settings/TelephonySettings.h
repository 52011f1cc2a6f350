#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace pelvanto {

class AudioFile;

// The rates the telephony windows offer, in the order of their buttons F1 to F10. The VOX
// window has the first eight only.
const QList<qint32> &telephonyRates();
inline constexpr int kVoxRateButtons = 8;
inline constexpr int kTelephonyRateButtons = 10;

// Section "vox".
struct VoxSettings {
    qint32 frequency = 0; // Hz

    // Takes the key when it converts.
    void read(const QString &settingsFile);
    bool write(const QString &settingsFile) const;
    void applyTo(AudioFile &file) const;
    // A rate the VOX window does not offer gives 44100.
    VoxSettings fittedToWindow() const;

    bool operator==(const VoxSettings &) const = default;
};

// Section "raw": coding 1 16-bit PCM, 2 A-law, 3 mu-law.
struct RawSettings {
    qint32 frequency = 0; // Hz
    qint16 channels = 0;
    qint16 coding = 0;

    void read(const QString &settingsFile);
    bool write(const QString &settingsFile) const;
    void applyTo(AudioFile &file) const;
    // A rate not offered gives 44100, anything but mono stereo, an unknown coding 16-bit PCM.
    RawSettings fittedToWindow() const;

    bool operator==(const RawSettings &) const = default;
};

// Section "g726": ADPCM bits per sample 2 to 5.
struct G726Settings {
    qint32 frequency = 0; // Hz
    qint16 bits = 0;

    void read(const QString &settingsFile);
    bool write(const QString &settingsFile) const;
    void applyTo(AudioFile &file) const;
    // A rate not offered gives 44100, bits outside 2 to 5 give 4.
    G726Settings fittedToWindow() const;

    bool operator==(const G726Settings &) const = default;
};

} // namespace pelvanto
