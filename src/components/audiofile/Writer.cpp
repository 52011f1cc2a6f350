#include "audiofile/Detail.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <cstring>

namespace pelvanto::audiofile_detail {

Writer::~Writer() {
    swr_free(&m_swr);
}

Reader::~Reader() = default;

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

void Writer::setInput(int rate, int channels, bool highQuality) {
    swr_free(&m_swr);
    m_partial.clear();
    m_inRate = rate > 0 ? rate : m_rate;
    m_inChannels = channels > 0 ? channels : m_channels;
    m_highQuality = highQuality;
    if (m_inRate == m_rate && m_inChannels == m_channels)
        return;
    AVChannelLayout inLayout;
    AVChannelLayout outLayout;
    av_channel_layout_default(&inLayout, m_inChannels);
    av_channel_layout_default(&outLayout, m_channels);
    if (swr_alloc_set_opts2(&m_swr, &outLayout, AV_SAMPLE_FMT_S16, m_rate, &inLayout,
                            AV_SAMPLE_FMT_S16, m_inRate, 0, nullptr) < 0) {
        m_swr = nullptr;
    } else {
        if (m_highQuality) {
            av_opt_set_int(m_swr, "filter_size", 64, 0);
            av_opt_set_int(m_swr, "phase_shift", 14, 0);
        }
        if (swr_init(m_swr) < 0)
            swr_free(&m_swr);
    }
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
}

bool Writer::writeInput(const qint16 *samples, qint64 elements, QString *error) {
    if (m_inChannels == 0)
        setInput(0, 0, m_highQuality);
    const bool convert = m_inRate != m_rate || m_inChannels != m_channels;
    if (convert && m_swr == nullptr) {
        *error = QStringLiteral("cannot convert %1 Hz, %2 channels to the output format")
                     .arg(m_inRate)
                     .arg(m_inChannels);
        return false;
    }
    // Blocks need not end on a frame boundary: keep the incomplete frame for the next block.
    const qint16 *data = samples;
    qint64 count = elements;
    QVector<qint16> joined;
    if (!m_partial.isEmpty()) {
        joined = m_partial;
        joined.append(QVector<qint16>(samples, samples + elements));
        m_partial.clear();
        data = joined.constData();
        count = joined.size();
    }
    const qint64 frames = count / m_inChannels;
    const qint64 rest = count - frames * m_inChannels;
    if (rest > 0)
        m_partial = QVector<qint16>(data + frames * m_inChannels, data + count);
    if (frames == 0)
        return true;
    if (!convert) {
        if (!write(data, frames, error))
            return false;
        m_framesWritten += frames;
        return true;
    }
    const int outFrames = swr_get_out_samples(m_swr, static_cast<int>(frames));
    m_converted.resize(static_cast<qsizetype>(outFrames + 16) * m_channels);
    auto *out = reinterpret_cast<uint8_t *>(m_converted.data());
    const auto *in = reinterpret_cast<const uint8_t *>(data);
    const int got = swr_convert(m_swr, &out, outFrames + 16, &in, static_cast<int>(frames));
    if (got < 0) {
        *error = QStringLiteral("sample rate conversion failed");
        return false;
    }
    if (got > 0) {
        if (!write(m_converted.constData(), got, error))
            return false;
        m_framesWritten += got;
    }
    return true;
}

bool Writer::flushConverter(QString *error) {
    if (m_swr == nullptr)
        return true;
    m_converted.resize(qsizetype{4096} * m_channels);
    auto *out = reinterpret_cast<uint8_t *>(m_converted.data());
    for (;;) {
        const int got = swr_convert(m_swr, &out, 4096, nullptr, 0);
        if (got <= 0)
            return true;
        if (!write(m_converted.constData(), got, error))
            return false;
        m_framesWritten += got;
    }
}

bool Writer::finish(QString *error) {
    QString flushError;
    const bool flushed = flushConverter(&flushError);
    const bool closed = close(error);
    if (!flushed && closed)
        *error = flushError;
    return flushed && closed;
}

} // namespace pelvanto::audiofile_detail
