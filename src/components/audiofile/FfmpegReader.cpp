// Decodes every container and codec FFmpeg knows into interleaved 16-bit samples.
#include "audiofile/Detail.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace pelvanto::audiofile_detail {

namespace {

// Hostile input must not keep a call busy for ever: each open, read or seek gets this long.
constexpr qint64 kCallBudgetMs = 20000;
// Packets in a row that yield no audio before the stream counts as unreadable.
constexpr int kMaxBarrenPackets = 20000;
// Frames without a time stamp dropped after a seek before the landing point is trusted.
constexpr int kMaxFramesWithoutPts = 64;

int interruptCheck(void *opaque) {
    const auto *timer = static_cast<const QElapsedTimer *>(opaque);
    return timer->isValid() && timer->elapsed() > kCallBudgetMs ? 1 : 0;
}

QString codecDescription(const AVCodecParameters *par, const AVFormatContext *fmt) {
    const AVCodecDescriptor *desc = avcodec_descriptor_get(par->codec_id);
    QString codec = desc != nullptr && desc->long_name != nullptr
                        ? QString::fromUtf8(desc->long_name)
                        : QStringLiteral("unknown codec");
    QString text =
        QStringLiteral("%1 %2").arg(QString::fromUtf8(fmt->iformat->name).toUpper(), codec);
    if (par->bit_rate > 0)
        text += QStringLiteral(", %1 kbit/s").arg(par->bit_rate / 1000);
    else if (fmt->bit_rate > 0)
        text += QStringLiteral(", %1 kbit/s").arg(fmt->bit_rate / 1000);
    else if (par->bits_per_coded_sample > 0)
        text += QStringLiteral(", %1-bit").arg(par->bits_per_coded_sample);
    return text;
}

// The encoder delay and padding of an MP3 with a LAME (or FFmpeg) info tag: the decoder drops
// them, so the length the stream header gives is that much too long.
qint64 mp3GaplessTrim(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    QByteArray head = file.read(10);
    qint64 start = 0;
    if (head.size() == 10 && head.startsWith("ID3")) {
        const auto *h = reinterpret_cast<const uchar *>(head.constData());
        start =
            10 + ((h[6] & 0x7f) << 21 | (h[7] & 0x7f) << 14 | (h[8] & 0x7f) << 7 | (h[9] & 0x7f));
    }
    if (!file.seek(start))
        return 0;
    head = file.read(4096);
    const auto *d = reinterpret_cast<const uchar *>(head.constData());
    qsizetype sync = 0;
    while (sync + 1 < head.size() && !(d[sync] == 0xff && (d[sync + 1] & 0xe0) == 0xe0))
        ++sync;
    qsizetype tag = head.indexOf("Xing", sync);
    if (tag < 0 || tag > sync + 64)
        tag = head.indexOf("Info", sync);
    if (tag < 0 || tag > sync + 64 || tag + 8 > head.size())
        return 0;
    const quint32 flags = qFromBigEndian<quint32>(d + tag + 4);
    qsizetype at = tag + 8;
    if (flags & 1)
        at += 4;
    if (flags & 2)
        at += 4;
    if (flags & 4)
        at += 100;
    if (flags & 8)
        at += 4;
    // Encoder name (9), revision, low-pass, replay gain (8), flags, ABR: then 12 + 12 bits.
    if (at + 24 > head.size())
        return 0;
    const QByteArray encoder = head.mid(at, 4);
    if (encoder != "LAME" && encoder != "Lavc" && encoder != "Lavf")
        return 0;
    const qsizetype gap = at + 21;
    const int delay = (d[gap] << 4) | (d[gap + 1] >> 4);
    const int padding = ((d[gap + 1] & 0x0f) << 8) | d[gap + 2];
    return delay + padding;
}

// Size of the data chunk a RIFF WAVE header declares, or -1. FFmpeg replaces a size that runs
// past the end of the file with what is there; the declared size is what tells a cut-off copy.
qint64 wavDeclaredDataBytes(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return -1;
    constexpr int kMaxChunks = 64;
    qint64 at = 12;
    for (int i = 0; i < kMaxChunks && file.seek(at); ++i) {
        const QByteArray head = file.read(8);
        if (head.size() < 8)
            return -1;
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + 4);
        if (head.startsWith("data"))
            return size == 0 || size == 0xffffffffU ? -1 : static_cast<qint64>(size);
        at += 8 + static_cast<qint64>(size) + (size & 1U);
    }
    return -1;
}

