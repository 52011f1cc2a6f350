#include "soundlib/StreamSource.h"

#include "audiofile/AudioFile.h"

#include <QFile>

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelvanto::sound {

namespace {

constexpr qint64 kDecodeBlock = 4096; // frames decoded at a time

// Length in bytes of the MPEG audio frame whose header starts at `h`, or 0 when the four
// bytes are no valid header (free-format frames included: they are rare and left to the
// decoder).
int mpegFrameLength(const unsigned char *h) {
    static const short kbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int rates[3] = {44100, 48000, 32000};
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (h[1] >> 3) & 3;     // 0: 2.5, 2: 2, 3: 1
    const int layer = 4 - ((h[1] >> 1) & 3); // 1, 2 or 3
    const int bitrate = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrate == 0 || bitrate == 15 || rateIndex == 3 ||
        (h[3] & 3) == 2)
        return 0;
    const int rate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int bps = kbps[version == 3 ? 0 : 1][layer - 1][bitrate] * 1000;
    const int padding = (h[2] >> 1) & 1;
    if (layer == 1)
        return (12 * bps / rate + padding) * 4;
    const int perFrame = layer == 3 && version != 3 ? 72 : 144;
    return perFrame * bps / rate + padding;
}

// Whether the first bytes of the audio are MPEG audio: a frame header, after any zero padding
// and further ID3v2 tags, followed by a second one where the bytes reach that far. Junk in
// front of the first frame is searched past.
bool looksLikeMpegAudio(const QByteArray &head) {
    const auto *d = reinterpret_cast<const unsigned char *>(head.constData());
    const qsizetype size = head.size();
    qsizetype at = 0;
    for (;;) {
        while (at < size && d[at] == 0)
            ++at;
        if (at + 10 > size || d[at] != 'I' || d[at + 1] != 'D' || d[at + 2] != '3' ||
            ((d[at + 6] | d[at + 7] | d[at + 8] | d[at + 9]) & 0x80) != 0)
            break;
        at += 10 + ((d[at + 6] << 21) | (d[at + 7] << 14) | (d[at + 8] << 7) | d[at + 9]);
    }
    for (qsizetype first = at; first + 4 <= size; ++first) {
        const int length = mpegFrameLength(d + first);
        if (length == 0)
            continue;
        const qsizetype next = first + length;
        if (next + 4 > size)
            return first == at; // nothing to check it against: only a frame right there counts
        const int following = mpegFrameLength(d + next);
        if (following > 0 && (d[next + 1] & 0xFE) == (d[first + 1] & 0xFE) &&
            (d[next + 2] & 0x0C) == (d[first + 2] & 0x0C))
            return true;
    }
    return false;
}

bool trackerModule(const QByteArray &head, qint64 fileSize) {
    int error = 0;
    const char *message = nullptr;
    const int probe = openmpt_probe_file_header(
        OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, head.constData(), static_cast<size_t>(head.size()),
        static_cast<uint64_t>(fileSize), nullptr, nullptr, openmpt_error_func_ignore, nullptr,
        &error, &message);
    openmpt_free_string(message);
    return probe == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS;
}

} // namespace

StreamSource::~StreamSource() = default;

