#pragma once

// Inside of SoundEngine, shared by its source files.

#include "soundlib/SoundEngine.h"
#include "soundlib/SoundOutput.h"
#include "soundlib/StreamSource.h"
#include "soundlib/Voice.h"
#include "soundlib/cd/CdDrive.h"
#include "soundlib/music/MusicSource.h"

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace pelvanto::sound {

constexpr int kIndexBits = 12; // channel handle: generation above, index + 1 below
constexpr qint64 kMaxMixFrames = 4096;

struct Channel {
    Channel(int rate, int converter) : voice(rate, converter) {}
    Voice voice;
    int generation = 0;
    bool busy = false; // the owner thread moves its source; the mixer leaves it alone
};

struct Stream {
    std::unique_ptr<StreamSource> source;
    int channel = 0; // handle of the channel it last started on
};

struct Song {
    std::unique_ptr<MusicSource> source;
    std::unique_ptr<Voice> voice; // from the first play on; active while the song plays
    QByteArray name;
};

// A CD drive in use: its table of contents and the track it plays.
struct CdPlayer {
    std::unique_ptr<CdDrive> drive;
    std::unique_ptr<CdTrackSource> track;
    std::unique_ptr<Voice> voice; // active while a track plays
    int mode = 0;
    int volume = 255;
    bool paused = false;
};

struct EngineState {
    explicit EngineState(SoundEngine *q) : q(q) {}
    SoundEngine *q;
    SoundError error = SoundError::None;

    // set-up
    int outputType = OutputPulseAudio;
    int mixerType = MixerAuto;
    int bufferMs = 100;
    int driver = 0;
    std::atomic<int> speakerMode = SpeakerStereo;
    OutputDevices devices;
    QList<QByteArray> driverNames;
    bool devicesKnown = false;

    // running
    bool initialised = false;
    int rate = 0;
    std::unique_ptr<SoundOutput> output;
    std::thread mixer;
    std::atomic<bool> stopping = false;
    std::atomic<float> cpu = 0;

    // What the mixer thread reads, guarded by `mutex`.
    std::mutex mutex;
    std::vector<std::unique_ptr<Channel>> channels;
    std::map<int, std::unique_ptr<Song>> songs;
    std::map<int, std::unique_ptr<CdPlayer>> cds; // by drive number

    // Owner thread only.
    std::map<int, Stream> streams;
    int nextStream = 1;
    int nextSong = 1;

    // The resampler of new voices (a libsamplerate converter type).
    int converter() const;
    // Where music plays before the output is started.
    int musicRate() const { return initialised ? rate : 44100; }

    bool fail(SoundError e) {
        error = e;
        return false;
    }

    bool needInit() {
        if (initialised)
            return true;
        return fail(SoundError::Uninitialized);
    }

    bool needSetUp() {
        if (!initialised)
            return true;
        return fail(SoundError::Busy);
    }

    static int handleOf(int index, int generation) {
        return ((generation & 0x7FFFF) << kIndexBits) | (index + 1);
    }

    // The live channel a handle names (with `mutex` held), or null.
    Channel *channelFor(int handle) {
        if (handle <= 0)
            return nullptr;
        const int index = (handle & ((1 << kIndexBits) - 1)) - 1;
        if (index < 0 || index >= static_cast<int>(channels.size()))
            return nullptr;
        Channel *c = channels[static_cast<size_t>(index)].get();
        if (!c->voice.active() || handleOf(index, c->generation) != handle)
            return nullptr;
        return c;
    }

    // Runs `apply` on one channel or, for kAllChannels, on every live one.
    template <typename F> bool onChannels(int handle, F apply) {
        if (!needInit())
            return false;
        std::lock_guard lock(mutex);
        if (handle == kAllChannels) {
            for (auto &c : channels)
                if (c->voice.active())
                    apply(*c);
            return true;
        }
        Channel *c = channelFor(handle);
        if (c == nullptr)
            return fail(SoundError::InvalidParam);
        apply(*c);
        return true;
    }

    // Reads one value of a live channel; `fallback` when there is none.
    template <typename T, typename F> T readChannel(int handle, T fallback, F get) {
        if (!needInit())
            return fallback;
        std::lock_guard lock(mutex);
        Channel *c = channelFor(handle);
        if (c == nullptr) {
            fail(SoundError::InvalidParam);
            return fallback;
        }
        return get(*c);
    }

    Stream *stream(int handle) {
        const auto it = streams.find(handle);
        if (it == streams.end()) {
            fail(SoundError::InvalidParam);
            return nullptr;
        }
        return &it->second;
    }

    // The mixer thread: fills the output from every playing voice until stopping.
    void mixLoop();
    // Adds every playing voice to `mix`; collects what ended. With `mutex` held.
    void mixVoices(float *mix, int frames, std::vector<int> &endedChannels,
                   std::vector<int> &finishedSongs, std::vector<int> &endedCdTracks);
    // A CD track played to its end: the next, the same again or nothing, by the play mode.
    void cdTrackEnded(int drive);
    // The song a handle names, or null (and InvalidParam).
    Song *song(int handle);
    // One value of a song; `fallback` when there is no such song.
    template <typename T, typename F> T songValue(int handle, T fallback, F get) {
        Song *s = song(handle);
        return s == nullptr ? fallback : get(*s);
    }
    // The player of a drive, opening the drive on first use; null (and CdDevice) when there
    // is no such drive.
    CdPlayer *cd(int drive);

    void stopMixer() {
        if (!mixer.joinable())
            return;
        stopping = true;
        output->wake();
        mixer.join();
    }
};

} // namespace pelvanto::sound
