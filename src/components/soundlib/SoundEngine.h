#pragma once

#include "soundlib/SoundError.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace pelvanto::sound {

// Output devices (setOutput).
enum OutputType : int { OutputNoSound = 0, OutputPulseAudio = 1 };
// Resampling used when a channel plays at another frequency than the output (setMixer).
enum MixerType : int { MixerAuto = 0, MixerLinear = 1, MixerQuality = 2 };
// How the stereo mix reaches the speakers (setSpeakerMode).
enum SpeakerMode : int { SpeakerStereo = 0, SpeakerMono = 1 };

// What a CD drive plays after its track: the following tracks, nothing, or the same again.
enum CdPlayMode : int { CdPlayContinuous = 0, CdPlayOnce = 1, CdPlayLooped = 2 };

// Channel arguments that name no single channel.
constexpr int kAllChannels = -3; // every channel at once
constexpr int kFreeChannel = -1; // any channel that is not playing
// Initialisation flags. Levels are always measured on every mix, so both only document intent.
constexpr int kInitGlobalFocus = 0x02;
constexpr int kInitAccurateVuLevels = 0x08;
// Stream open modes: the default sample mode, and sample-accurate seeking in files with a
// variable bit rate (every decoder of this library seeks to the sample, so it is always met).
constexpr int kStreamDefaultMode = 0x130;
constexpr int kStreamAccurateSeek = 0x20000;

struct EngineState;

// The sound library: one output stream that a mixer thread fills from any number of channels,
// each playing a stream (a sound file decoded as it plays) at its own volume, pan, surround
// and frequency, and from music songs and CD tracks, each on a voice of its own. Handles are
// positive numbers, 0 never being one; a failing call returns false, 0, -1 or an empty value as
// documented and leaves its reason in lastError(). Every call comes from the thread that owns the
// engine; events come back to it as queued signals.
class SoundEngine : public QObject {
    Q_OBJECT
public:
    explicit SoundEngine(QObject *parent = nullptr);
    ~SoundEngine() override; // closes

    int lastError() const;
    float version() const;

    // --- set-up: before init (Busy after it) ------------------------------------------
    bool setOutput(int type);
    bool setMixer(int type);
    bool setBufferSize(int milliseconds); // 20 to 1000, default 100
    bool setDriver(int driver);           // 0 to numDrivers() - 1; 0 is the default device
    // Any time.
    bool setSpeakerMode(int mode);
    // The output's devices, asked of the sound server afresh by numDrivers(); names are
    // UTF-8 text that stays valid until the next numDrivers() (null for a wrong number).
    int numDrivers();
    const char *driverName(int driver) const;

    // mixRate 4000 to 192000 Hz, maxChannels 1 to 1024, flags of kInit…
    bool init(int mixRate, int maxChannels, int flags);
    bool initialised() const;
    // Stops everything, frees every stream and closes the output. Always succeeds.
    void close();
    int outputRate() const;

    // --- channels (kAllChannels where noted) ---------------------------------------------
    bool stopSound(int channel);              // or all
    bool setPaused(int channel, bool paused); // or all
    bool getPaused(int channel);
    bool isPlaying(int channel);             // has sound to play and is not paused
    bool setVolume(int channel, int volume); // 0 to 255; or all
    int getVolume(int channel);
    bool setPan(int channel, int pan); // 0 to 255 or kFullStereoPan; or all
    int getPan(int channel);
    bool setSurround(int channel, bool on); // or all
    bool getSurround(int channel);
    bool setFrequency(int channel, int hz); // 100 to 705600 (at most 256 × the output rate)
    int getFrequency(int channel);
    // Peak levels 0 to 1 of the channel's last mixed block; false for a channel that is gone.
    bool getCurrentLevels(int channel, float *left, float *right);
    int channelsPlaying();
    float cpuUsage() const; // per cent of real time the mixer spends mixing

