// WMA (wmav2 in ASF) through libavformat/libavcodec, with our own table of profiles.
#include "audiofile/Detail.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <QFile>

#include <algorithm>

namespace pelvanto {

const QList<WmaProfile> &AudioFile::WmaProfiles() {
    static const QList<WmaProfile> table = {
        // mono
        {24, 8000, 1},
        {32, 8000, 1},
        {24, 11025, 1},
        {32, 11025, 1},
        {24, 16000, 1},
        {32, 16000, 1},
        {48, 16000, 1},
        {24, 22050, 1},
        {32, 22050, 1},
        {48, 22050, 1},
        {64, 22050, 1},
        {32, 32000, 1},
        {48, 32000, 1},
        {64, 32000, 1},
        {32, 44100, 1},
        {48, 44100, 1},
        {64, 44100, 1},
        {96, 44100, 1},
        {128, 44100, 1},
        {48, 48000, 1},
        {64, 48000, 1},
        {96, 48000, 1},
        {128, 48000, 1},
        {160, 48000, 1},
        // stereo
        {24, 8000, 2},
        {32, 8000, 2},
        {24, 11025, 2},
        {32, 11025, 2},
        {32, 16000, 2},
        {48, 16000, 2},
        {32, 22050, 2},
        {48, 22050, 2},
        {64, 22050, 2},
        {48, 32000, 2},
        {64, 32000, 2},
        {48, 44100, 2},
        {64, 44100, 2},
        {96, 44100, 2},
        {128, 44100, 2},
        {160, 44100, 2},
        {192, 44100, 2},
        {256, 44100, 2},
        {320, 44100, 2},
        {64, 48000, 2},
        {96, 48000, 2},
        {128, 48000, 2},
        {160, 48000, 2},
        {192, 48000, 2},
        {256, 48000, 2},
        {320, 48000, 2},
        {96, 32000, 2},
    };
    return table;
}

namespace audiofile_detail {

QString describeWma(int profile) {
    const auto &table = AudioFile::WmaProfiles();
    if (profile < 1 || profile > table.size())
        return {};
    const WmaProfile &p = table.at(profile - 1);
    return QStringLiteral("WMA (wmav2) %1 kbit/s, %2 Hz, %3 (profile %4)")
        .arg(p.bitrateKbps)
        .arg(p.rate)
        .arg(channelText(p.channels))
        .arg(profile);
}

namespace {

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

class WmaWriter : public Writer {
public:
    WmaWriter(int profile, const WmaProfile &p)
        : Writer(p.rate, p.channels), m_profile(profile), m_bitrate(p.bitrateKbps) {}
    ~WmaWriter() override { release(); }

    bool open(const QString &path, QString *error) override {
        const QByteArray file = QFile::encodeName(path);
        int rc = avformat_alloc_output_context2(&m_fmt, nullptr, "asf", file.constData());
        const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (rc < 0 || codec == nullptr) {
            *error = QStringLiteral("no WMA encoder available");
            return false;
        }
        m_stream = avformat_new_stream(m_fmt, nullptr);
        m_ctx = avcodec_alloc_context3(codec);
        if (m_stream == nullptr || m_ctx == nullptr) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        m_ctx->sample_rate = m_rate;
        av_channel_layout_default(&m_ctx->ch_layout, m_channels);
        m_ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_ctx->bit_rate = m_bitrate * 1000LL;
        m_ctx->time_base = AVRational{1, m_rate};
        if (m_fmt->oformat->flags & AVFMT_GLOBALHEADER)
            m_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        rc = avcodec_open2(m_ctx, codec, nullptr);
        if (rc < 0) {
            *error = QStringLiteral("the WMA encoder refuses profile %1: %2")
                         .arg(m_profile)
                         .arg(avError(rc));
            return false;
        }
        avcodec_parameters_from_context(m_stream->codecpar, m_ctx);
        m_stream->time_base = m_ctx->time_base;
        rc = avio_open(&m_fmt->pb, file.constData(), AVIO_FLAG_WRITE);
        if (rc < 0) {
            *error = avError(rc);
            return false;
        }
        rc = avformat_write_header(m_fmt, nullptr);
        if (rc < 0) {
            *error = avError(rc);
            return false;
        }
        m_headerWritten = true;
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        m_frameSize = m_ctx->frame_size > 0 ? m_ctx->frame_size : 2048;
        return m_frame != nullptr && m_packet != nullptr;
    }

