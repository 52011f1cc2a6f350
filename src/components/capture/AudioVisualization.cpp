#include "capture/AudioVisualization.h"

#include <QPainter>

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pelvanto {

// A real FFT of one size with a Hann window (FFTW, single precision).
class Spectrum {
public:
    explicit Spectrum(int size) : size_(size) {
        in_ = fftwf_alloc_real(static_cast<size_t>(size));
        out_ = fftwf_alloc_complex(static_cast<size_t>(size) / 2 + 1);
        plan_ = fftwf_plan_dft_r2c_1d(size, in_, out_, FFTW_ESTIMATE);
        window_.resize(size);
        double sum = 0;
        for (int i = 0; i < size; ++i) {
            window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * M_PI * i / size));
            sum += window_[i];
        }
        // A full-scale sine reads 0 dB.
        norm_ = static_cast<float>(2.0 / sum);
    }
    ~Spectrum() {
        fftwf_destroy_plan(plan_);
        fftwf_free(in_);
        fftwf_free(out_);
    }
    Spectrum(const Spectrum &) = delete;
    Spectrum &operator=(const Spectrum &) = delete;

    int size() const { return size_; }

    // Power per bin (full-scale sine = 1) of `frames` mono values in -1..1, zero-padded when
    // fewer.
    void run(const float *mono, int frames, QVector<float> *power) {
        const int used = std::min(frames, size_);
        const float *window = window_.constData();
        for (int i = 0; i < used; ++i)
            in_[i] = mono[i] * window[i];
        std::fill(in_ + used, in_ + size_, 0.0F);
        fftwf_execute(plan_);
        power->resize(size_ / 2 + 1);
        const float norm2 = norm_ * norm_;
        float *to = power->data();
        for (qsizetype k = 0; k < power->size(); ++k) {
            const float re = out_[k][0];
            const float im = out_[k][1];
            to[k] = (re * re + im * im) * norm2;
        }
    }

private:
    int size_;
    float *in_;
    fftwf_complex *out_;
    fftwf_plan plan_;
    QVector<float> window_;
    float norm_;
};

