#pragma once

#include <QtGlobal>

#include <vector>

struct SRC_STATE_tag;

namespace pelvanto::sound {

class SoundSource;

// Pan value that plays a sound unpanned: both sides at full level.
constexpr int kFullStereoPan = -1;

// One sound being played: pulls from its source at the chosen frequency, resamples to the
// output rate, applies volume, pan and surround, and adds the result to a stereo mix.
// Used by the mixer thread only (its owner locks around every call).
class Voice {
public:
    // converter: a libsamplerate converter type, used when the frequency is not the output's.
    Voice(int outputRate, int converter);
    ~Voice();
    Voice(const Voice &) = delete;
    Voice &operator=(const Voice &) = delete;

    // Starts over on a source (not owned), at its own rate, full volume, centre pan.
    void start(SoundSource *source);
    void stop();
    bool active() const { return source_ != nullptr; }
    SoundSource *source() const { return source_; }

    enum class Result { Playing, Ended, Failed };
    // Adds `frames` stereo frames to `mix`. A paused voice adds nothing and holds its place.
    Result mixInto(float *mix, int frames);

    // Drops what waits in the resampler, after the source moved.
    void sourceMoved();

    int volume = 255;      // 0 to 255
    int pan = 128;         // 0 (left) to 255 (right), or kFullStereoPan
    bool surround = false; // the right side phase-inverted
    bool paused = false;
    int frequency() const { return frequency_; }
    void setFrequency(int hz) { frequency_ = hz; }

    // Peak levels (0 to 1) of what the voice added in its last mix.
    float levelLeft() const { return levelLeft_; }
    float levelRight() const { return levelRight_; }
    // The source position minus what the voice took from it but has not played yet.
    qint64 positionMs() const;

private:
    // Fills `out` with `frames` frames of the source's channel count at the output rate.
    qint64 pull(float *out, qint64 frames, bool *failed);
    qint64 readSource(float *out, qint64 frames, bool *failed);

    int outputRate_;
    int converter_;
    SoundSource *source_ = nullptr;
    int channels_ = 2;
    int frequency_ = 0;
    SRC_STATE_tag *resampler_ = nullptr;
    bool resampling_ = false;
    bool inputEnded_ = false;
    std::vector<float> input_;  // source frames waiting for the resampler
    qint64 inputAt_ = 0;        // first waiting frame
    qint64 inputFrames_ = 0;    // frames waiting
    std::vector<float> pulled_; // one mix's frames in the source's channel count
    float levelLeft_ = 0;
    float levelRight_ = 0;
};

} // namespace pelvanto::sound
