#pragma once

#include "soundlib/SoundSource.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QVector>

#include <cmath>
#include <sys/stat.h>

namespace soundtest {

// A 16-bit PCM WAV file of interleaved samples.
inline bool writeWav(const QString &path, int rate, int channels, const QVector<qint16> &samples) {
    const auto le = [](quint32 v, int bytes) {
        QByteArray b;
        for (int i = 0; i < bytes; ++i)
            b += char((v >> (8 * i)) & 0xFF);
        return b;
    };
    const auto dataBytes = static_cast<quint32>(samples.size() * 2);
    QByteArray out = "RIFF" + le(36 + dataBytes, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
                     le(static_cast<quint32>(channels), 2) + le(static_cast<quint32>(rate), 4) +
                     le(static_cast<quint32>(rate * channels * 2), 4) +
                     le(static_cast<quint32>(channels * 2), 2) + le(16, 2) + "data" +
                     le(dataBytes, 4);
    out.append(reinterpret_cast<const char *>(samples.constData()), samples.size() * 2);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

// Makes a bad input at `path` by its file name: "dir…" a folder, "fifo…" a named pipe,
// "missing…" nothing at all, anything else a file holding `content`.
inline bool makeBadInput(const QString &path, const QByteArray &content) {
    const QString name = QFileInfo(path).fileName();
    if (name.startsWith(QLatin1String("dir")))
        return QDir().mkpath(path);
    if (name.startsWith(QLatin1String("fifo")))
        return QFileInfo::exists(path) || ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (name.startsWith(QLatin1String("missing")))
        return !QFileInfo::exists(path);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// A source of generated frames: a constant per channel, or a sine when `hz` is set.
class ToneSource : public pelvanto::sound::SoundSource {
public:
    ToneSource(int rate, int channels, qint64 frames, float left, float right, double hz = 0)
        : rate_(rate), channels_(channels), frames_(frames), left_(left), right_(right), hz_(hz) {}
    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    qint64 read(float *out, qint64 frames) override {
        if (failAt_ >= 0 && at_ >= failAt_)
            return -1;
        const qint64 end = failAt_ >= 0 ? std::min(failAt_, frames_) : frames_;
        const qint64 n = std::min(frames, end - at_);
        for (qint64 f = 0; f < n; ++f, ++at_) {
            const float s =
                hz_ > 0 ? static_cast<float>(0.5 * std::sin(2 * M_PI * hz_ * double(at_) / rate_))
                        : 0.0F;
            out[f * channels_] = hz_ > 0 ? s : left_;
            if (channels_ == 2)
                out[f * 2 + 1] = hz_ > 0 ? s : right_;
        }
        return n;
    }
    qint64 lengthMs() const override { return frames_ * 1000 / rate_; }
    qint64 positionMs() const override { return at_ * 1000 / rate_; }
    bool seekMs(qint64 ms) override {
        at_ = ms * rate_ / 1000;
        return true;
    }
    void failFrom(qint64 frame) { failAt_ = frame; }

private:
    int rate_;
    int channels_;
    qint64 frames_;
    float left_;
    float right_;
    double hz_;
    qint64 at_ = 0;
    qint64 failAt_ = -1;
};

// Frequency of a clean tone in one channel of interleaved floats, from rising zero crossings.
inline double toneHz(const std::vector<float> &s, int channels, int channel, int rate) {
    qsizetype first = -1;
    qsizetype last = -1;
    int crossings = 0;
    const auto frames = static_cast<qsizetype>(s.size()) / channels;
    for (qsizetype f = 1; f < frames; ++f) {
        if (s[(f - 1) * channels + channel] < 0 && s[f * channels + channel] >= 0) {
            if (first < 0)
                first = f;
            else
                ++crossings;
            last = f;
        }
    }
    return crossings > 0 ? crossings * double(rate) / double(last - first) : 0;
}

} // namespace soundtest