AudioVisualization::AudioVisualization(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

AudioVisualization::~AudioVisualization() = default;

void AudioVisualization::SetFormat(int rate, int channels) {
    if (rate < 1000 || channels < 1 || channels > 8)
        return;
    if (rate == rate_ && channels == channels_)
        return;
    rate_ = rate;
    channels_ = channels;
    dirty_ = true;
    throttle_.request();
}

void AudioVisualization::SetWantedSamples(int frames) {
    wanted_ = std::clamp(frames, 64, 1 << 16);
    dirty_ = true;
}

void AudioVisualization::SetSamples(const QVector<qint16> &samples) {
    if (samples.size() == samples_.size() &&
        (samples.isEmpty() ||
         std::memcmp(samples.constData(), samples_.constData(),
                     static_cast<size_t>(samples.size()) * sizeof(qint16)) == 0))
        return;
    samples_ = samples;
    levels_.fill(0, channels_);
    const qint16 *data = samples_.constData();
    for (int c = 0; c < channels_; ++c) {
        int level = 0;
        for (qsizetype i = c; i < samples_.size(); i += channels_)
            level = std::max(level, std::abs(static_cast<int>(data[i])));
        levels_[c] = std::min(level, 32767);
    }
    if (samples_.isEmpty())
        levels_.clear();
    dirty_ = true;
    throttle_.request();
}

void AudioVisualization::SetMaxFrameRate(int fps) {
    throttle_.setMaxFrameRate(fps);
}

namespace {
float powerToDb(float power) {
    return power > 1e-20F ? 10.0F * std::log10(power) : -200.0F;
}
} // namespace

void AudioVisualization::compute() {
    if (!dirty_)
        return;
    dirty_ = false;
    power_.clear();
    bands_.fill(0.0F, bandCount_);
    const qsizetype frames = std::min<qsizetype>(samples_.size() / channels_, wanted_);
    if (frames == 0)
        return;
    if (!fft_ || fft_->size() != wanted_)
        fft_ = std::make_unique<Spectrum>(wanted_);
    // The most recent frames, channels mixed.
    mono_.resize(static_cast<size_t>(frames));
    const qsizetype first = samples_.size() / channels_ - frames;
    const float scale = 1.0F / (32768.0F * static_cast<float>(channels_));
    const qint16 *data = samples_.constData() + first * channels_;
    float *mono = mono_.data();
    if (channels_ == 1) {
        for (qsizetype f = 0; f < frames; ++f)
            mono[f] = static_cast<float>(data[f]) * scale;
    } else {
        for (qsizetype f = 0; f < frames; ++f) {
            int sum = 0;
            for (int c = 0; c < channels_; ++c)
                sum += data[f * channels_ + c];
            mono[f] = static_cast<float>(sum) * scale;
        }
    }
    fft_->run(mono_.data(), static_cast<int>(frames), &power_);
    // Bands spaced evenly on a logarithmic scale from 40 Hz to the top of the band; the bins
    // each covers depend only on the rate and the transform size.
    if (bandBins_.size() != bandCount_ || bandsFor_ != qMakePair(rate_, wanted_)) {
        bandsFor_ = qMakePair(rate_, wanted_);
        bandBins_.resize(bandCount_);
        const double lowHz = 40.0;
        const double highHz = rate_ / 2.0;
        const double binHz = static_cast<double>(rate_) / wanted_;
        for (int b = 0; b < bandCount_; ++b) {
            const double f0 = lowHz * std::pow(highHz / lowHz, static_cast<double>(b) / bandCount_);
            const double f1 =
                lowHz * std::pow(highHz / lowHz, static_cast<double>(b + 1) / bandCount_);
            const auto k0 = static_cast<qsizetype>(std::floor(f0 / binHz));
            const auto k1 = std::max(k0 + 1, static_cast<qsizetype>(std::ceil(f1 / binHz)));
            bandBins_[b] = qMakePair(k0, k1);
        }
    }
    const float *power = power_.constData();
    for (int b = 0; b < bandCount_; ++b) {
        float top = 0.0F;
        const qsizetype k1 = std::min(bandBins_[b].second, power_.size());
        for (qsizetype k = bandBins_[b].first; k < k1; ++k)
            top = std::max(top, power[k]);
        bands_[b] = std::clamp((powerToDb(top) + 90.0F) / 90.0F, 0.0F, 1.0F);
    }
}

QVector<float> AudioVisualization::Bands() {
    compute();
    return bands_;
}

QVector<float> AudioVisualization::SpectrumDb() {
    compute();
    QVector<float> db(power_.size());
    std::transform(power_.begin(), power_.end(), db.begin(), powerToDb);
    return db;
}

QSize AudioVisualization::sizeHint() const {
    return {320, 120};
}

namespace {

// The picture is made of vertical strips (the bands and the meters) on the background. From
// top to bottom a strip shows the background above `top`, `track` down to `barTop`, `bar`
// down to `bottom` and the background below.
struct Strip {
    int left, right;
    int top, barTop, bottom;
    QRgb track, bar;
    QRgb at(int y, QRgb background) const {
        if (y < top || y >= bottom)
            return background;
        return y < barTop ? track : bar;
    }
    bool changesAt(int y) const { return y == top || y == barTop || y == bottom; }
};

} // namespace

// Repainted with every timer tick while recording. The picture is drawn into an image and
// copied in one go: a row differs from the one above only where a strip changes colour, so
// most rows are copies. Filling the bars through QPainter cost three times as much.
void AudioVisualization::paintEvent(QPaintEvent *) {
    throttle_.painted();
    compute();
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0)
        return;
    const QRgb background = qRgb(16, 24, 32);
    const int meterWidth = 10;
    const int meters = static_cast<int>(levels_.size());
    const int spectrumWidth = w - meters * (meterWidth + 2) - 4;
    std::vector<Strip> strips;
    strips.reserve(static_cast<size_t>(bandCount_) + static_cast<size_t>(meters));
    const auto add = [w, &strips](Strip s) {
        s.left = std::max(s.left, 0);
        s.right = std::min(s.right, w);
        if (s.left < s.right)
            strips.push_back(s);
    };
    if (spectrumWidth > 0 && !samples_.isEmpty()) {
        for (int b = 0; b < bandCount_; ++b) {
            const int barHeight = static_cast<int>(bands_[b] * (h - 2));
            const int left = b * spectrumWidth / bandCount_ + 1;
            const int right = std::max(left + 1, (b + 1) * spectrumWidth / bandCount_);
            add({left, right, 0, h - barHeight, h, background, qRgb(80, 160, 240)});
        }
    }
    for (int m = 0; m < meters; ++m) {
        const double db = levels_[m] > 0 ? 20.0 * std::log10(levels_[m] / 32767.0) : -90.0;
        const int barHeight = static_cast<int>(std::clamp((db + 60.0) / 60.0, 0.0, 1.0) * (h - 2));
        const int x = w - (meters - m) * (meterWidth + 2);
        add({x, x + meterWidth, 1, h - 1 - barHeight, h - 1, qRgb(32, 40, 48),
             db > -3.0 ? qRgb(240, 80, 64) : qRgb(96, 220, 120)});
    }

    if (image_.size() != size())
        image_ = QImage(w, h, QImage::Format_RGB32);
    const qsizetype stride = image_.bytesPerLine();
    uchar *bits = image_.bits();
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(bits + y * stride);
        if (y == 0)
            std::fill_n(row, w, background);
        else
            std::memcpy(row, bits + (y - 1) * stride, static_cast<size_t>(w) * sizeof(QRgb));
        for (const Strip &s : strips)
            if (y == 0 || s.changesAt(y))
                std::fill(row + s.left, row + s.right, s.at(y, background));
    }
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

} // namespace pelvanto