std::unique_ptr<StreamSource> StreamSource::open(const QString &path, SoundError *error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (path.isEmpty() || ::stat(name.constData(), &info) != 0) {
        *error = errno == ENOENT || errno == ENOTDIR || path.isEmpty() ? SoundError::FileNotFound
                                                                       : SoundError::FileBad;
        return nullptr;
    }
    // Directories, pipes and devices are never opened: a pipe would block the caller.
    if (!S_ISREG(info.st_mode)) {
        *error = SoundError::FileBad;
        return nullptr;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = errno == ENOENT ? SoundError::FileNotFound : SoundError::FileBad;
        return nullptr;
    }
    std::unique_ptr<StreamSource> source(new StreamSource);
    source->path_ = path;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = SoundError::FileBad;
        return nullptr;
    }
    source->fileSize_ = info.st_size;
    source->tags_ = StreamTags::read(
        [fd](qint64 offset, char *buffer, qint64 size) -> qint64 {
            qint64 done = 0;
            while (done < size) {
                const ssize_t got = ::pread(fd, buffer + done, static_cast<size_t>(size - done),
                                            static_cast<off_t>(offset + done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    return done > 0 ? done : -1;
                if (got == 0)
                    break;
                done += got;
            }
            return done;
        },
        source->fileSize_);
    ::close(fd);

    if (source->fileSize_ == 0) {
        *error = SoundError::FileFormat;
        return nullptr;
    }
    // MP3s are known by their frame headers; their decoder can wait.
    if (looksLikeMpegAudio(source->tags_.audioHead()))
        return source;
    if (trackerModule(source->tags_.audioHead(), source->fileSize_ - source->tags_.audioStart())) {
        *error = SoundError::FileFormat;
        return nullptr;
    }
    // Anything else is sound when a decoder takes it.
    SoundError decodeError = SoundError::None;
    if (!source->prepare(&decodeError)) {
        *error = SoundError::FileFormat;
        return nullptr;
    }
    return source;
}

bool StreamSource::prepare(SoundError *error) {
    if (decoder_)
        return true;
    auto decoder = std::make_unique<AudioFile>();
    if (decoder->OpenRead(path_) != 0 || decoder->SampleRate() <= 0 ||
        decoder->ChannelCount() < 1) {
        *error = QFile::exists(path_) ? SoundError::FileBad : SoundError::FileNotFound;
        return false;
    }
    decoder_ = std::move(decoder);
    block_.clear();
    blockAt_ = 0;
    position_ = 0;
    return true;
}

int StreamSource::sampleRate() const {
    return decoder_ ? decoder_->SampleRate() : 0;
}

int StreamSource::channels() const {
    return decoder_ ? std::min(2, decoder_->ChannelCount()) : 0;
}

qint64 StreamSource::read(float *interleaved, qint64 frames) {
    if (!decoder_)
        return -1;
    const int fileChannels = decoder_->ChannelCount();
    const int outChannels = channels();
    qint64 done = 0;
    while (done < frames) {
        if (blockAt_ >= block_.size()) {
            block_ = decoder_->ReadBlock(static_cast<int>(kDecodeBlock * fileChannels));
            blockAt_ = 0;
            if (block_.isEmpty())
                break;
        }
        const qint64 available = (block_.size() - blockAt_) / fileChannels;
        const qint64 take = std::min(available, frames - done);
        const qint16 *in = block_.constData() + blockAt_;
        float *out = interleaved + done * outChannels;
        for (qint64 f = 0; f < take; ++f)
            for (int c = 0; c < outChannels; ++c)
                out[f * outChannels + c] =
                    static_cast<float>(in[f * fileChannels + c]) * (1.0F / 32768.0F);
        blockAt_ += take * fileChannels;
        done += take;
    }
    position_ += done;
    return done;
}

qint64 StreamSource::lengthMs() const {
    if (!decoder_ || decoder_->LengthSamples() <= 0)
        return -1;
    return decoder_->LengthSamples() * 1000 / decoder_->SampleRate();
}

qint64 StreamSource::positionMs() const {
    if (!decoder_)
        return 0;
    return position_ * 1000 / decoder_->SampleRate();
}

bool StreamSource::seekMs(qint64 ms) {
    if (!decoder_ || ms < 0)
        return false;
    const qint64 frame = ms * decoder_->SampleRate() / 1000;
    if (decoder_->LengthSamples() > 0 && frame > decoder_->LengthSamples())
        return false;
    const qint64 reached = decoder_->SeekTo(frame);
    if (reached < 0)
        return false;
    block_.clear();
    blockAt_ = 0;
    position_ = reached;
    return true;
}

} // namespace pelvanto::sound
