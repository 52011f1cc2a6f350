#include "capture/Dsp.h"

#include <algorithm>
#include <cmath>

namespace pelvanto {

namespace {

constexpr double kButterworthQ4[2] = {0.54119610014619698, 1.3065629648763766};
constexpr double kNotchQ = 5.0;
constexpr double kTiny = 1e-20;

// A usable cut-off for this rate, or a negative value when the filter has nothing to do.
double usableFrequency(double hz, int rate, bool lowPass) {
    if (!std::isfinite(hz) || hz <= 0.0)
        return -1.0;
    const double nyquistGuard = 0.45 * rate;
    if (hz >= nyquistGuard)
        return lowPass ? -1.0 : nyquistGuard; // a low-pass above the band passes everything
    return std::max(hz, 1.0);
}

} // namespace

Biquad Biquad::make(Kind kind, double rate, double hz, double q) {
    const double w0 = 2.0 * M_PI * hz / rate;
    const double c = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    Biquad f;
    switch (kind) {
    case Kind::LowPass:
        f.b0 = (1.0 - c) / 2.0;
        f.b1 = 1.0 - c;
        f.b2 = f.b0;
        break;
    case Kind::HighPass:
        f.b0 = (1.0 + c) / 2.0;
        f.b1 = -(1.0 + c);
        f.b2 = f.b0;
        break;
    case Kind::Notch:
        f.b0 = 1.0;
        f.b1 = -2.0 * c;
        f.b2 = 1.0;
        break;
    }
    f.b0 /= a0;
    f.b1 /= a0;
    f.b2 /= a0;
    f.a1 = -2.0 * c / a0;
    f.a2 = (1.0 - alpha) / a0;
    return f;
}

FilterChain::FilterChain(const InputSettings &s, int rate, int channels) : channels_(channels) {
    if (s.notch) {
        const double hz = usableFrequency(s.notchHz, rate, true);
        if (hz > 0)
            stages_.push_back(Biquad::make(Biquad::Kind::Notch, rate, hz, kNotchQ));
    }
    if (s.highPass) {
        const double hz = usableFrequency(s.highPassHz, rate, false);
        if (hz > 0)
            for (double q : kButterworthQ4)
                stages_.push_back(Biquad::make(Biquad::Kind::HighPass, rate, hz, q));
    }
    if (s.lowPass) {
        const double hz = usableFrequency(s.lowPassHz, rate, true);
        if (hz > 0)
            for (double q : kButterworthQ4)
                stages_.push_back(Biquad::make(Biquad::Kind::LowPass, rate, hz, q));
    }
    state_.resize(stages_.size() * static_cast<size_t>(channels_));
}

namespace {

// Two doubles processed as one (the left and right channel).
using Pair = double __attribute__((vector_size(2 * sizeof(double))));
// A notch and two fourth-order filters of two sections each.
constexpr size_t kMaxStereoStages = 5;

// One sample through one section. The terms that do not wait for the output are added first,
// so that from one sample to the next only an add, a multiply and a subtraction wait in turn.
inline double step(const Biquad &f, double &z1, double &z2, double x) {
    const double y = f.b0 * x + z1;
    z1 = (f.b1 * x + z2) - f.a1 * y;
    z2 = f.b2 * x - f.a2 * y;
    return y;
}

} // namespace

// All sections per sample rather than one pass per section: the sections' recursions then
// overlap from one sample to the next, and the signal stays in double precision between them.
void FilterChain::process(float *interleaved, qsizetype frames) {
    const size_t count = stages_.size();
    if (count == 0)
        return;
    if (channels_ == 2 && count <= kMaxStereoStages) {
        // Both channels side by side in one vector: the same arithmetic, half the instructions.
        Pair z1[kMaxStereoStages];
        Pair z2[kMaxStereoStages];
        for (size_t k = 0; k < count; ++k) {
            z1[k] = Pair{state_[2 * k].z1, state_[2 * k + 1].z1};
            z2[k] = Pair{state_[2 * k].z2, state_[2 * k + 1].z2};
        }
        for (qsizetype i = 0; i < frames; ++i) {
            Pair x = {interleaved[2 * i], interleaved[2 * i + 1]};
            for (size_t k = 0; k < count; ++k) {
                const Biquad &f = stages_[k];
                const Pair y = f.b0 * x + z1[k];
                z1[k] = (f.b1 * x + z2[k]) - f.a1 * y;
                z2[k] = f.b2 * x - f.a2 * y;
                x = y;
            }
            interleaved[2 * i] = static_cast<float>(x[0]);
            interleaved[2 * i + 1] = static_cast<float>(x[1]);
        }
        for (size_t k = 0; k < count; ++k) {
            state_[2 * k] = {z1[k][0], z2[k][0]};
            state_[2 * k + 1] = {z1[k][1], z2[k][1]};
        }
    } else {
        const auto channels = static_cast<size_t>(channels_);
        for (qsizetype i = 0; i < frames; ++i)
            for (size_t c = 0; c < channels; ++c) {
                float &v = interleaved[static_cast<size_t>(i) * channels + c];
                double x = v;
                for (size_t k = 0; k < count; ++k) {
                    State &st = state_[k * channels + c];
                    x = step(stages_[k], st.z1, st.z2, x);
                }
                v = static_cast<float>(x);
            }
    }
    // Decaying state would otherwise turn into slow denormals on silence.
    for (State &st : state_) {
        if (std::fabs(st.z1) < kTiny)
            st.z1 = 0.0;
        if (std::fabs(st.z2) < kTiny)
            st.z2 = 0.0;
    }
}

AutoGain::AutoGain(int rate, int channels) : rate_(rate), channels_(channels) {
    configure(false, -30, -10, 100);
}

namespace {
double coefficient(double ms, int rate) {
    return 1.0 - std::exp(-1.0 / (std::max(ms, 0.1) * 0.001 * rate));
}

// The envelope and the gain are decided once per short step, the gain ramped linearly
// across it, which keeps logarithms out of the per-sample loop.
constexpr qsizetype kGainStep = 16;

// n steps of a one-pole smoother at once: the share of the distance to its target it covers.
double smootherStep(double coef, qsizetype n) {
    return 1.0 - std::pow(1.0 - coef, static_cast<double>(n));
}

constexpr double kDbToNatural = M_LN10 / 20.0;
} // namespace

void AutoGain::configure(bool enabled, int lowDb, int highDb, int attackMs) {
    enabled_ = enabled;
    lowDb_ = std::min(lowDb, highDb);
    highDb_ = std::max(lowDb, highDb);
    const double attack = std::clamp(attackMs, 1, 10000);
    attackCoef_ = coefficient(1.0, rate_);    // the envelope catches peaks at once
    releaseCoef_ = coefficient(300.0, rate_); // and lets go slowly
    downCoef_ = coefficient(attack, rate_);
    upCoef_ = coefficient(attack * 10.0, rate_);
    glideCoef_ = coefficient(30.0, rate_);
    attackStep_ = smootherStep(attackCoef_, kGainStep);
    releaseStep_ = smootherStep(releaseCoef_, kGainStep);
    downStep_ = smootherStep(downCoef_, kGainStep);
    upStep_ = smootherStep(upCoef_, kGainStep);
    glideStep_ = smootherStep(glideCoef_, kGainStep);
}

void AutoGain::process(float *interleaved, qsizetype frames) {
    constexpr double kMaxBoostDb = 40.0;
    constexpr double kMaxCutDb = -40.0;
    constexpr double kFloorDb = -80.0; // below this it is noise or silence: hold the gain
    const bool stereo = channels_ == 2;
    float *p = interleaved;
    for (qsizetype start = 0; start < frames; start += kGainStep) {
        const qsizetype n = std::min(kGainStep, frames - start);
        float *chunk = p + start * channels_;
        // The envelope moves toward the step's peak as far as n frames of following it
        // would take it.
        float peak = 0.0F;
        for (qsizetype i = 0; i < n * channels_; ++i)
            peak = std::max(peak, std::fabs(chunk[i]));
        if (peak > envelope_)
            envelope_ +=
                (peak - envelope_) * (n == kGainStep ? attackStep_ : smootherStep(attackCoef_, n));
        else
            envelope_ += (peak - envelope_) *
                         (n == kGainStep ? releaseStep_ : smootherStep(releaseCoef_, n));
        double target = 0.0;
        double share = n == kGainStep ? glideStep_ : smootherStep(glideCoef_, n);
        if (enabled_) {
            target = gainDb_;
            const double envDb = envelope_ > 0.0 ? 20.0 * std::log10(envelope_) : -200.0;
            if (envDb > kFloorDb) {
                const double outDb = envDb + gainDb_;
                if (outDb > highDb_)
                    target = highDb_ - envDb;
                else if (outDb < lowDb_)
                    target = lowDb_ - envDb;
            }
            target = std::clamp(target, kMaxCutDb, kMaxBoostDb);
            if (target < gainDb_)
                share = n == kGainStep ? downStep_ : smootherStep(downCoef_, n);
            else
                share = n == kGainStep ? upStep_ : smootherStep(upCoef_, n);
        }
        gainDb_ += (target - gainDb_) * share;
        if (std::fabs(gainDb_) < 1e-6 && !enabled_)
            gainDb_ = 0.0;
        const float from = linearGain_;
        linearGain_ = gainDb_ == 0.0 ? 1.0F : static_cast<float>(std::exp(gainDb_ * kDbToNatural));
        if (from == 1.0F && linearGain_ == 1.0F)
            continue;
        const float slope = (linearGain_ - from) / static_cast<float>(n);
        // Values past full scale are clipped where they become 16-bit samples again.
        if (stereo) {
            for (qsizetype i = 0; i < n; ++i) {
                const float g = from + slope * static_cast<float>(i + 1);
                chunk[2 * i] *= g;
                chunk[2 * i + 1] *= g;
            }
        } else {
            for (qsizetype i = 0; i < n; ++i) {
                const float g = from + slope * static_cast<float>(i + 1);
                for (int c = 0; c < channels_; ++c)
                    chunk[i * channels_ + c] *= g;
            }
        }
    }
}

InputProcessor::InputProcessor(int rate, int channels, const InputSettings &settings)
    : rate_(rate), channels_(channels), settings_(settings),
      chain_(std::make_unique<FilterChain>(settings, rate, channels)),
      fadeLength_(std::max(1, rate / 50)), gain_(rate, channels) {
    gain_.configure(settings.autoGain, settings.lowLevelDb, settings.highLevelDb,
                    settings.attackMs);
}

InputProcessor::~InputProcessor() = default;

void InputProcessor::update(const InputSettings &settings) {
    if (!settings.sameFilters(settings_)) {
        previous_ = std::move(chain_);
        chain_ = std::make_unique<FilterChain>(settings, rate_, channels_);
        fadePos_ = 0;
    }
    gain_.configure(settings.autoGain, settings.lowLevelDb, settings.highLevelDb,
                    settings.attackMs);
    settings_ = settings;
}

void InputProcessor::process(qint16 *interleaved, qsizetype frames) {
    const bool idle = chain_->empty() && !previous_ && !settings_.autoGain && gain_.gainDb() == 0.0;
    if (idle || frames <= 0)
        return;
    const auto n = static_cast<size_t>(frames * channels_);
    work_.resize(n);
    float *to = work_.data();
    for (size_t i = 0; i < n; ++i)
        to[i] = static_cast<float>(interleaved[i]) / 32768.0F;
    if (previous_) {
        old_.assign(work_.begin(), work_.end());
        previous_->process(old_.data(), frames);
    }
    chain_->process(work_.data(), frames);
    if (previous_) {
        for (qsizetype f = 0; f < frames; ++f) {
            const float t = fadePos_ >= fadeLength_
                                ? 1.0F
                                : static_cast<float>(fadePos_) / static_cast<float>(fadeLength_);
            for (int c = 0; c < channels_; ++c) {
                const auto i = static_cast<size_t>(f * channels_ + c);
                work_[i] = old_[i] + (work_[i] - old_[i]) * t;
            }
            if (fadePos_ < fadeLength_)
                ++fadePos_;
        }
        if (fadePos_ >= fadeLength_)
            previous_.reset();
    }
    gain_.process(work_.data(), frames);
    const float *from = work_.data();
    for (size_t i = 0; i < n; ++i) {
        // Clamped first, so the conversion to int cannot overflow; halves round away from zero.
        const float v = std::clamp(from[i] * 32768.0F, -32768.0F, 32767.0F);
        interleaved[i] = static_cast<qint16>(v + std::copysign(0.5F, v));
    }
}

} // namespace pelvanto
