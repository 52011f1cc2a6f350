#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QVector>

#include <cmath>
#include <functional>

namespace capturetest {

// Runs the event loop until done() or the guard expires (a hang guard, not a timing check).
inline bool runUntil(const std::function<bool()> &done, int guardMs = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > guardMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Amplitude (0..1 of full scale) of the tone at hz in one channel, by correlation.
inline double toneAmplitude(const QVector<qint16> &s, int channels, int channel, int rate,
                            double hz, qsizetype firstFrame = 0) {
    const qsizetype frames = s.size() / channels;
    double re = 0;
    double im = 0;
    qsizetype n = 0;
    for (qsizetype f = firstFrame; f < frames; ++f, ++n) {
        const double w = 2.0 * M_PI * hz * static_cast<double>(f) / rate;
        const double v = s[f * channels + channel] / 32768.0;
        re += v * std::cos(w);
        im += v * std::sin(w);
    }
    return n > 0 ? 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(n) : 0.0;
}

// Frequency of a clean tone from its rising zero crossings.
inline double zeroCrossingHz(const QVector<qint16> &s, int channels, int rate) {
    const qsizetype frames = s.size() / channels;
    qsizetype first = -1;
    qsizetype last = -1;
    int crossings = 0;
    for (qsizetype f = 1; f < frames; ++f) {
        if (s[(f - 1) * channels] < 0 && s[f * channels] >= 0) {
            if (first < 0)
                first = f;
            else
                ++crossings;
            last = f;
        }
    }
    if (crossings == 0)
        return 0;
    return crossings * static_cast<double>(rate) / static_cast<double>(last - first);
}

inline int peakOf(const QVector<qint16> &s, qsizetype fromElement = 0) {
    int peak = 0;
    for (qsizetype i = fromElement; i < s.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    return peak;
}

// Largest step between neighbouring frames of one channel: a gap, an overlap or a click in a
// pure tone shows as a step far above the tone's own.
inline int largestStep(const QVector<qint16> &s, int channels, int channel,
                       qsizetype firstFrame = 1) {
    int step = 0;
    for (qsizetype f = std::max<qsizetype>(firstFrame, 1); f < s.size() / channels; ++f)
        step =
            std::max(step, std::abs(s[f * channels + channel] - s[(f - 1) * channels + channel]));
    return step;
}

} // namespace capturetest
