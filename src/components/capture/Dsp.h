#pragma once

#include <QVector>

#include <memory>
#include <vector>

namespace pelvanto {

// Settings of the input processing, as the recorder's properties hold them.
struct InputSettings {
    bool notch = false;
    float notchHz = 50.0F;
    bool highPass = false;
    float highPassHz = 400.0F;
    bool lowPass = false;
    float lowPassHz = 4000.0F;
    bool autoGain = false;
    int lowLevelDb = -30;
    int highLevelDb = -10;
    int attackMs = 100;

    bool sameFilters(const InputSettings &o) const {
        return notch == o.notch && notchHz == o.notchHz && highPass == o.highPass &&
               highPassHz == o.highPassHz && lowPass == o.lowPass && lowPassHz == o.lowPassHz;
    }
};

// Coefficients of a second-order section (normalised, a0 = 1).
struct Biquad {
    enum class Kind { LowPass, HighPass, Notch };
    static Biquad make(Kind kind, double rate, double hz, double q);
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// Notch, high-pass and low-pass (4th-order Butterworth each side) in series, each a section in
// transposed direct form II with one state per channel.
class FilterChain {
public:
    FilterChain(const InputSettings &settings, int rate, int channels);
    bool empty() const { return stages_.empty(); }
    void process(float *interleaved, qsizetype frames);

private:
    struct State {
        double z1 = 0, z2 = 0;
    };
    std::vector<Biquad> stages_;
    std::vector<State> state_; // stage by stage, channel by channel
    int channels_;
};

// Automatic gain control: a peak envelope drives a gain that brings the level up to the low
// level and down to the high level, turning down with the attack time and up ten times slower.
// Disabled, the gain glides back to unity. Silence stays silence. The result may exceed full
// scale; InputProcessor clips it.
class AutoGain {
public:
    AutoGain(int rate, int channels);
    void configure(bool enabled, int lowDb, int highDb, int attackMs);
    void process(float *interleaved, qsizetype frames);
    double gainDb() const { return gainDb_; }

private:
    int rate_;
    int channels_;
    bool enabled_ = false;
    double lowDb_ = -30, highDb_ = -10;
    double envelope_ = 0;
    double gainDb_ = 0;
    float linearGain_ = 1.0F;
    double attackCoef_ = 0, releaseCoef_ = 0, downCoef_ = 0, upCoef_ = 0, glideCoef_ = 0;
    // How far a whole step of the envelope and of the gain goes, for each of their speeds.
    double attackStep_ = 0, releaseStep_ = 0, downStep_ = 0, upStep_ = 0, glideStep_ = 0;
};

// The whole input processing of captured 16-bit samples. New settings take effect by
// cross-fading from the old filters to the new ones over a few milliseconds, so that
// switching during a recording does not click.
class InputProcessor {
public:
    InputProcessor(int rate, int channels, const InputSettings &settings);
    ~InputProcessor();
    void update(const InputSettings &settings);
    void process(qint16 *interleaved, qsizetype frames);
    double gainDb() const { return gain_.gainDb(); }

private:
    int rate_;
    int channels_;
    InputSettings settings_;
    std::unique_ptr<FilterChain> chain_;
    std::unique_ptr<FilterChain> previous_; // fading out
    qsizetype fadeLength_;
    qsizetype fadePos_ = 0;
    AutoGain gain_;
    std::vector<float> work_, old_;
};

} // namespace pelvanto
