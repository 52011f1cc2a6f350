#pragma once

#include "soundlib/SoundSource.h"

#include <QString>
#include <QVector>

#include <memory>
#include <mutex>

typedef struct _CdIo CdIo_t; // NOLINT(modernize-use-using): as libcdio declares it

namespace pelvanto::sound {

// One audio track of a CD (or disc image) as 44.1 kHz stereo, read sector by sector through
// its own handle on the drive, so it plays independently of the CdDrive it came from.
class CdTrackSource final : public SoundSource {
public:
    static constexpr int kRate = 44100;
    static constexpr int kFramesPerSector = 588; // 2352 bytes of 16-bit stereo

    ~CdTrackSource() override;
    CdTrackSource(const CdTrackSource &) = delete;
    CdTrackSource &operator=(const CdTrackSource &) = delete;

    int sampleRate() const override { return kRate; }
    int channels() const override { return 2; }
    qint64 read(float *interleaved, qint64 frames) override;
    qint64 lengthMs() const override;
    qint64 positionMs() const override;
    bool seekMs(qint64 ms) override;

    int track() const { return track_; }

private:
    friend class CdDrive;
    CdTrackSource(CdIo_t *handle, int track, int sectorFirst, int sectorCount, bool bigEndian);
    bool fillBlock(qint64 frame);

    mutable std::mutex mutex_;
    CdIo_t *handle_;
    int track_;
    int sectorFirst_;
    int sectorCount_;
    bool bigEndian_;
    qint64 positionFrames_ = 0;
    // The sectors last read, decoded; reads that end inside a sector continue from here.
    QVector<float> block_;
    qint64 blockFirstFrame_ = -1;
};

} // namespace pelvanto::sound
