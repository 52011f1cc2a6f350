#include "capture/AudioDisplay.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace pelvanto {

AudioDisplay::AudioDisplay(QWidget *parent) : QWidget(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        ++repaints_;
        update();
    });
    sinceRepaint_.start();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int AudioDisplay::WantedSamples() const {
    return std::max(64, width()) * channels_;
}

void AudioDisplay::SetChannels(int channels) {
    if (channels < 1 || channels > 8 || channels == channels_)
        return;
    channels_ = channels;
    scheduleRepaint();
}

void AudioDisplay::SetSamples(const QVector<qint16> &samples) {
    if (samples.size() == samples_.size() &&
        (samples.isEmpty() ||
         std::memcmp(samples.constData(), samples_.constData(),
                     static_cast<size_t>(samples.size()) * sizeof(qint16)) == 0))
        return; // nothing new to show
    samples_ = samples;
    scheduleRepaint();
}

void AudioDisplay::SetMaxFrameRate(int fps) {
    minIntervalMs_ = 1000 / std::clamp(fps, 1, 200);
}

void AudioDisplay::scheduleRepaint() {
    if (timer_.isActive())
        return;
    const qint64 wait = std::max<qint64>(0, minIntervalMs_ - sinceRepaint_.elapsed());
    timer_.start(static_cast<int>(wait));
}

QSize AudioDisplay::sizeHint() const {
    return {320, 80};
}

void AudioDisplay::paintEvent(QPaintEvent *) {
    sinceRepaint_.restart();
    QPainter p(this);
    p.fillRect(rect(), QColor(16, 24, 32));
    const int w = width();
    const int h = height();
    const int mid = h / 2;
    p.setPen(QColor(48, 64, 80));
    p.drawLine(0, mid, w, mid);
    const qsizetype frames = samples_.size() / channels_;
    if (frames == 0 || w <= 0)
        return;
    p.setPen(QColor(96, 220, 120));
    const double scale = (h / 2.0 - 1.0) / 32768.0;
    for (int x = 0; x < w; ++x) {
        const qsizetype from = frames * x / w;
        const qsizetype to = std::max(from + 1, frames * (x + 1) / w);
        int lo = 32767;
        int hi = -32768;
        for (qsizetype f = from; f < to && f < frames; ++f) {
            int sum = 0;
            for (int c = 0; c < channels_; ++c)
                sum += samples_[f * channels_ + c];
            const int v = sum / channels_;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        p.drawLine(x, mid - static_cast<int>(hi * scale), x, mid - static_cast<int>(lo * scale));
    }
}

} // namespace pelvanto