    bool write(const qint16 *frames, qint64 count, QString *error) override {
        // Samples go straight into the encoder's frame; a full frame is encoded at once.
        for (qint64 done = 0; done < count;) {
            if (m_fill == 0 && !prepareFrame(error))
                return false;
            const int take = static_cast<int>(qMin<qint64>(m_frameSize - m_fill, count - done));
            const qint16 *in = frames + done * m_channels;
            for (int c = 0; c < m_channels; ++c) {
                float *plane = reinterpret_cast<float *>(m_frame->extended_data[c]) + m_fill;
                for (int i = 0; i < take; ++i)
                    plane[i] = static_cast<float>(in[i * m_channels + c]) * (1.0F / 32768.0F);
            }
            m_fill += take;
            done += take;
            if (m_fill == m_frameSize && !sendFrame(error))
                return false;
        }
        avio_flush(m_fmt->pb);
        if (m_fmt->pb->error < 0) {
            *error = avError(m_fmt->pb->error);
            return false;
        }
        return true;
    }

    bool close(QString *error) override {
        if (m_fmt == nullptr)
            return true;
        bool ok = true;
        if (m_headerWritten) {
            if (m_fill > 0) {
                // The encoder takes whole frames only: pad the tail with silence.
                for (int c = 0; c < m_channels; ++c) {
                    float *plane = reinterpret_cast<float *>(m_frame->extended_data[c]);
                    std::fill(plane + m_fill, plane + m_frameSize, 0.0F);
                }
                m_fill = m_frameSize;
                ok = sendFrame(error);
            }
            ok = ok && send(nullptr, error);
            const int rc = av_write_trailer(m_fmt);
            if (ok && (rc < 0 || m_fmt->pb->error < 0)) {
                *error = avError(rc < 0 ? rc : m_fmt->pb->error);
                ok = false;
            }
        }
        release();
        return ok;
    }

    QString description() const override { return describeWma(m_profile); }

private:
    bool prepareFrame(QString *error) {
        if (m_frame->buf[0] == nullptr) {
            m_frame->nb_samples = m_frameSize;
            m_frame->format = AV_SAMPLE_FMT_FLTP;
            m_frame->sample_rate = m_rate;
            av_channel_layout_copy(&m_frame->ch_layout, &m_ctx->ch_layout);
            if (av_frame_get_buffer(m_frame, 0) < 0) {
                *error = QStringLiteral("out of memory");
                return false;
            }
        } else if (av_frame_make_writable(m_frame) < 0) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        return true;
    }

    bool sendFrame(QString *error) {
        m_frame->pts = m_pts;
        m_pts += m_fill;
        m_fill = 0;
        return send(m_frame, error);
    }

    bool send(AVFrame *frame, QString *error) {
        int rc = avcodec_send_frame(m_ctx, frame);
        if (rc < 0) {
            *error = avError(rc);
            return false;
        }
        for (;;) {
            rc = avcodec_receive_packet(m_ctx, m_packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0) {
                *error = avError(rc);
                return false;
            }
            av_packet_rescale_ts(m_packet, m_ctx->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            rc = av_interleaved_write_frame(m_fmt, m_packet);
            if (rc < 0) {
                *error = avError(rc);
                return false;
            }
        }
    }

    void release() {
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_ctx);
        if (m_fmt != nullptr) {
            if (m_fmt->pb != nullptr)
                avio_closep(&m_fmt->pb);
            avformat_free_context(m_fmt);
            m_fmt = nullptr;
        }
    }

    int m_profile;
    int m_bitrate;
    AVFormatContext *m_fmt = nullptr;
    AVStream *m_stream = nullptr;
    AVCodecContext *m_ctx = nullptr;
    AVFrame *m_frame = nullptr;
    AVPacket *m_packet = nullptr;
    int m_frameSize = 2048;
    qint64 m_pts = 0;
    bool m_headerWritten = false;
    int m_fill = 0; // samples already in m_frame
};

} // namespace

std::unique_ptr<Writer> makeWmaWriter(int profile) {
    const auto &table = AudioFile::WmaProfiles();
    if (profile < 1 || profile > table.size())
        return nullptr;
    return std::make_unique<WmaWriter>(profile, table.at(profile - 1));
}

} // namespace audiofile_detail
} // namespace pelvanto
