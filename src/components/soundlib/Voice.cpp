#include "soundlib/Voice.h"

#include "soundlib/SoundSource.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace pelvanto::sound {

namespace {

constexpr qint64 kInputBlock = 1024; // source frames fetched at a time for the resampler

// Gains of the two sides for a pan value: centre keeps both at (nearly) full level, the ends
// silence the other side.
void panGains(int pan, float *left, float *right) {
    if (pan == kFullStereoPan) {
        *left = 1.0F;
        *right = 1.0F;
        return;
    }
    *left = std::min(1.0F, static_cast<float>(255 - pan) / 127.5F);
    *right = std::min(1.0F, static_cast<float>(pan) / 127.5F);
}

} // namespace

Voice::Voice(int outputRate, int converter) : outputRate_(outputRate), converter_(converter) {}

Voice::~Voice() {
    if (resampler_ != nullptr)
        src_delete(resampler_);
}

void Voice::start(SoundSource *source) {
    source_ = source;
    channels_ = std::clamp(source->channels(), 1, 2);
    frequency_ = source->sampleRate();
    volume = 255;
    pan = 128;
    surround = false;
    paused = false;
    levelLeft_ = 0;
    levelRight_ = 0;
    if (resampler_ != nullptr) {
        src_delete(resampler_);
        resampler_ = nullptr;
    }
    int error = 0;
    resampler_ = src_new(converter_, channels_, &error);
    input_.assign(static_cast<size_t>(kInputBlock * channels_), 0.0F);
    sourceMoved();
}

void Voice::stop() {
    source_ = nullptr;
    levelLeft_ = 0;
    levelRight_ = 0;
}

void Voice::sourceMoved() {
    inputAt_ = 0;
    inputFrames_ = 0;
    inputEnded_ = false;
    resampling_ = false;
    if (resampler_ != nullptr)
        src_reset(resampler_);
}

qint64 Voice::positionMs() const {
    if (source_ == nullptr)
        return 0;
    const qint64 at = source_->positionMs();
    const int rate = source_->sampleRate();
    if (at < 0 || rate <= 0)
        return at;
    return std::max<qint64>(0, at - inputFrames_ * 1000 / rate);
}

qint64 Voice::readSource(float *out, qint64 frames, bool *failed) {
    qint64 done = 0;
    while (done < frames) {
        const qint64 got = source_->read(out + done * channels_, frames - done);
        if (got < 0) {
            *failed = true;
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 Voice::pull(float *out, qint64 frames, bool *failed) {
    const bool wantResampling = frequency_ != outputRate_ && resampler_ != nullptr;
    if (!wantResampling && !resampling_)
        return readSource(out, frames, failed);
    if (!resampling_) {
        src_reset(resampler_);
        resampling_ = true;
    }
    qint64 done = 0;
    while (done < frames) {
        if (inputFrames_ == 0 && !inputEnded_) {
            inputAt_ = 0;
            inputFrames_ = readSource(input_.data(), kInputBlock, failed);
            inputEnded_ = inputFrames_ < kInputBlock;
        }
        SRC_DATA data{};
        data.data_in = input_.data() + inputAt_ * channels_;
        data.input_frames = static_cast<long>(inputFrames_);
        data.data_out = out + done * channels_;
        data.output_frames = static_cast<long>(frames - done);
        data.end_of_input = inputEnded_ ? 1 : 0;
        data.src_ratio = static_cast<double>(outputRate_) / std::max(1, frequency_);
        if (src_process(resampler_, &data) != 0) {
            *failed = true;
            break;
        }
        inputAt_ += data.input_frames_used;
        inputFrames_ -= data.input_frames_used;
        done += data.output_frames_gen;
        if (data.output_frames_gen == 0 && inputFrames_ == 0 && inputEnded_)
            break; // drained
    }
    // Back at the output rate with nothing waiting: read straight from the source again.
    if (!wantResampling && inputFrames_ == 0 && !inputEnded_)
        resampling_ = false;
    return done;
}

Voice::Result Voice::mixInto(float *mix, int frames) {
    if (source_ == nullptr)
        return Result::Ended;
    if (paused) {
        levelLeft_ = 0;
        levelRight_ = 0;
        return Result::Playing;
    }
    pulled_.resize(static_cast<size_t>(frames) * channels_);
    bool failed = false;
    const qint64 got = pull(pulled_.data(), frames, &failed);

    float left = 0;
    float right = 0;
    panGains(pan, &left, &right);
    const float gain = static_cast<float>(std::clamp(volume, 0, 255)) / 255.0F;
    left *= gain;
    right *= gain * (surround ? -1.0F : 1.0F);
    float peakLeft = 0;
    float peakRight = 0;
    for (qint64 f = 0; f < got; ++f) {
        const float inLeft = pulled_[static_cast<size_t>(f * channels_)];
        const float inRight = channels_ == 2 ? pulled_[static_cast<size_t>(f * 2 + 1)] : inLeft;
        const float l = inLeft * left;
        const float r = inRight * right;
        mix[f * 2] += l;
        mix[f * 2 + 1] += r;
        peakLeft = std::max(peakLeft, std::fabs(l));
        peakRight = std::max(peakRight, std::fabs(r));
    }
    levelLeft_ = std::min(1.0F, peakLeft);
    levelRight_ = std::min(1.0F, peakRight);
    if (failed)
        return Result::Failed;
    return got < frames ? Result::Ended : Result::Playing;
}

} // namespace pelvanto::sound
