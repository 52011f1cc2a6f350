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

Biquad::Biquad(Kind kind, double rate, double hz, double q, int channels)
    : channels_(channels), z1_(channels, 0.0), z2_(channels, 0.0) {
    const double w0 = 2.0 * M_PI * hz / rate;
    const double c = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    switch (kind) {
    case Kind::LowPass:
        b0_ = (1.0 - c) / 2.0;
        b1_ = 1.0 - c;
        b2_ = b0_;
        break;
    case Kind::HighPass:
        b0_ = (1.0 + c) / 2.0;
        b1_ = -(1.0 + c);
        b2_ = b0_;
        break;
    case Kind::Notch:
        b0_ = 1.0;
        b1_ = -2.0 * c;
        b2_ = 1.0;
        break;
    }
    b0_ /= a0;
    b1_ /= a0;
    b2_ /= a0;
    a1_ = -2.0 * c / a0;
    a2_ = (1.0 - alpha) / a0;
}

void Biquad::process(float *interleaved, qsizetype frames) {
    if (channels_ == 2) {
        // Both channels in one pass: two independent recursions keep the pipeline busy.
        double l1 = z1_[0], l2 = z2_[0], r1 = z1_[1], r2 = z2_[1];
        for (qsizetype i = 0; i < frames; ++i) {
            const double xl = interleaved[2 * i];
            const double xr = interleaved[2 * i + 1];
            const double yl = b0_ * xl + l1;
            const double yr = b0_ * xr + r1;
            l1 = b1_ * xl - a1_ * yl + l2;
            r1 = b1_ * xr - a1_ * yr + r2;
            l2 = b2_ * xl - a2_ * yl;
            r2 = b2_ * xr - a2_ * yr;
            interleaved[2 * i] = static_cast<float>(yl);
            interleaved[2 * i + 1] = static_cast<float>(yr);
        }
        z1_[0] = std::fabs(l1) < kTiny ? 0.0 : l1;
        z2_[0] = std::fabs(l2) < kTiny ? 0.0 : l2;
        z1_[1] = std::fabs(r1) < kTiny ? 0.0 : r1;
        z2_[1] = std::fabs(r2) < kTiny ? 0.0 : r2;
        return;
    }
    for (int ch = 0; ch < channels_; ++ch) {
        double z1 = z1_[ch];
        double z2 = z2_[ch];
        float *p = interleaved + ch;
        for (qsizetype i = 0; i < frames; ++i, p += channels_) {
            const double x = *p;
            const double y = b0_ * x + z1;
            z1 = b1_ * x - a1_ * y + z2;
            z2 = b2_ * x - a2_ * y;
            *p = static_cast<float>(y);
        }
        // Decaying state would otherwise turn into slow denormals on silence.
        z1_[ch] = std::fabs(z1) < kTiny ? 0.0 : z1;
        z2_[ch] = std::fabs(z2) < kTiny ? 0.0 : z2;
    }
}

FilterChain::FilterChain(const InputSettings &s, int rate, int channels) {
    if (s.notch) {
        const double hz = usableFrequency(s.notchHz, rate, true);
        if (hz > 0)
            stages_.emplace_back(Biquad::Kind::Notch, rate, hz, kNotchQ, channels);
    }
    if (s.highPass) {
        const double hz = usableFrequency(s.highPassHz, rate, false);
        if (hz > 0)
            for (double q : kButterworthQ4)
                stages_.emplace_back(Biquad::Kind::HighPass, rate, hz, q, channels);
    }
    if (s.lowPass) {
        const double hz = usableFrequency(s.lowPassHz, rate, true);
        if (hz > 0)
            for (double q : kButterworthQ4)
                stages_.emplace_back(Biquad::Kind::LowPass, rate, hz, q, channels);
    }
}

void FilterChain::process(float *interleaved, qsizetype frames) {
    for (Biquad &b : stages_)
        b.process(interleaved, frames);
}

AutoGain::AutoGain(int rate, int channels) : rate_(rate), channels_(channels) {
    configure(false, -30, -10, 100);
}

namespace {
double coefficient(double ms, int rate) {
    return 1.0 - std::exp(-1.0 / (std::max(ms, 0.1) * 0.001 * rate));
}
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
}

void AutoGain::process(float *interleaved, qsizetype frames) {
    constexpr double kMaxBoostDb = 40.0;
    constexpr double kMaxCutDb = -40.0;
    constexpr double kFloorDb = -80.0; // below this it is noise or silence: hold the gain
    // The envelope follows every frame; the gain is decided once per short step and
    // ramped linearly across it, which keeps logarithms out of the per-sample loop.
    constexpr qsizetype kStep = 16;
    float *p = interleaved;
    for (qsizetype start = 0; start < frames; start += kStep) {
        const qsizetype n = std::min(kStep, frames - start);
        float *chunk = p + start * channels_;
        for (qsizetype i = 0; i < n; ++i) {
            float peak = 0.0F;
            for (int c = 0; c < channels_; ++c)
                peak = std::max(peak, std::fabs(chunk[i * channels_ + c]));
            envelope_ += (peak - envelope_) * (peak > envelope_ ? attackCoef_ : releaseCoef_);
        }
        double target = 0.0;
        double coef = glideCoef_;
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
            coef = target < gainDb_ ? downCoef_ : upCoef_;
        }
        // n steps of the one-pole smoother at once.
        gainDb_ += (target - gainDb_) * (1.0 - std::pow(1.0 - coef, static_cast<double>(n)));
        if (std::fabs(gainDb_) < 1e-6 && !enabled_)
            gainDb_ = 0.0;
        const float from = linearGain_;
        linearGain_ = gainDb_ == 0.0 ? 1.0F : static_cast<float>(std::pow(10.0, gainDb_ / 20.0));
        if (from == 1.0F && linearGain_ == 1.0F)
            continue;
        const float slope = (linearGain_ - from) / static_cast<float>(n);
        for (qsizetype i = 0; i < n; ++i) {
            const float g = from + slope * static_cast<float>(i + 1);
            for (int c = 0; c < channels_; ++c) {
                float &v = chunk[i * channels_ + c];
                v = std::clamp(v * g, -1.0F, 1.0F);
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
    for (size_t i = 0; i < n; ++i)
        work_[i] = static_cast<float>(interleaved[i]) / 32768.0F;
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
    for (size_t i = 0; i < n; ++i) {
        // Clamped first, so the conversion to int cannot overflow; halves round away from zero.
        const float v = std::clamp(work_[i] * 32768.0F, -32768.0F, 32767.0F);
        interleaved[i] = static_cast<qint16>(v < 0.0F ? v - 0.5F : v + 0.5F);
    }
}

} // namespace pelvanto