    // --- streams ------------------------------------------------------------------------
    // Opens a file for its tags and to play it later; 0 on failure. mode: kStream… flags.
    int streamOpen(const QString &path, int mode);
    bool streamClose(int stream);
    // Plays from the stream's position on a channel (kFreeChannel or a channel index 0 to
    // maxChannels - 1); the channel handle, or -1. A stream plays on one channel at a time.
    int streamPlay(int channel, int stream);
    bool streamSetTime(int stream, qint64 ms);
    qint64 streamGetTime(int stream);
    qint64 streamGetLengthMs(int stream); // 0 when the length is unknown
    qint64 streamGetLength(int stream);   // bytes of the file
    // Tags (see StreamTags for the layout of the values). Pointers stay valid until the
    // stream is closed.
    bool streamGetNumTagFields(int stream, int *count);
    bool streamGetTagField(int stream, int index, int *type, const char **name, const char **value,
                           int *length);
    bool streamFindTagField(int stream, int type, const char *name, const char **value,
                            int *length);

    // --- music: tracker modules and MIDI songs ------------------------------------------
    // Loads a song (rendered at the output rate, or 44100 Hz before init); 0 on failure.
    int musicLoadSong(const QString &path);
    bool musicFreeSong(int song);
    // Plays from the start; stops it (the next play starts over again).
    bool musicPlaySong(int song);
    bool musicStopSong(int song);
    bool musicIsPlaying(int song);  // started and not yet at its end (paused or not)
    bool musicIsFinished(int song); // played to its end (never while looping)
    bool musicSetPaused(int song, bool paused);
    bool musicGetPaused(int song);
    bool musicSetMasterVolume(int song, int volume); // 0 to 255
    int musicGetMasterVolume(int song);
    bool musicSetLooping(int song, bool loop);
    bool musicSetPanSeparation(int song, float separation); // 0 (mono) to 1
    int musicGetType(int song);         // MusicType: 1 MOD, 2 S3M, 3 XM, 4 IT, 5 MIDI, 6 other
    const char *musicGetName(int song); // UTF-8, valid until the song is freed
    int musicGetNumChannels(int song);
    int musicGetNumInstruments(int song);
    int musicGetNumOrders(int song);
    int musicGetNumPatterns(int song);
    int musicGetNumSamples(int song);
    int musicGetPatternLength(int song, int order); // rows of the order's pattern; -1 if none
    int musicGetBPM(int song);
    int musicGetSpeed(int song);
    int musicGetOrder(int song);
    bool musicSetOrder(int song, int order);
    int musicGetPattern(int song);
    int musicGetRow(int song);
    qint64 musicGetTime(int song); // ms played

    // --- CD audio: drives by number (CdDrive::driveList; disc images play as drives) -------
    bool cdSetPlayMode(int drive, int mode); // CdPlayMode
    bool cdPlay(int drive, int track);       // tracks count from 1
    bool cdStop(int drive);
    bool cdSetPaused(int drive, bool paused);
    bool cdGetPaused(int drive);
    bool cdIsPlaying(int drive);
    int cdGetNumTracks(int drive);                 // 0 without a disc
    int cdGetTrack(int drive);                     // the track playing, 0 when none
    qint64 cdGetTrackLength(int drive, int track); // ms; 0 for no such track
    qint64 cdGetTrackTime(int drive);              // ms into the track playing
    bool cdSetTrackTime(int drive, qint64 ms);
    bool cdSetVolume(int drive, int volume); // 0 to 255
    bool cdEject(int drive);

signals:
    // A channel reached the end of its sound (or its source failed) and is free again.
    void channelEnded(int channel);
    // A song that does not loop played to its end.
    void songFinished(int song);
    // A CD drive stopped at the end of what its play mode plays.
    void cdTrackEnded(int drive);
    // The output device went away; everything is silent until close() and init().
    void outputFailed();

private:
    std::unique_ptr<EngineState> d;
};

} // namespace pelvanto::sound
