#pragma once

// Independent checks of audio files: ffprobe/ffmpeg/sox look at what the component wrote.

#include <QString>
#include <QStringList>
#include <QVector>

namespace audiocheck {

struct Probe {
    bool ok = false;
    QString codec;
    QString format;
    int rate = 0;
    int channels = 0;
    double duration = 0;
    qint64 bitrate = 0;
};

// ffprobe's view of the first audio stream; inputArgs go before -i (headerless formats).
Probe probe(const QString &path, const QStringList &inputArgs = {});
// ffmpeg decodes the file to mono 16-bit at its own rate.
QVector<qint16> decodeMono(const QString &path, const QStringList &inputArgs = {},
                           bool *ok = nullptr);
// The frequency of a pure tone from its zero crossings, leaving out both ends.
double toneFrequency(const QVector<qint16> &mono, int rate);
// Mean power between lo and hi Hz (Goertzel over windows), for spectrum comparisons.
double bandPower(const QVector<qint16> &mono, int rate, double lo, double hi);
// Mixes interleaved samples down to one channel.
QVector<qint16> toMono(const QVector<qint16> &interleaved, int channels);
// The bit rates (bit/s) an Ogg Vorbis stream announces in its identification header; -1 or 0
// where it sets none. ok is false when the file does not start with that header.
struct VorbisBitrates {
    bool ok = false;
    qint32 maximum = 0;
    qint32 nominal = 0;
    qint32 minimum = 0;
};
VorbisBitrates vorbisBitrates(const QString &path);
// Deterministic white noise.
QVector<qint16> noise(int frames, int channels, double amplitude = 0.3);

} // namespace audiocheck
