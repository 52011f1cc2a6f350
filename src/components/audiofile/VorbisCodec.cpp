// Ogg Vorbis through libvorbisenc and libogg; pages are flushed after every block.
#include "audiofile/Detail.h"

#include <vorbis/vorbisenc.h>

#include <QFile>

#include <cstdio>
#include <random>

namespace pelvanto::audiofile_detail {

namespace {

int initEncoder(vorbis_info *vi, const OggFormat &f) {
    if (f.quality >= 0)
        return vorbis_encode_init_vbr(vi, f.channels, f.rate, f.quality / 1000.0F);
    const long nominal = f.nominal * 1000L;
    if (f.minimum == 0 && f.maximum == 0)
        return vorbis_encode_init(vi, f.channels, f.rate, -1, nominal, -1);
    return vorbis_encode_init(vi, f.channels, f.rate, f.maximum > 0 ? f.maximum * 1000L : -1,
                              nominal, f.minimum > 0 ? f.minimum * 1000L : -1);
}

class VorbisWriter : public Writer {
public:
    explicit VorbisWriter(const OggFormat &f) : Writer(f.rate, f.channels), m_format(f) {}
    ~VorbisWriter() override {
        release();
        if (m_file != nullptr)
            std::fclose(m_file);
    }

    bool open(const QString &path, QString *error) override {
        vorbis_info_init(&m_vi);
        m_infoReady = true;
        if (initEncoder(&m_vi, m_format) != 0) {
            *error = QStringLiteral("the Ogg Vorbis encoder refuses these settings");
            return false;
        }
        m_file = std::fopen(QFile::encodeName(path).constData(), "wb");
        if (m_file == nullptr) {
            *error = systemError();
            return false;
        }
        vorbis_comment_init(&m_vc);
        vorbis_comment_add_tag(&m_vc, "ENCODER", "Pelvanto");
        vorbis_analysis_init(&m_vd, &m_vi);
        vorbis_block_init(&m_vd, &m_vb);
        std::random_device rd;
        ogg_stream_init(&m_os, static_cast<int>(rd() & 0x7fffffff));
        m_streamReady = true;
        ogg_packet header;
        ogg_packet comments;
        ogg_packet codebooks;
        vorbis_analysis_headerout(&m_vd, &m_vc, &header, &comments, &codebooks);
        ogg_stream_packetin(&m_os, &header);
        ogg_stream_packetin(&m_os, &comments);
        ogg_stream_packetin(&m_os, &codebooks);
        return flushPages(error, true);
    }

    bool write(const qint16 *frames, qint64 count, QString *error) override {
        constexpr qint64 kChunk = 8192;
        for (qint64 done = 0; done < count;) {
            const int n = static_cast<int>(qMin(kChunk, count - done));
            float **buffer = vorbis_analysis_buffer(&m_vd, n);
            const qint16 *in = frames + done * m_channels;
            for (int i = 0; i < n; ++i) {
                for (int c = 0; c < m_channels; ++c)
                    buffer[c][i] = static_cast<float>(in[i * m_channels + c]) / 32768.0F;
            }
            vorbis_analysis_wrote(&m_vd, n);
            if (!drain(error, false))
                return false;
            done += n;
        }
        return flushPages(error, true);
    }

    bool close(QString *error) override {
        if (m_file == nullptr)
            return true;
        bool ok = true;
        if (m_streamReady) {
            vorbis_analysis_wrote(&m_vd, 0);
            ok = drain(error, false) && flushPages(error, true);
        }
        release();
        if (std::fclose(m_file) != 0 && ok) {
            *error = systemError();
            ok = false;
        }
        m_file = nullptr;
        return ok;
    }

    QString description() const override { return describeOgg(m_format); }

private:
    bool drain(QString *error, bool force) {
        while (vorbis_analysis_blockout(&m_vd, &m_vb) == 1) {
            vorbis_analysis(&m_vb, nullptr);
            vorbis_bitrate_addblock(&m_vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&m_vd, &packet) != 0) {
                ogg_stream_packetin(&m_os, &packet);
                if (!flushPages(error, force))
                    return false;
            }
        }
        return true;
    }

    bool flushPages(QString *error, bool force) {
        ogg_page page;
        for (;;) {
            const int got =
                force ? ogg_stream_flush(&m_os, &page) : ogg_stream_pageout(&m_os, &page);
            if (got == 0)
                break;
            if (std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), m_file) !=
                    static_cast<size_t>(page.header_len) ||
                std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), m_file) !=
                    static_cast<size_t>(page.body_len)) {
                *error = systemError();
                return false;
            }
        }
        if (force && std::fflush(m_file) != 0) {
            *error = systemError();
            return false;
        }
        return true;
    }

    void release() {
        if (m_streamReady) {
            ogg_stream_clear(&m_os);
            vorbis_block_clear(&m_vb);
            vorbis_dsp_clear(&m_vd);
            vorbis_comment_clear(&m_vc);
            m_streamReady = false;
        }
        if (m_infoReady) {
            vorbis_info_clear(&m_vi);
            m_infoReady = false;
        }
    }

    OggFormat m_format;
    std::FILE *m_file = nullptr;
    vorbis_info m_vi{};
    vorbis_comment m_vc{};
    vorbis_dsp_state m_vd{};
    vorbis_block m_vb{};
    ogg_stream_state m_os{};
    bool m_infoReady = false;
    bool m_streamReady = false;
};

} // namespace

bool oggFormatPossible(const OggFormat &f) {
    if (f.channels < 1 || f.channels > 2 || f.rate < 8000 || f.rate > 192000)
        return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    const bool ok = initEncoder(&vi, f) == 0;
    vorbis_info_clear(&vi);
    return ok;
}

QString describeOgg(const OggFormat &f) {
    if (!oggFormatPossible(f))
        return {};
    QString mode;
    if (f.quality >= 0)
        mode = QStringLiteral("quality %1").arg(QString::number(f.quality / 100.0, 'f', 2));
    else if (f.minimum == 0 && f.maximum == 0)
        mode = QStringLiteral("%1 kbit/s nominal").arg(f.nominal);
    else
        mode = QStringLiteral("%1 kbit/s nominal, managed %2-%3 kbit/s")
                   .arg(f.nominal)
                   .arg(f.minimum > 0 ? QString::number(f.minimum) : QStringLiteral("any"))
                   .arg(f.maximum > 0 ? QString::number(f.maximum) : QStringLiteral("any"));
    return QStringLiteral("Ogg Vorbis %1, %2 Hz, %3")
        .arg(mode)
        .arg(f.rate)
        .arg(channelText(f.channels));
}

std::unique_ptr<Writer> makeOggWriter(const OggFormat &f) {
    return std::make_unique<VorbisWriter>(f);
}

} // namespace pelvanto::audiofile_detail
