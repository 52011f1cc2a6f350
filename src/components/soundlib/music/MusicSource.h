#pragma once

#include "soundlib/SoundSource.h"

#include <QString>

#include <memory>

// Music for the sound library: tracker modules (MOD, S3M, XM, IT and the other formats
// libopenmpt reads) and Standard MIDI Files, each a SoundSource a channel plays.
//
//   std::unique_ptr<MusicSource> song = MusicModule::open(path, 44100, &error);
//   song->setLooping(false);
//   song->setMasterVolume(255);        // 0 .. 256, 256 = as rendered
//   ... a channel pulls song->read() until it returns 0; song->isFinished() is then true.
//
// MusicModule::open decides by content, never by file name: a file starting with "MThd"
// (or a RIFF "RMID" holding one) is MIDI, anything else is offered to libopenmpt.
//
// Every member of a MusicSource may be called from any thread (the wrapper asks for the
// order and row on the user-interface thread while the mixer renders): each source
// serialises its own calls.
//
// Queries that have no meaning for MIDI (orders, patterns, samples, instruments, speed,
// rows) answer 0 there; bpm() is the tempo the song is at, numChannels() the MIDI channels
// the song uses.
namespace pelvanto::sound {

// Numbered as the wrapper's music type codes expect them.
enum class MusicType { None = 0, Mod = 1, S3m = 2, Xm = 3, It = 4, Midi = 5, Other = 6 };

enum class MusicOpenError {
    None,
    FileNotFound,  // no such file, or not a regular file (a directory, a FIFO, a device)
    UnknownFormat, // neither a module libopenmpt recognises nor a Standard MIDI File
    LoadFailed,    // recognised but damaged or truncated, unreadable, or too large
    NoSoundFont,   // a MIDI file, but no General MIDI sound font is installed
};

class MusicSource : public SoundSource {
public:
    static constexpr int kFullVolume = 256;

    virtual MusicType type() const = 0;
    virtual QString name() const = 0;

    virtual int numChannels() const = 0;
    virtual int numInstruments() const = 0;
    virtual int numOrders() const = 0;
    virtual int numPatterns() const = 0;
    virtual int numSamples() const = 0;
    // Rows of the pattern that `order` plays (0 for a skip or end marker); -1 when there is
    // no such order.
    virtual int orderRows(int order) const = 0;
    // Rows of pattern `pattern`; -1 when there is no such pattern.
    virtual int patternRows(int pattern) const = 0;

    // Where playback is now: tempo (beats per minute), speed (ticks per row), order, row and
    // the pattern the order plays.
    virtual int bpm() const = 0;
    virtual int speed() const = 0;
    virtual int currentOrder() const = 0;
    virtual int currentRow() const = 0;
    virtual int currentPattern() const = 0;
    // Jumps to the first row of `order`; false when there is no such order.
    virtual bool setOrder(int order) = 0;

    // Looping songs start again at their end (at their restart position, for modules) and
    // never finish. Off by default.
    virtual bool looping() const = 0;
    virtual void setLooping(bool loop) = 0;
    // 0 (silent) .. kFullVolume; values outside are clamped.
    virtual int masterVolume() const = 0;
    virtual void setMasterVolume(int volume) = 0;
    // 0 (mono) .. 1 (the song's own panning); values outside are clamped.
    virtual double panSeparation() const = 0;
    virtual void setPanSeparation(double separation) = 0;

    // True once read() has reached the end of a song that does not loop.
    virtual bool isFinished() const = 0;
    // Back to the start, ready to play again (also after it finished).
    virtual void rewind() = 0;
};

class MusicModule {
public:
    // Opens a module or MIDI file for playback at `sampleRate` (stereo); null on failure, with
    // the reason in `error` when given.
    static std::unique_ptr<MusicSource> open(const QString &path, int sampleRate = 44100,
                                             MusicOpenError *error = nullptr);
    // Same for data already in memory.
    static std::unique_ptr<MusicSource> openData(const QByteArray &data, int sampleRate = 44100,
                                                 MusicOpenError *error = nullptr);
    // The largest file open() reads; bigger files fail with LoadFailed.
    static constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;
};

} // namespace pelvanto::sound
