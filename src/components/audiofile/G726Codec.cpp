// G.726 through spandsp, in a WAV container (format tag 0x0045, codes packed from the most
// significant bit, as FFmpeg and the ACM codec read them). The header follows every block.
#include "audiofile/Detail.h"

#include <spandsp.h>

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace pelvanto::audiofile_detail {

namespace {

constexpr int kHeaderSize = 46; // RIFF(12) + fmt chunk(8 + 18) + data chunk header(8)

void put16(unsigned char *p, unsigned v) {
    p[0] = static_cast<unsigned char>(v & 0xff);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xff);
}
void put32(unsigned char *p, quint32 v) {
    put16(p, v & 0xffff);
    put16(p + 2, v >> 16);
}

bool writeAll(int fd, const unsigned char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

class G726Writer : public Writer {
public:
    explicit G726Writer(const G726Format &f) : Writer(f.rate, 1), m_format(f) {}
    ~G726Writer() override {
        if (m_state != nullptr)
            g726_free(m_state);
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool open(const QString &path, QString *error) override {
        m_state = g726_init(nullptr, m_format.bits * 8000, G726_ENCODING_LINEAR, G726_PACKING_LEFT);
        if (m_state == nullptr) {
            *error = QStringLiteral("the G.726 encoder refuses these settings");
            return false;
        }
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                      0666);
        if (m_fd < 0) {
            *error = systemError();
            return false;
        }
        return updateHeader(error);
    }

    bool write(const qint16 *frames, qint64 count, QString *error) override {
        // Eight samples make a whole number of bytes at every code size: keep the rest for later
        // so that each data chunk ends on a code boundary.
        m_held.append(QVector<qint16>(frames, frames + count));
        const qsizetype usable = m_held.size() - m_held.size() % 8;
        if (usable == 0)
            return true;
        if (!encode(m_held.constData(), static_cast<int>(usable), error))
            return false;
        m_held.remove(0, usable);
        return updateHeader(error);
    }

    bool close(QString *error) override {
        if (m_fd < 0)
            return true;
        bool ok = true;
        if (!m_held.isEmpty()) {
            m_held.resize(8, 0);
            ok = encode(m_held.constData(), 8, error);
            m_held.clear();
        }
        ok = ok && updateHeader(error);
        if (::close(m_fd) != 0 && ok) {
            *error = systemError();
            ok = false;
        }
        m_fd = -1;
        return ok;
    }

    QString description() const override { return describeG726(m_format); }

private:
    bool encode(const qint16 *samples, int count, QString *error) {
        m_out.resize(static_cast<qsizetype>(count) * m_format.bits / 8 + 8);
        const int bytes =
            g726_encode(m_state, reinterpret_cast<uint8_t *>(m_out.data()), samples, count);
        if (bytes < 0 || !writeAll(m_fd, reinterpret_cast<const unsigned char *>(m_out.constData()),
                                   static_cast<size_t>(bytes))) {
            *error = systemError();
            return false;
        }
        m_dataBytes += bytes;
        if (m_dataBytes > 0xFFFFFFFFLL - kHeaderSize) {
            *error = QStringLiteral("the WAV size limit of 4 GiB is reached");
            return false;
        }
        return true;
    }

    bool updateHeader(QString *error) {
        std::array<unsigned char, kHeaderSize> h{};
        const int rate = m_format.rate;
        const int bits = m_format.bits;
        std::copy_n("RIFF", 4, h.begin());
        put32(&h[4], static_cast<quint32>(kHeaderSize - 8 + m_dataBytes));
        std::copy_n("WAVEfmt ", 8, h.begin() + 8);
        put32(&h[16], 18);
        put16(&h[20], 0x0045);
        put16(&h[22], 1);
        put32(&h[24], static_cast<quint32>(rate));
        // Readers derive the code size from this rate: round up, never down.
        put32(&h[28], static_cast<quint32>((static_cast<qint64>(rate) * bits + 7) / 8));
        put16(&h[32], static_cast<unsigned>(bits)); // bytes per eight samples
        put16(&h[34], static_cast<unsigned>(bits));
        put16(&h[36], 0);
        std::copy_n("data", 4, h.begin() + 38);
        put32(&h[42], static_cast<quint32>(m_dataBytes));
        if (::pwrite(m_fd, h.data(), h.size(), 0) != static_cast<ssize_t>(h.size())) {
            *error = systemError();
            return false;
        }
        if (::lseek(m_fd, 0, SEEK_END) < 0) {
            *error = systemError();
            return false;
        }
        return true;
    }

    G726Format m_format;
    g726_state_t *m_state = nullptr;
    int m_fd = -1;
    qint64 m_dataBytes = 0;
    QVector<qint16> m_held;
    QByteArray m_out;
};

} // namespace

std::unique_ptr<Writer> makeG726Writer(const G726Format &f) {
    return std::make_unique<G726Writer>(f);
}

} // namespace pelvanto::audiofile_detail
