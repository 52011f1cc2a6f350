#pragma once

#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QVector>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstring>

// Listening to the test sound server's output through an independent client (parec).
namespace sinkmonitor {

constexpr int kRate = 44100;
constexpr int kWindow = kRate / 20; // 50 ms

// Records the default output's monitor, 16-bit stereo.
class Monitor {
public:
    Monitor() {
        path_ = dir_.filePath(QStringLiteral("monitor.raw"));
        proc_.setStandardOutputFile(path_);
        proc_.start(QStringLiteral("parec"),
                    {"--raw", "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=10",
                     "-d", "rec_sink.monitor"});
    }
    bool started() { return proc_.waitForStarted() && (QTest::qWait(300), true); }
    // Everything recorded, silence included.
    QVector<qint16> stop() {
        QTest::qWait(400); // the end of what played still reaches the monitor
        proc_.terminate();
        proc_.waitForFinished();
        const QByteArray raw = testsupport::readFile(path_);
        QVector<qint16> s(raw.size() / 2);
        std::memcpy(s.data(), raw.constData(), static_cast<size_t>(s.size()) * 2);
        return s;
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QProcess proc_;
};

// Amplitude of a tone in one channel of `frames` frames from `first`.
inline double amplitude(const QVector<qint16> &s, qsizetype first, qsizetype frames, int channel,
                        double hz) {
    double re = 0;
    double im = 0;
    for (qsizetype f = 0; f < frames; ++f) {
        const double w = 2.0 * M_PI * hz * double(f) / kRate;
        const double v = s[(first + f) * 2 + channel] / 32768.0;
        re += v * std::cos(w);
        im += v * std::sin(w);
    }
    return frames > 0 ? 2.0 * std::sqrt(re * re + im * im) / double(frames) : 0.0;
}

// The tone each 50 ms window holds most of, among `tones`; 0 for a quiet window.
inline QVector<double> windows(const QVector<qint16> &s, const QVector<double> &tones,
                               int channel = 0, double floor = 0.02) {
    QVector<double> out;
    for (qsizetype at = 0; (at + kWindow) * 2 <= s.size(); at += kWindow) {
        double best = 0;
        double bestAmp = floor;
        for (double hz : tones) {
            const double a = amplitude(s, at, kWindow, channel, hz);
            if (a > bestAmp) {
                bestAmp = a;
                best = hz;
            }
        }
        out << best;
    }
    return out;
}

inline int count(const QVector<double> &w, double hz) {
    return static_cast<int>(std::count(w.begin(), w.end(), hz));
}

// The loudest amplitude of a tone in any 50 ms window of one channel.
inline double peakAmplitude(const QVector<qint16> &s, int channel, double hz) {
    double best = 0;
    for (qsizetype at = 0; (at + kWindow) * 2 <= s.size(); at += kWindow)
        best = std::max(best, amplitude(s, at, kWindow, channel, hz));
    return best;
}

} // namespace sinkmonitor

#include "SoundTestUtil.h"

#include <QFileInfo>

namespace sinkmonitor {

// A file of a tone in the format its name ends in, encoded by the usual tool of that format
// (WAV written directly; sox, lame, oggenc, ffmpeg); empty when that fails. `segments` tones
// of `seconds` each follow one another, so a position can be told by ear.
inline QString encodedTone(const QTemporaryDir &dir, const QString &name,
                           const QVector<double> &segments, double seconds) {
    QVector<qint16> samples;
    for (double hz : segments)
        samples += testsupport::sineTone(kRate, 1, static_cast<int>(seconds * kRate), hz);
    const QString wav = dir.filePath(name + QStringLiteral(".src.wav"));
    if (!soundtest::writeWav(wav, kRate, 1, samples))
        return {};
    const QString path = dir.filePath(name);
    const QString ext = QFileInfo(name).suffix().toLower();
    QFile::remove(path);
    if (ext == QLatin1String("wav"))
        return QFile::copy(wav, path) ? path : QString();
    testsupport::ToolResult r;
    if (ext == QLatin1String("mp3"))
        r = testsupport::runTool(QStringLiteral("lame"), {"--quiet", "-V", "4", wav, path});
    else if (ext == QLatin1String("ogg"))
        r = testsupport::runTool(QStringLiteral("oggenc"), {"-Q", "-o", path, wav});
    else if (ext == QLatin1String("wma"))
        r = testsupport::runTool(QStringLiteral("ffmpeg"),
                                 {"-v", "quiet", "-y", "-i", wav, "-c:a", "wmav2", path});
    else
        r = testsupport::runTool(QStringLiteral("sox"), {wav, path});
    return r.exitCode == 0 && QFileInfo(path).size() > 0 ? path : QString();
}

} // namespace sinkmonitor
