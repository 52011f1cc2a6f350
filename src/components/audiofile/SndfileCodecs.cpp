// WAV (PCM, ADPCM, GSM, A-law, µ-law; RF64 past 4 GiB), VOX and RAW through libsndfile.
#include "audiofile/Detail.h"

#include <sndfile.h>

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelvanto::audiofile_detail {

namespace {

int wavSubtype(WavCodec c) {
    switch (c) {
    case WavCodec::Pcm8:
        return SF_FORMAT_PCM_U8;
    case WavCodec::Pcm16:
        return SF_FORMAT_PCM_16;
    case WavCodec::Pcm24:
        return SF_FORMAT_PCM_24;
    case WavCodec::Float32:
        return SF_FORMAT_FLOAT;
    case WavCodec::ImaAdpcm:
        return SF_FORMAT_IMA_ADPCM;
    case WavCodec::MsAdpcm:
        return SF_FORMAT_MS_ADPCM;
    case WavCodec::Gsm610:
        return SF_FORMAT_GSM610;
    case WavCodec::ALaw:
        return SF_FORMAT_ALAW;
    case WavCodec::MuLaw:
        return SF_FORMAT_ULAW;
    }
    return SF_FORMAT_PCM_16;
}

// Codecs that RF64 can hold; the others stop at the 4 GiB limit of plain WAV.
bool rf64Capable(WavCodec c) {
    return c == WavCodec::Pcm8 || c == WavCodec::Pcm16 || c == WavCodec::Pcm24 ||
           c == WavCodec::Float32 || c == WavCodec::ALaw || c == WavCodec::MuLaw;
}

// libsndfile's own file access loses some write errors (the VOX codec ignores short writes):
// give it our descriptor through virtual I/O and remember every failure ourselves.
struct FdIo {
    int fd = -1;
    int error = 0;

    static sf_count_t length(void *user) {
        struct stat st {};
        return ::fstat(static_cast<FdIo *>(user)->fd, &st) == 0 ? st.st_size : -1;
    }
    static sf_count_t seek(sf_count_t offset, int whence, void *user) {
        return ::lseek(static_cast<FdIo *>(user)->fd, offset, whence);
    }
    static sf_count_t read(void *ptr, sf_count_t count, void *user) {
        auto *io = static_cast<FdIo *>(user);
        sf_count_t done = 0;
        while (done < count) {
            const ssize_t n =
                ::read(io->fd, static_cast<char *>(ptr) + done, static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        return done;
    }
    static sf_count_t write(const void *ptr, sf_count_t count, void *user) {
        auto *io = static_cast<FdIo *>(user);
        sf_count_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(io->fd, static_cast<const char *>(ptr) + done,
                                      static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (io->error == 0)
                    io->error = n < 0 ? errno : ENOSPC;
                break;
            }
            done += n;
        }
        return done;
    }
    static sf_count_t tell(void *user) {
        return ::lseek(static_cast<FdIo *>(user)->fd, 0, SEEK_CUR);
    }
};

class SndfileWriter : public Writer {
public:
    SndfileWriter(int rate, int channels, int format, QString description, bool rf64,
                  int frameMultiple)
        : Writer(rate, channels), m_format(format), m_description(std::move(description)),
          m_rf64(rf64), m_frameMultiple(frameMultiple) {}
    ~SndfileWriter() override {
        if (m_file != nullptr)
            sf_close(m_file);
        if (m_io.fd >= 0)
            ::close(m_io.fd);
    }

    bool open(const QString &path, QString *error) override {
        SF_INFO info{};
        info.samplerate = m_rate;
        info.channels = m_channels;
        info.format = m_format;
        if (sf_format_check(&info) == 0) {
            *error = QStringLiteral("format not supported by the WAV writer");
            return false;
        }
        m_io.fd = ::open(QFile::encodeName(path).constData(),
                         O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (m_io.fd < 0) {
            *error = systemError();
            return false;
        }
        SF_VIRTUAL_IO vio{&FdIo::length, &FdIo::seek, &FdIo::read, &FdIo::write, &FdIo::tell};
        m_file = sf_open_virtual(&vio, SFM_WRITE, &info, &m_io);
        if (m_file == nullptr) {
            *error = m_io.error != 0 ? QString::fromLocal8Bit(std::strerror(m_io.error))
                                     : QString::fromLocal8Bit(sf_strerror(nullptr));
            return false;
        }
        if ((m_format & SF_FORMAT_SUBMASK) == SF_FORMAT_IMA_ADPCM && m_channels > 1)
            setFixFactChunk(path);
        if (m_rf64)
            sf_command(m_file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
        // The header follows every block so that a killed program leaves a playable file.
        if ((m_format & SF_FORMAT_TYPEMASK) != SF_FORMAT_RAW)
            sf_command(m_file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
        return true;
    }

    bool write(const qint16 *frames, qint64 count, QString *error) override {
        if (m_file == nullptr) {
            *error = QStringLiteral("file is not open");
            return false;
        }
        if (m_sizeLimit > 0 && m_bytesEstimate > m_sizeLimit) {
            *error = QStringLiteral("the WAV size limit of 4 GiB is reached");
            return false;
        }
        const qint16 *data = frames;
        QVector<qint16> joined;
        if (m_frameMultiple > 1) {
            joined = m_held;
            joined.append(QVector<qint16>(frames, frames + count * m_channels));
            const qint64 all = joined.size() / m_channels;
            const qint64 usable = all - all % m_frameMultiple;
            m_held = joined.mid(usable * m_channels);
            data = joined.constData();
            count = usable;
        }
        if (count == 0)
            return true;
        const sf_count_t done = sf_writef_short(m_file, data, count);
        if (m_io.error != 0) {
            *error = QString::fromLocal8Bit(std::strerror(m_io.error));
            return false;
        }
        if (done != count) {
            *error = QString::fromLocal8Bit(sf_strerror(m_file));
            return false;
        }
        m_bytesEstimate += count * m_channels * 2;
        m_samplesIn += count;
        return true;
    }

    bool close(QString *error) override {
        if (m_file == nullptr) {
            if (m_io.fd >= 0)
                ::close(m_io.fd);
            m_io.fd = -1;
            return true;
        }
        bool ok = true;
        if (!m_held.isEmpty()) {
            QVector<qint16> pad = m_held;
            pad.resize(static_cast<qsizetype>(m_frameMultiple) * m_channels, 0);
            m_held.clear();
            ok = sf_writef_short(m_file, pad.constData(), m_frameMultiple) == m_frameMultiple;
            if (!ok)
                *error = QString::fromLocal8Bit(sf_strerror(m_file));
        }
        const int closed = sf_close(m_file);
        m_file = nullptr;
        if (ok && m_io.error != 0) {
            *error = QString::fromLocal8Bit(std::strerror(m_io.error));
            ok = false;
        } else if (ok && closed != 0) {
            *error = QStringLiteral("closing the file failed");
            ok = false;
        }
        if (::close(m_io.fd) != 0 && ok) {
            *error = systemError();
            ok = false;
        }
        m_io.fd = -1;
        if (ok && m_fixFactChunk)
            ok = fixFactChunk(error);
        return ok;
    }

    // libsndfile counts stereo IMA ADPCM in the fact chunk per channel; players that trust
    // the chunk would stop half-way. Put the real frame count there.
    void setFixFactChunk(const QString &path) { m_fixFactChunk = true, m_path = path; }

    QString description() const override { return m_description; }

    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }

private:
    bool fixFactChunk(QString *error) {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadWrite)) {
            *error = file.errorString();
            return false;
        }
        const QByteArray head = file.read(512);
        qsizetype at = 12;
        while (at + 8 <= head.size()) {
            const QByteArray id = head.mid(at, 4);
            const quint32 size = qFromLittleEndian<quint32>(head.constData() + at + 4);
            if (id == "data")
                break;
            if (id == "fact" && size >= 4) {
                uchar count[4];
                qToLittleEndian<quint32>(static_cast<quint32>(m_samplesIn), count);
                if (!file.seek(at + 8) ||
                    file.write(reinterpret_cast<const char *>(count), 4) != 4) {
                    *error = file.errorString();
                    return false;
                }
                break;
            }
            at += 8 + size + (size & 1);
        }
        return true;
    }

    SNDFILE *m_file = nullptr;
    FdIo m_io;
    int m_format;
    QString m_description;
    bool m_rf64;
    int m_frameMultiple;
    QVector<qint16> m_held;
    qint64 m_sizeLimit = 0;
    qint64 m_bytesEstimate = 0; // 16-bit input bytes: an upper bound of any compressed size
    qint64 m_samplesIn = 0;
    bool m_fixFactChunk = false;
    QString m_path;
};

class SndfileReader : public Reader {
public:
    ~SndfileReader() override {
        if (m_file != nullptr)
            sf_close(m_file);
    }
    bool open(const QString &path, SF_INFO info, QString description, QString *error) {
        m_path = path;
        m_info = info;
        m_file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (m_file == nullptr) {
            *error = QString::fromLocal8Bit(sf_strerror(nullptr));
            return false;
        }
        m_rate = info.samplerate;
        m_channels = info.channels;
        m_length = info.frames;
        m_description = std::move(description);
        return true;
    }
    qint64 read(qint16 *out, qint64 maxFrames) override {
        if (m_file == nullptr)
            return 0;
        const sf_count_t got = sf_readf_short(m_file, out, maxFrames);
        if (got > 0)
            m_position += got;
        return got > 0 ? got : 0;
    }
    qint64 seek(qint64 frame) override {
        frame = qBound<qint64>(0, frame, m_length);
        if (m_file == nullptr)
            return 0;
        const sf_count_t at = sf_seek(m_file, frame, SEEK_SET);
        if (at >= 0) {
            m_position = at;
            return at;
        }
        // ADPCM without a seek of its own (VOX): decode from the start up to the frame.
        if (frame < m_position) {
            sf_close(m_file);
            SF_INFO info = m_info;
            m_file = sf_open(QFile::encodeName(m_path).constData(), SFM_READ, &info);
            m_position = 0;
            if (m_file == nullptr)
                return 0;
        }
        QVector<qint16> scratch(qsizetype{8192} * m_channels);
        while (m_position < frame) {
            const sf_count_t got =
                sf_readf_short(m_file, scratch.data(), qMin<qint64>(8192, frame - m_position));
            if (got <= 0)
                break;
            m_position += got;
        }
        return m_position;
    }

private:
    SNDFILE *m_file = nullptr;
    QString m_path;
    SF_INFO m_info{};
    qint64 m_position = 0;
};

} // namespace

std::unique_ptr<Writer> makeWavWriter(const WavFormat &f) {
    const bool rf64 = rf64Capable(f.codec);
    auto w = std::make_unique<SndfileWriter>(
        f.rate, f.channels, (rf64 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | wavSubtype(f.codec),
        describeWav(f), rf64, 1);
    if (!rf64)
        w->setSizeLimit(0xFFFFFFFFLL - (1 << 20));
    return w;
}

std::unique_ptr<Writer> makeVoxWriter(const VoxFormat &f) {
    // OKI ADPCM packs two samples per byte: whole bytes only.
    return std::make_unique<SndfileWriter>(f.rate, 1, SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM,
                                           describeVox(f), false, 2);
}

static int rawSubtype(int coding) {
    if (coding == RawALaw)
        return SF_FORMAT_ALAW;
    if (coding == RawMuLaw)
        return SF_FORMAT_ULAW;
    return SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
}

std::unique_ptr<Writer> makeRawWriter(const RawFormat &f) {
    return std::make_unique<SndfileWriter>(f.rate, f.channels, SF_FORMAT_RAW | rawSubtype(f.coding),
                                           describeRaw(f), false, 1);
}

std::unique_ptr<Reader> openVoxReader(const QString &path, const VoxFormat &f, QString *error) {
    SF_INFO info{};
    info.samplerate = f.rate;
    info.channels = 1;
    info.format = SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM;
    auto r = std::make_unique<SndfileReader>();
    if (!r->open(path, info, describeVox(f), error))
        return nullptr;
    return r;
}

std::unique_ptr<Reader> openRawReader(const QString &path, const RawFormat &f, QString *error) {
    SF_INFO info{};
    info.samplerate = f.rate;
    info.channels = f.channels;
    info.format = SF_FORMAT_RAW | rawSubtype(f.coding);
    auto r = std::make_unique<SndfileReader>();
    if (!r->open(path, info, describeRaw(f), error))
        return nullptr;
    return r;
}

std::optional<WavFormat> wavFormatOfFile(const QString &path, QString *error) {
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr) {
        *error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return std::nullopt;
    }
    sf_close(file);
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64) {
        *error = QStringLiteral("not a WAV file");
        return std::nullopt;
    }
    WavFormat f;
    f.rate = info.samplerate;
    f.channels = info.channels;
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
        f.codec = WavCodec::Pcm8;
        break;
    case SF_FORMAT_PCM_16:
        f.codec = WavCodec::Pcm16;
        break;
    case SF_FORMAT_PCM_24:
        f.codec = WavCodec::Pcm24;
        break;
    case SF_FORMAT_FLOAT:
        f.codec = WavCodec::Float32;
        break;
    case SF_FORMAT_IMA_ADPCM:
        f.codec = WavCodec::ImaAdpcm;
        break;
    case SF_FORMAT_MS_ADPCM:
        f.codec = WavCodec::MsAdpcm;
        break;
    case SF_FORMAT_GSM610:
        f.codec = WavCodec::Gsm610;
        break;
    case SF_FORMAT_ALAW:
        f.codec = WavCodec::ALaw;
        break;
    case SF_FORMAT_ULAW:
        f.codec = WavCodec::MuLaw;
        break;
    default:
        *error = QStringLiteral("the WAV codec of this file cannot be written");
        return std::nullopt;
    }
    if (!wavFormatWritable(f)) {
        *error = QStringLiteral("the rate or channel count of this file cannot be written");
        return std::nullopt;
    }
    return f;
}

} // namespace pelvanto::audiofile_detail
