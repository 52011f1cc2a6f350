#pragma once

#include "capture/RepaintThrottle.h"

#include <QImage>
#include <QVector>
#include <QWidget>

namespace pelvanto {

// Waveform display. It asks for as many samples as it has pixel columns (WantedSamples())
// and draws each column's minimum and maximum. Repaints at a bounded rate and only when the
// samples changed; an empty array clears it.
class AudioDisplay : public QWidget {
    Q_OBJECT
public:
    explicit AudioDisplay(QWidget *parent = nullptr);

    int WantedSamples() const;
    // Interleaved channels of the arrays to come (default 1); stereo is drawn mixed down.
    void SetChannels(int channels);
    int Channels() const { return channels_; }
    void SetSamples(const QVector<qint16> &samples);
    const QVector<qint16> &Samples() const { return samples_; }
    // Upper bound of repaints per second (default 30).
    void SetMaxFrameRate(int fps);
    // Repaints actually requested so far (a measure of the work done).
    int RepaintCount() const { return throttle_.requests(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<qint16> samples_;
    QImage image_; // kept between paints to spare an allocation each time
    int channels_ = 1;
    RepaintThrottle throttle_{this};
};

} // namespace pelvanto
