// MP3 through LAME: every property of Mp3EncoderSettings maps to the library's own switch.
#include "audiofile/Detail.h"

#include <lame/lame.h>

#include <QFile>

#include <cerrno>
#include <cstdio>

namespace pelvanto::audiofile_detail {

bool mp3RateValid(int rate) {
    switch (rate) {
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000:
    case 32000:
    case 44100:
    case 48000:
        return true;
    default:
        return false;
    }
}

namespace {

struct LameDeleter {
    void operator()(lame_global_flags *gf) const { lame_close(gf); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameDeleter>;

vbr_mode vbrModeOf(int mode) {
    switch (mode) {
    case 0:
        return vbr_default;
    case 1:
        return vbr_rh;
    case 2:
        return vbr_mt;
    case 3:
        return vbr_mtrh;
    case 4:
        return vbr_abr;
    default:
        return vbr_off;
    }
}

// Returns a configured encoder after lame_init_params, or null when LAME refuses.
LamePtr configure(const Mp3Format &f) {
    LamePtr gf(lame_init());
    if (!gf)
        return gf;
    const Mp3EncoderSettings &e = f.encoder;
    lame_global_flags *g = gf.get();
    lame_set_num_channels(g, f.channels);
    lame_set_in_samplerate(g, f.rate);
    lame_set_out_samplerate(g, f.rate);
    if (f.channels == 1) {
        lame_set_mode(g, MONO);
    } else {
        switch (e.ChannelMode()) {
        case 1:
            lame_set_mode(g, STEREO);
            break;
        case 3:
            lame_set_mode(g, JOINT_STEREO);
            lame_set_force_ms(g, 1);
            break;
        case 4:
            lame_set_mode(g, DUAL_CHANNEL);
            break;
        default:
            lame_set_mode(g, JOINT_STEREO);
            break;
        }
    }
    lame_set_quality(g, 9 - qBound(0, static_cast<int>(e.EncoderQuality()), 9));
    const vbr_mode vbr = vbrModeOf(e.VbrMode());
    lame_set_VBR(g, vbr);
    const int bitrate = e.Bitrate() > 0 ? e.Bitrate() : 128;
    const int maxRate = e.MaxVbrBitrate() > 0 ? e.MaxVbrBitrate() : 320;
    if (vbr == vbr_off) {
        lame_set_brate(g, bitrate);
    } else {
        // In the variable modes the bit rate is the floor, as long as it stays below the top.
        if (bitrate <= maxRate)
            lame_set_VBR_min_bitrate_kbps(g, bitrate);
        lame_set_VBR_max_bitrate_kbps(g, maxRate);
        lame_set_VBR_hard_min(g, e.StrictMinBitrate() ? 1 : 0);
        if (vbr == vbr_abr) {
            const int abr = e.AbrBitrate() > 0 ? e.AbrBitrate() : 128;
            lame_set_VBR_mean_bitrate_kbps(g, abr);
            if (bitrate > abr)
                lame_set_VBR_min_bitrate_kbps(g, 0);
        } else {
            lame_set_VBR_q(g, qBound(0, static_cast<int>(e.VbrQuality()), 9));
        }
    }
    lame_set_bWriteVbrTag(g, e.WriteVbrHeader() ? 1 : 0);
    lame_set_error_protection(g, e.CrcChecksums() ? 1 : 0);
    // Both switches set one policy inside LAME: the last call wins, so make only one.
    if (!e.ShortBlocks())
        lame_set_no_short_blocks(g, 1);
    else
        lame_set_allow_diff_short(g, e.AllowDiffBlockTypes() ? 1 : 0);
    lame_set_disable_reservoir(g, e.BitReservoir() ? 0 : 1);
    if (e.IsoCompliance())
        lame_set_strict_ISO(g, MDB_STRICT_ISO);
    switch (e.AthControl()) {
    case 1:
        lame_set_ATHonly(g, 1);
        break;
    case 2:
        lame_set_noATH(g, 1);
        break;
    case 3:
        lame_set_ATHshort(g, 1);
        break;
    default:
        break;
    }
    // Header emphasis codes: 1 is 50/15 µs, 3 is CCITT J.17.
    if (e.Deemphasis() == 1)
        lame_set_emphasis(g, 1);
    else if (e.Deemphasis() == 2)
        lame_set_emphasis(g, 3);
    if (e.HighpassFreq() >= 0) {
        lame_set_highpassfreq(g, e.HighpassFreq());
        if (e.HighpassWidth() > 0)
            lame_set_highpasswidth(g, e.HighpassWidth());
    }
    if (e.LowpassFreq() >= 0) {
        lame_set_lowpassfreq(g, e.LowpassFreq());
        if (e.LowpassWidth() > 0)
            lame_set_lowpasswidth(g, e.LowpassWidth());
    }
    if (lame_init_params(g) < 0)
        gf.reset();
    return gf;
}

QString modeText(lame_global_flags *g) {
    if (lame_get_num_channels(g) == 1 || lame_get_mode(g) == MONO)
        return QStringLiteral("mono");
    switch (lame_get_mode(g)) {
    case STEREO:
        return QStringLiteral("stereo");
    case JOINT_STEREO:
        return lame_get_force_ms(g) != 0 ? QStringLiteral("forced joint stereo")
                                         : QStringLiteral("joint stereo");
    case DUAL_CHANNEL:
        return QStringLiteral("dual channel");
    default:
        return QStringLiteral("stereo");
    }
}

QString describeConfigured(lame_global_flags *g) {
    QString rate;
    switch (lame_get_VBR(g)) {
    case vbr_off:
        rate = QStringLiteral("%1 kbit/s CBR").arg(lame_get_brate(g));
        break;
    case vbr_abr:
        rate = QStringLiteral("ABR %1 kbit/s").arg(lame_get_VBR_mean_bitrate_kbps(g));
        break;
    default:
        rate = QStringLiteral("VBR quality %1 (%2-%3 kbit/s)")
                   .arg(lame_get_VBR_q(g))
                   .arg(lame_get_VBR_min_bitrate_kbps(g))
                   .arg(lame_get_VBR_max_bitrate_kbps(g));
        break;
    }
    return QStringLiteral("MP3 %1, %2 Hz, %3")
        .arg(rate)
        .arg(lame_get_out_samplerate(g))
        .arg(modeText(g));
}

class LameWriter : public Writer {
public:
    explicit LameWriter(const Mp3Format &f) : Writer(f.rate, f.channels), m_format(f) {}
    ~LameWriter() override {
        if (m_file != nullptr)
            std::fclose(m_file);
    }

    bool open(const QString &path, QString *error) override {
        m_lame = configure(m_format);
        if (!m_lame) {
            *error = QStringLiteral("the MP3 encoder refuses these settings");
            return false;
        }
        m_description = describeConfigured(m_lame.get());
        m_file = std::fopen(QFile::encodeName(path).constData(), "w+b");
        if (m_file == nullptr) {
            *error = systemError();
            return false;
        }
        return true;
    }

    bool write(const qint16 *frames, qint64 count, QString *error) override {
        // Worst case of LAME's output for n samples is 1.25 n + 7200 bytes.
        constexpr qint64 kChunk = 65536;
        for (qint64 done = 0; done < count;) {
            const int n = static_cast<int>(qMin(kChunk, count - done));
            m_out.resize(static_cast<qsizetype>(n) * 5 / 4 + 7200);
            auto *out = reinterpret_cast<unsigned char *>(m_out.data());
            int bytes = 0;
            const qint16 *in = frames + done * m_channels;
            if (m_channels == 1) {
                bytes = lame_encode_buffer(m_lame.get(), in, in, n, out,
                                           static_cast<int>(m_out.size()));
            } else {
                bytes = lame_encode_buffer_interleaved(m_lame.get(), const_cast<short *>(in), n,
                                                       out, static_cast<int>(m_out.size()));
            }
            if (bytes < 0) {
                *error = QStringLiteral("MP3 encoder error %1").arg(bytes);
                return false;
            }
            if (!put(out, bytes, error))
                return false;
            done += n;
        }
        if (std::fflush(m_file) != 0) {
            *error = systemError();
            return false;
        }
        return true;
    }

    bool close(QString *error) override {
        if (m_file == nullptr)
            return true;
        bool ok = true;
        if (m_lame) {
            m_out.resize(7200);
            auto *out = reinterpret_cast<unsigned char *>(m_out.data());
            const int bytes = lame_encode_flush(m_lame.get(), out, static_cast<int>(m_out.size()));
            ok = bytes >= 0 && put(out, bytes, error);
            // The Xing/LAME tag at the start of the file gets its final counts.
            if (ok && lame_get_bWriteVbrTag(m_lame.get()) != 0) {
                unsigned char tag[2880];
                const size_t size = lame_get_lametag_frame(m_lame.get(), tag, sizeof tag);
                if (size > 0 && size <= sizeof tag) {
                    ok = std::fseek(m_file, 0, SEEK_SET) == 0 &&
                         std::fwrite(tag, 1, size, m_file) == size;
                    if (!ok)
                        *error = systemError();
                }
            }
        }
        if (std::fclose(m_file) != 0 && ok) {
            *error = systemError();
            ok = false;
        }
        m_file = nullptr;
        return ok;
    }

    QString description() const override { return m_description; }

private:
    bool put(const unsigned char *data, int bytes, QString *error) {
        if (bytes > 0 && std::fwrite(data, 1, static_cast<size_t>(bytes), m_file) !=
                             static_cast<size_t>(bytes)) {
            *error = systemError();
            return false;
        }
        return true;
    }

    Mp3Format m_format;
    LamePtr m_lame;
    std::FILE *m_file = nullptr;
    QByteArray m_out;
    QString m_description;
};

} // namespace

QString describeMp3(const Mp3Format &f) {
    const LamePtr gf = configure(f);
    if (!gf)
        return {};
    return describeConfigured(gf.get());
}

int mp3BitrateKbps(const Mp3Format &f) {
    const LamePtr gf = configure(f);
    if (!gf)
        return 0;
    switch (lame_get_VBR(gf.get())) {
    case vbr_off:
        return lame_get_brate(gf.get());
    case vbr_abr:
        return lame_get_VBR_mean_bitrate_kbps(gf.get());
    default:
        return 0;
    }
}

std::unique_ptr<Writer> makeMp3Writer(const Mp3Format &f) {
    return std::make_unique<LameWriter>(f);
}

} // namespace pelvanto::audiofile_detail