class FfmpegReader : public Reader {
public:
    ~FfmpegReader() override {
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        swr_free(&m_swr);
        avcodec_free_context(&m_ctx);
        avformat_close_input(&m_fmt);
    }

    bool open(const QString &path, const AVInputFormat *forced, AVDictionary **options,
              QString *error) {
        m_timer.start();
        m_fmt = avformat_alloc_context();
        if (m_fmt == nullptr) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        m_fmt->interrupt_callback.callback = interruptCheck;
        m_fmt->interrupt_callback.opaque = &m_timer;
        if (avformat_open_input(&m_fmt, QFile::encodeName(path).constData(), forced, options) < 0) {
            m_fmt = nullptr; // freed by avformat_open_input on failure
            *error = QStringLiteral("not an audio file FFmpeg can read");
            return false;
        }
        if (avformat_find_stream_info(m_fmt, nullptr) < 0) {
            *error = QStringLiteral("unreadable stream information");
            return false;
        }
        const AVCodec *codec = nullptr;
        m_streamIndex = av_find_best_stream(m_fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (m_streamIndex < 0 || codec == nullptr) {
            *error = QStringLiteral("no decodable audio stream");
            return false;
        }
        m_stream = m_fmt->streams[m_streamIndex];
        for (unsigned i = 0; i < m_fmt->nb_streams; ++i) {
            if (static_cast<int>(i) != m_streamIndex)
                m_fmt->streams[i]->discard = AVDISCARD_ALL;
        }
        m_ctx = avcodec_alloc_context3(codec);
        if (m_ctx == nullptr || avcodec_parameters_to_context(m_ctx, m_stream->codecpar) < 0) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        m_ctx->pkt_timebase = m_stream->time_base;
        if (avcodec_open2(m_ctx, codec, nullptr) < 0) {
            *error = QStringLiteral("the decoder refuses this stream");
            return false;
        }
        const int channels = m_ctx->ch_layout.nb_channels;
        if (m_ctx->sample_rate < 1000 || m_ctx->sample_rate > 768000 || channels < 1 ||
            channels > 64) {
            *error = QStringLiteral("implausible sample rate or channel count");
            return false;
        }
        m_rate = m_ctx->sample_rate;
        // More than two channels are mixed down: the rest of the program plays stereo at most.
        m_channels = channels > 2 ? 2 : channels;
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (m_frame == nullptr || m_packet == nullptr)
            return false;
        m_length = streamLength();
        if (m_ctx->codec_id == AV_CODEC_ID_MP3 && m_length > 0)
            m_length = qMax<qint64>(0, m_length - mp3GaplessTrim(path));
        const int pcmBits = av_get_exact_bits_per_sample(m_ctx->codec_id);
        if (std::strcmp(m_fmt->iformat->name, "wav") == 0 && pcmBits > 0) {
            const qint64 declared = wavDeclaredDataBytes(path) * 8 / (pcmBits * channels);
            m_length = qMax(m_length, declared);
        }
        QString text = codecDescription(m_stream->codecpar, m_fmt);
        m_description =
            QStringLiteral("%1, %2 Hz, %3").arg(text).arg(m_rate).arg(channelText(m_channels));
        return true;
    }

    qint64 read(qint16 *out, qint64 maxFrames) override {
        m_timer.start();
        qint64 done = 0;
        while (done < maxFrames) {
            const qint64 available = (m_pending.size() - m_pendingAt) / m_channels;
            if (available > 0) {
                const qint64 take = qMin(available, maxFrames - done);
                std::memcpy(out + done * m_channels, m_pending.constData() + m_pendingAt,
                            static_cast<size_t>(take * m_channels) * sizeof(qint16));
                m_pendingAt += take * m_channels;
                done += take;
                m_position += take;
                continue;
            }
            m_pending.clear();
            m_pendingAt = 0;
            if (!decodeMore())
                break;
        }
        return done;
    }

    qint64 seek(qint64 frame) override {
        m_timer.start();
        if (frame < 0)
            frame = 0;
        if (m_length > 0 && frame > m_length)
            frame = m_length;
        // Land a little before the target and decode up to it: codecs with inter-frame state
        // (MP3's bit reservoir, Vorbis overlap) then give exact samples from the target on.
        const qint64 preroll = m_rate / 4;
        const qint64 landing = qMax<qint64>(0, frame - preroll);
        qint64 ts = av_rescale_q(landing, AVRational{1, m_rate}, m_stream->time_base);
        if (m_stream->start_time != AV_NOPTS_VALUE)
            ts += m_stream->start_time;
        int rc = av_seek_frame(m_fmt, m_streamIndex, ts, AVSEEK_FLAG_BACKWARD);
        if (rc < 0)
            rc = av_seek_frame(m_fmt, m_streamIndex, ts, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
        bool restarted = true;
        if (rc >= 0) {
            m_position = landing; // refined by the first decoded frame's time stamp
            m_needPosition = true;
        } else if (frame < m_position) {
            // No index to seek by: start again from the beginning and decode forward.
            if (av_seek_frame(m_fmt, -1, 0, AVSEEK_FLAG_BYTE | AVSEEK_FLAG_BACKWARD) < 0)
                return m_position;
            m_position = 0;
            m_needPosition = false;
        } else {
            restarted = false; // decode forward from where the reader is
        }
        if (restarted) {
            avcodec_flush_buffers(m_ctx);
            m_pending.clear();
            m_pendingAt = 0;
            m_eof = false;
            m_draining = false;
        }
        while (m_position < frame) {
            if (m_pending.size() - m_pendingAt == 0) {
                m_pending.clear();
                m_pendingAt = 0;
                if (!decodeMore())
                    break;
                continue;
            }
            const qint64 available = (m_pending.size() - m_pendingAt) / m_channels;
            const qint64 skip = qMin(available, frame - m_position);
            m_pendingAt += skip * m_channels;
            m_position += skip;
        }
        return m_position;
    }

private:
    qint64 streamLength() const {
        if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
            return av_rescale_q(m_stream->duration, m_stream->time_base, AVRational{1, m_rate});
        if (m_fmt->duration != AV_NOPTS_VALUE && m_fmt->duration > 0)
            return av_rescale(m_fmt->duration, m_rate, AV_TIME_BASE);
        return 0;
    }

    bool ensureConverter() {
        if (m_swr != nullptr && m_frame->sample_rate == m_swrRate &&
            m_frame->format == m_swrFormat &&
            av_channel_layout_compare(&m_frame->ch_layout, &m_swrLayout) == 0)
            return true;
        swr_free(&m_swr);
        av_channel_layout_uninit(&m_swrLayout);
        if (av_channel_layout_copy(&m_swrLayout, &m_frame->ch_layout) < 0)
            return false;
        if (m_swrLayout.order == AV_CHANNEL_ORDER_UNSPEC) {
            const int n = m_swrLayout.nb_channels;
            av_channel_layout_uninit(&m_swrLayout);
            av_channel_layout_default(&m_swrLayout, n);
        }
        AVChannelLayout out;
        av_channel_layout_default(&out, m_channels);
        // Keep the file's rate: a changing rate mid-stream is resampled to the first one.
        const int rc = swr_alloc_set_opts2(&m_swr, &out, AV_SAMPLE_FMT_S16, m_rate, &m_swrLayout,
                                           static_cast<AVSampleFormat>(m_frame->format),
                                           m_frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&out);
        if (rc < 0 || swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            return false;
        }
        m_swrRate = m_frame->sample_rate;
        m_swrFormat = m_frame->format;
        return true;
    }

    // Converts m_frame into m_pending; false when the frame is unusable.
    bool takeFrame() {
        if (m_frame->nb_samples <= 0 || m_frame->sample_rate <= 0 ||
            m_frame->ch_layout.nb_channels < 1 || !ensureConverter())
            return false;
        if (m_needPosition) {
            // After a seek only a frame with its own time stamp tells where the reader is;
            // frames before it are dropped (they lie in the preroll before the target).
            const qint64 pts = m_frame->pts;
            if (pts == AV_NOPTS_VALUE && ++m_framesWithoutPts <= kMaxFramesWithoutPts)
                return false;
            if (pts != AV_NOPTS_VALUE) {
                qint64 rel = pts;
                if (m_stream->start_time != AV_NOPTS_VALUE)
                    rel -= m_stream->start_time;
                m_position =
                    qMax<qint64>(0, av_rescale_q(rel, m_stream->time_base, AVRational{1, m_rate}));
            }
            m_needPosition = false;
            m_framesWithoutPts = 0;
        }
        const int capacity = swr_get_out_samples(m_swr, m_frame->nb_samples) + 32;
        if (capacity <= 0 || capacity > (1 << 24))
            return false;
        m_pending.resize(static_cast<qsizetype>(capacity) * m_channels);
        auto *out = reinterpret_cast<uint8_t *>(m_pending.data());
        const int got =
            swr_convert(m_swr, &out, capacity, const_cast<const uint8_t **>(m_frame->extended_data),
                        m_frame->nb_samples);
        m_pending.resize(got > 0 ? static_cast<qsizetype>(got) * m_channels : 0);
        m_pendingAt = 0;
        return true;
    }

    // Decodes until some samples are pending; false at the end of the stream.
    bool decodeMore() {
        int barren = 0;
        while (!m_eof || m_draining) {
            const int rc = avcodec_receive_frame(m_ctx, m_frame);
            if (rc == 0) {
                const bool ok = takeFrame();
                av_frame_unref(m_frame);
                if (ok && !m_pending.isEmpty())
                    return true;
                if (++barren > kMaxBarrenPackets)
                    return false;
                continue;
            }
            if (rc == AVERROR_EOF) {
                m_draining = false;
                m_eof = true;
                return false;
            }
            if (rc != AVERROR(EAGAIN)) {
                // A decoder that failed hard: give it the next packet anyway, corrupt frames
                // are skipped rather than ending the file.
                if (++barren > kMaxBarrenPackets)
                    return false;
            }
            if (m_draining)
                return false;
            if (++barren > kMaxBarrenPackets || interruptCheck(&m_timer) != 0)
                return false;
            const int read = av_read_frame(m_fmt, m_packet);
            if (read < 0) {
                m_eof = true;
                m_draining = true;
                avcodec_send_packet(m_ctx, nullptr);
                continue;
            }
            if (m_packet->stream_index == m_streamIndex)
                avcodec_send_packet(m_ctx, m_packet);
            av_packet_unref(m_packet);
        }
        return false;
    }

    QElapsedTimer m_timer;
    AVFormatContext *m_fmt = nullptr;
    AVStream *m_stream = nullptr;
    AVCodecContext *m_ctx = nullptr;
    AVFrame *m_frame = nullptr;
    AVPacket *m_packet = nullptr;
    SwrContext *m_swr = nullptr;
    AVChannelLayout m_swrLayout{};
    int m_swrRate = 0;
    int m_swrFormat = -1;
    int m_streamIndex = -1;
    QVector<qint16> m_pending;
    qsizetype m_pendingAt = 0;
    qint64 m_position = 0;
    bool m_eof = false;
    bool m_draining = false;
    bool m_needPosition = false;
    int m_framesWithoutPts = 0;
};

} // namespace

std::unique_ptr<Reader> openFfmpegReader(const QString &path, QString *error) {
    auto reader = std::make_unique<FfmpegReader>();
    if (reader->open(path, nullptr, nullptr, error))
        return reader;
    return nullptr;
}

std::unique_ptr<Reader> openHeaderlessG726Reader(const QString &path, const G726Format &f,
                                                 QString *error) {
    const AVInputFormat *format = av_find_input_format("g726");
    if (format == nullptr) {
        *error = QStringLiteral("no headerless G.726 reader available");
        return nullptr;
    }
    AVDictionary *options = nullptr;
    av_dict_set_int(&options, "code_size", f.bits, 0);
    av_dict_set_int(&options, "sample_rate", f.rate, 0);
    auto reader = std::make_unique<FfmpegReader>();
    const bool ok = reader->open(path, format, &options, error);
    av_dict_free(&options);
    if (ok)
        return reader;
    return nullptr;
}

} // namespace pelvanto::audiofile_detail
