#include "FormatValues.h"

namespace pelvanto {

void FormatValues::read(const QString &settingsFile) {
    mp3.read(settingsFile);
    wav.read(settingsFile);
    vox.read(settingsFile);
    ogg.read(settingsFile);
    raw.read(settingsFile);
    g726.read(settingsFile);
}

void FormatValues::applyTo(AudioFile &file) const {
    mp3.applyTo(file);
    if (!wavFormatChosen)
        wav.applyTo(file);
    vox.applyTo(file);
    ogg.applyTo(file);
    raw.applyTo(file);
    g726.applyTo(file);
}

} // namespace pelvanto
