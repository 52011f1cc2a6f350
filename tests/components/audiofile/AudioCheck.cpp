#include "AudioCheck.h"

#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <cmath>
#include <random>

namespace audiocheck {

Probe probe(const QString &path, const QStringList &inputArgs) {
    Probe p;
    QStringList args{
        QStringLiteral("-v"),   QStringLiteral("error"),         QStringLiteral("-of"),
        QStringLiteral("json"), QStringLiteral("-show_streams"), QStringLiteral("-show_format")};
    args += inputArgs;
    args << QStringLiteral("-i") << path;
    const auto r = testsupport::runTool(QStringLiteral("ffprobe"), args);
    if (r.exitCode != 0)
        return p;
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    for (const auto &v : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject s = v.toObject();
        if (s.value(QStringLiteral("codec_type")).toString() != QLatin1String("audio"))
            continue;
        p.ok = true;
        p.codec = s.value(QStringLiteral("codec_name")).toString();
        p.rate = s.value(QStringLiteral("sample_rate")).toString().toInt();
        p.channels = s.value(QStringLiteral("channels")).toInt();
        p.duration = s.value(QStringLiteral("duration")).toString().toDouble();
        p.bitrate = s.value(QStringLiteral("bit_rate")).toString().toLongLong();
        break;
    }
    const QJsonObject format = root.value(QStringLiteral("format")).toObject();
    p.format = format.value(QStringLiteral("format_name")).toString();
    if (p.duration <= 0)
        p.duration = format.value(QStringLiteral("duration")).toString().toDouble();
    return p;
}

QVector<qint16> decodeMono(const QString &path, const QStringList &inputArgs, bool *ok) {
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin")};
    args += inputArgs;
    args << QStringLiteral("-i") << path << QStringLiteral("-ac") << QStringLiteral("1")
         << QStringLiteral("-f") << QStringLiteral("s16le") << QStringLiteral("-");
    const auto r = testsupport::runTool(QStringLiteral("ffmpeg"), args);
    if (ok != nullptr)
        *ok = r.exitCode == 0;
    QVector<qint16> out(r.out.size() / 2);
    std::memcpy(out.data(), r.out.constData(), static_cast<size_t>(out.size()) * 2);
    return out;
}

double toneFrequency(const QVector<qint16> &mono, int rate) {
    const qsizetype from = mono.size() / 10;
    const qsizetype to = mono.size() - mono.size() / 10;
    if (to - from < 16 || rate <= 0)
        return 0;
    int crossings = 0;
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = from + 1; i < to; ++i) {
        if ((mono[i - 1] < 0 && mono[i] >= 0)) {
            if (first < 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

double bandPower(const QVector<qint16> &mono, int rate, double lo, double hi) {
    constexpr int kWindow = 2048;
    double total = 0;
    int count = 0;
    for (qsizetype start = 0; start + kWindow <= mono.size(); start += qsizetype{kWindow} * 4) {
        const int steps = static_cast<int>((hi - lo) / 250);
        for (int step = 0; step <= steps; ++step) {
            const double f = lo + step * 250.0;
            const double w = 2.0 * M_PI * f / rate;
            const double coeff = 2.0 * std::cos(w);
            double s1 = 0;
            double s2 = 0;
            for (int i = 0; i < kWindow; ++i) {
                const double s0 = mono[start + i] / 32768.0 + coeff * s1 - s2;
                s2 = s1;
                s1 = s0;
            }
            total += s1 * s1 + s2 * s2 - coeff * s1 * s2;
            ++count;
        }
    }
    return count > 0 ? total / count : 0;
}

QVector<qint16> toMono(const QVector<qint16> &interleaved, int channels) {
    if (channels <= 1)
        return interleaved;
    QVector<qint16> out(interleaved.size() / channels);
    for (qsizetype i = 0; i < out.size(); ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[i * channels + c];
        out[i] = static_cast<qint16>(sum / channels);
    }
    return out;
}

VorbisBitrates vorbisBitrates(const QString &path) {
    VorbisBitrates out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const QByteArray head = file.read(512);
    // First page: "OggS", version, type, granule (8), serial, sequence, CRC, segment count and
    // table; its body starts with the identification packet.
    constexpr int kSegmentsAt = 26;
    if (head.size() < kSegmentsAt + 1 || !head.startsWith("OggS"))
        return out;
    const int body = kSegmentsAt + 1 + static_cast<quint8>(head[kSegmentsAt]);
    const QByteArray packet = head.mid(body, 30);
    if (packet.size() < 28 || !packet.startsWith("\x01vorbis"))
        return out;
    // Type and "vorbis" (7), version (4), channels (1), rate (4), then the three bit rates.
    const auto le32 = [&packet](int at) {
        return qFromLittleEndian<qint32>(reinterpret_cast<const uchar *>(packet.constData()) + at);
    };
    out.maximum = le32(16);
    out.nominal = le32(20);
    out.minimum = le32(24);
    out.ok = true;
    return out;
}

QVector<qint16> noise(int frames, int channels, double amplitude) {
    std::mt19937 gen(1234);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    QVector<qint16> out(static_cast<qsizetype>(frames) * channels);
    for (auto &s : out)
        s = static_cast<qint16>(dist(gen) * 32767);
    return out;
}

} // namespace audiocheck
