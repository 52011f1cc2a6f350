#include "capture/AudioDisplay.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace pelvanto {

AudioDisplay::AudioDisplay(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int AudioDisplay::WantedSamples() const {
    return std::max(64, width()) * channels_;
}

void AudioDisplay::SetChannels(int channels) {
    if (channels < 1 || channels > 8 || channels == channels_)
        return;
    channels_ = channels;
    throttle_.request();
}

void AudioDisplay::SetSamples(const QVector<qint16> &samples) {
    if (samples.size() == samples_.size() &&
        (samples.isEmpty() ||
         std::memcmp(samples.constData(), samples_.constData(),
                     static_cast<size_t>(samples.size()) * sizeof(qint16)) == 0))
        return; // nothing new to show
    samples_ = samples;
    throttle_.request();
}

void AudioDisplay::SetMaxFrameRate(int fps) {
    throttle_.setMaxFrameRate(fps);
}

QSize AudioDisplay::sizeHint() const {
    return {320, 80};
}

// The picture is drawn pixel by pixel into an image of the widget's size and then copied in
// one go: hundreds of one-pixel-wide lines through QPainter cost ten times as much.
void AudioDisplay::paintEvent(QPaintEvent *) {
    throttle_.painted();
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0)
        return;
    if (image_.size() != size())
        image_ = QImage(w, h, QImage::Format_RGB32);
    image_.fill(QColor(16, 24, 32));
    uchar *bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    const auto row = [bits, stride](int y) { return reinterpret_cast<QRgb *>(bits + y * stride); };
    const int mid = h / 2;
    std::fill_n(row(mid), w, qRgb(48, 64, 80));
    const qsizetype frames = samples_.size() / channels_;
    if (frames > 0) {
        const QRgb wave = qRgb(96, 220, 120);
        // Extremes of the channel sums; dividing by the channel count once per column is enough.
        const double scale = (h / 2.0 - 1.0) / (32768.0 * channels_);
        const qint16 *data = samples_.constData();
        for (int x = 0; x < w; ++x) {
            const qsizetype from = frames * x / w;
            const qsizetype to = std::min(frames, std::max(from + 1, frames * (x + 1) / w));
            int lo = 32767 * channels_;
            int hi = -32768 * channels_;
            for (qsizetype f = from; f < to; ++f) {
                int sum = 0;
                for (int c = 0; c < channels_; ++c)
                    sum += data[f * channels_ + c];
                lo = std::min(lo, sum);
                hi = std::max(hi, sum);
            }
            const int top = std::clamp(mid - static_cast<int>(hi * scale), 0, h - 1);
            const int bottom = std::clamp(mid - static_cast<int>(lo * scale), 0, h - 1);
            for (int y = top; y <= bottom; ++y)
                row(y)[x] = wave;
        }
    }
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

} // namespace pelvanto
