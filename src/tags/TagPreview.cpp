#include "TagPreview.h"

#include "clsFMOD.h"

#include <algorithm>

namespace pelvanto {

namespace {
constexpr qint32 kStepMs = 5000;
constexpr quint8 kFullVolume = 255;
} // namespace

bool TagPreview::IsCommand(const QString &word) {
    return word == QLatin1String("pause") || word == QLatin1String("forward") ||
           word == QLatin1String("back") || word == QLatin1String("jump");
}

void TagPreview::Playback(const QString &sFile) {
    if (!ready_)
        return;
    if (fmod_.StreamIsLoaded()) {
        if (sFile == QLatin1String("pause")) {
            fmod_.StreamPausePlay();
            return;
        }
        if (sFile == QLatin1String("forward")) {
            fmod_.setStreamSongPos(fmod_.StreamSongPos() + kStepMs);
            return;
        }
        if (sFile == QLatin1String("back")) {
            fmod_.setStreamSongPos(std::max(0, fmod_.StreamSongPos() - kStepMs));
            return;
        }
        if (sFile == QLatin1String("jump")) {
            fmod_.setStreamSongPos(fmod_.StreamSongLen() / 2);
            return;
        }
    }
    fmod_.StreamUnload();
    // A command word with nothing loaded names no file to play.
    if (!sFile.isEmpty() && !IsCommand(sFile))
        fmod_.StreamPlay(sFile, true, kFullVolume);
}

} // namespace pelvanto
