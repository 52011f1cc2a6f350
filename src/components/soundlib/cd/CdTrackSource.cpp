#include "soundlib/cd/CdTrackSource.h"

#include "soundlib/cd/CdHandle.h"

#include <algorithm>
#include <cstring>

namespace pelvanto::sound {

namespace {

// A third of a second per read keeps drive requests few without holding the mixer long.
constexpr int kSectorsPerRead = 25;

} // namespace

CdTrackSource::CdTrackSource(std::unique_ptr<CdHandle> handle, int track, int sectorFirst,
                             int sectorCount, bool bigEndian)
    : handle_(std::move(handle)), track_(track), sectorFirst_(sectorFirst),
      sectorCount_(sectorCount), bigEndian_(bigEndian) {}

CdTrackSource::~CdTrackSource() = default;

bool CdTrackSource::fillBlock(qint64 frame) {
    const int sector = static_cast<int>(frame / kFramesPerSector);
    const int count = std::min(kSectorsPerRead, sectorCount_ - sector);
    if (count <= 0)
        return false;
    QByteArray raw(qsizetype(count) * CDIO_CD_FRAMESIZE_RAW, Qt::Uninitialized);
    if (cdio_read_audio_sectors(handle_->get(), raw.data(), sectorFirst_ + sector,
                                static_cast<uint32_t>(count)) != DRIVER_OP_SUCCESS) {
        blockFirstFrame_ = -1;
        return false;
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(raw.constData());
    const int samples = count * kFramesPerSector * 2;
    block_.resize(samples);
    for (int i = 0; i < samples; ++i) {
        const unsigned char lo = bytes[2 * i + (bigEndian_ ? 1 : 0)];
        const unsigned char hi = bytes[2 * i + (bigEndian_ ? 0 : 1)];
        block_[i] = static_cast<float>(static_cast<qint16>((hi << 8) | lo)) / 32768.0f;
    }
    blockFirstFrame_ = qint64(sector) * kFramesPerSector;
    return true;
}

qint64 CdTrackSource::read(float *interleaved, qint64 frames) {
    std::lock_guard lock(mutex_);
    const qint64 total = qint64(sectorCount_) * kFramesPerSector;
    qint64 done = 0;
    while (done < frames && positionFrames_ < total) {
        const qint64 blockFrames = block_.size() / 2;
        if (blockFirstFrame_ < 0 || positionFrames_ < blockFirstFrame_ ||
            positionFrames_ >= blockFirstFrame_ + blockFrames) {
            if (!fillBlock(positionFrames_))
                return done > 0 ? done : -1;
            continue;
        }
        const qint64 offset = positionFrames_ - blockFirstFrame_;
        const qint64 count = std::min(frames - done, blockFrames - offset);
        std::memcpy(interleaved + done * 2, block_.constData() + offset * 2,
                    static_cast<size_t>(count) * 2 * sizeof(float));
        done += count;
        positionFrames_ += count;
    }
    return done;
}

qint64 CdTrackSource::lengthMs() const {
    return qint64(sectorCount_) * 1000 / CDIO_CD_FRAMES_PER_SEC;
}

qint64 CdTrackSource::positionMs() const {
    std::lock_guard lock(mutex_);
    return positionFrames_ * 1000 / kRate;
}

bool CdTrackSource::seekMs(qint64 ms) {
    std::lock_guard lock(mutex_);
    if (ms < 0 || ms > lengthMs())
        return false;
    // The first frame at or after `ms`, so the position reads back as `ms`.
    positionFrames_ = std::min((ms * kRate + 999) / 1000, qint64(sectorCount_) * kFramesPerSector);
    return true;
}

} // namespace pelvanto::sound
