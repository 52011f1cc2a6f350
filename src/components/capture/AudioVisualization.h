#pragma once

#include "capture/RepaintThrottle.h"

#include <QImage>
#include <QPair>
#include <QVector>
#include <QWidget>

#include <memory>
#include <vector>

namespace pelvanto {

class Spectrum;

// Spectrum analyser with level bars. Given a format and an array of interleaved samples, it
// shows the spectrum of the first channel's (or the mono mix's) most recent
// WantedSamples() frames and a peak bar per channel. Repaints at a bounded rate and only when
// the samples changed; an empty array clears it.
class AudioVisualization : public QWidget {
    Q_OBJECT
public:
    explicit AudioVisualization(QWidget *parent = nullptr);
    ~AudioVisualization() override;

    void SetFormat(int rate, int channels);
    int SampleRate() const { return rate_; }
    int Channels() const { return channels_; }
    int WantedSamples() const { return wanted_; }
    void SetWantedSamples(int frames);
    void SetSamples(const QVector<qint16> &samples);
    void SetMaxFrameRate(int fps);
    int RepaintCount() const { return throttle_.requests(); }

    // Bands shown (0..1 each, logarithmic in frequency) and the level bars (0..32767),
    // as last computed; for tests and for drawing.
    QVector<float> Bands();
    QVector<int> Levels() const { return levels_; }
    // Magnitude spectrum (dBFS per bin, rate/frames Hz apart) of the current samples.
    QVector<float> SpectrumDb();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void compute();

    int rate_ = 44100;
    int channels_ = 1;
    int wanted_ = 4096;
    int bandCount_ = 32;
    QVector<qint16> samples_;
    QVector<int> levels_;
    QVector<float> power_; // per bin, of the samples last computed
    std::vector<float> mono_;
    QVector<QPair<qsizetype, qsizetype>> bandBins_; // bins [first, end) of each band
    QPair<int, int> bandsFor_; // rate and transform size bandBins_ was made for
    QVector<float> bands_;
    bool dirty_ = false;
    QImage image_; // the picture, kept for the next paint
    RepaintThrottle throttle_{this};
    std::unique_ptr<Spectrum> fft_;
};

} // namespace pelvanto
