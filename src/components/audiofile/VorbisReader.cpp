// Ogg Vorbis through libvorbisfile: exact length and sample-exact seeking, which FFmpeg's
// Ogg demuxer does not guarantee after a seek.
#include "audiofile/Detail.h"

#include <vorbis/vorbisfile.h>

#include <QElapsedTimer>
#include <QFile>

#include <cstring>

namespace pelvanto::audiofile_detail {

namespace {

class VorbisFileReader : public Reader {
public:
    ~VorbisFileReader() override {
        if (m_open)
            ov_clear(&m_vf);
    }

    bool open(const QString &path, QString *error) {
        if (ov_fopen(QFile::encodeName(path).constData(), &m_vf) != 0) {
            *error = QStringLiteral("not an Ogg Vorbis file");
            return false;
        }
        m_open = true;
        const vorbis_info *vi = ov_info(&m_vf, -1);
        // Chained streams that change format midway are left to the general reader.
        if (vi == nullptr || vi->channels < 1 || vi->channels > 2 || vi->rate < 1000 ||
            vi->rate > 768000 || ov_streams(&m_vf) != 1 || ov_seekable(&m_vf) == 0) {
            *error = QStringLiteral("unsupported Ogg Vorbis layout");
            return false;
        }
        m_rate = static_cast<int>(vi->rate);
        m_channels = vi->channels;
        const ogg_int64_t total = ov_pcm_total(&m_vf, -1);
        m_length = total > 0 ? total : 0;
        const long nominal = vi->bitrate_nominal > 0 ? vi->bitrate_nominal : ov_bitrate(&m_vf, -1);
        m_description = QStringLiteral("Ogg Vorbis %1 kbit/s, %2 Hz, %3")
                            .arg(nominal / 1000)
                            .arg(m_rate)
                            .arg(channelText(m_channels));
        return true;
    }

    qint64 read(qint16 *out, qint64 maxFrames) override {
        qint64 done = 0;
        int holes = 0;
        QElapsedTimer timer;
        timer.start();
        while (done < maxFrames) {
            int section = 0;
            const qint64 wantBytes = (maxFrames - done) * m_channels * 2;
            const long got =
                ov_read(&m_vf, reinterpret_cast<char *>(out + done * m_channels),
                        static_cast<int>(qMin<qint64>(wantBytes, 1 << 20)), 0, 2, 1, &section);
            if (got == OV_HOLE) {
                // A damaged stretch: go on after it, but not for ever.
                if (++holes > 1000 || timer.elapsed() > 20000)
                    break;
                continue;
            }
            if (got <= 0)
                break;
            done += got / (static_cast<long>(m_channels) * 2);
        }
        return done;
    }

    qint64 seek(qint64 frame) override {
        frame = qBound<qint64>(0, frame, m_length);
        if (ov_pcm_seek(&m_vf, frame) != 0)
            return ov_pcm_tell(&m_vf);
        return frame;
    }

private:
    OggVorbis_File m_vf{};
    bool m_open = false;
};

} // namespace

std::unique_ptr<Reader> openVorbisReader(const QString &path, QString *error) {
    auto reader = std::make_unique<VorbisFileReader>();
    if (reader->open(path, error))
        return reader;
    return nullptr;
}

} // namespace pelvanto::audiofile_detail
