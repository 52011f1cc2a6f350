#pragma once

#include <QtGlobal>

namespace pelvanto::sound {

// A decoded sound that the sound library's mixer pulls from: streamed files, tracker modules,
// MIDI songs and CD tracks all look alike to a channel. Frames are interleaved floats in
// [-1, 1]; a frame holds one sample per channel. Sources are used from one thread at a time
// (the mixer's), so they need no locks of their own.
class SoundSource {
public:
    virtual ~SoundSource() = default;

    virtual int sampleRate() const = 0;
    virtual int channels() const = 0; // 1 or 2

    // Fills up to `frames` frames; returns how many were written, 0 at the end of the sound,
    // -1 on a read error (the channel then stops).
    virtual qint64 read(float *interleaved, qint64 frames) = 0;

    // Length and position in milliseconds; -1 when the source cannot tell.
    virtual qint64 lengthMs() const = 0;
    virtual qint64 positionMs() const = 0;
    // False when the source cannot seek or `ms` is past its end.
    virtual bool seekMs(qint64 ms) = 0;
};

} // namespace pelvanto::sound
