#pragma once

#include "soundlib/SoundSource.h"

#include <QString>
#include <QVector>

#include <memory>
#include <mutex>

namespace pelvanto::sound {

class CdHandle;

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
    CdTrackSource(std::unique_ptr<CdHandle> handle, int track, int sectorFirst, int sectorCount,
                  bool bigEndian);
    bool fillBlock(qint64 frame);

    mutable std::mutex mutex_;
    std::unique_ptr<CdHandle> handle_;
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
