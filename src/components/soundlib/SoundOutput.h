#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace pelvanto::sound {

// Where the mixer's stereo float frames go. The mixer thread calls waitWritable and write in
// turn; wake() (from any thread) ends a wait early so that the thread can stop.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Frames that can be written now, waiting up to a buffer's time for room; 0 after wake()
    // or when the device is gone (then failed() is true).
    virtual qint64 waitWritable() = 0;
    virtual bool write(const float *frames, qint64 count) = 0;
    virtual void wake() = 0;
    virtual bool failed() const = 0;
};

// The sound server's playback devices, "Default output" first (following the server's
// default), then each device by its description. Empty when no server answers.
struct OutputDevices {
    QStringList names;
    QList<QByteArray> sinks; // server names; empty for the default
};
OutputDevices pulseOutputDevices();

// A playback stream on the sound server (sink empty: the default device), `bufferMs` ahead of
// the speaker.
std::unique_ptr<SoundOutput> openPulseOutput(int rate, int bufferMs, const QByteArray &sink,
                                             QString *error);
// Plays into nothing, at the pace of real time.
std::unique_ptr<SoundOutput> openSilentOutput(int rate, int bufferMs);

} // namespace pelvanto::sound
