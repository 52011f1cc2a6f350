#pragma once

#include "soundlib/music/MusicSource.h"

#include <QByteArray>

#include <memory>
#include <mutex>

namespace openmpt {
class module;
}

namespace pelvanto::sound {

// A tracker module rendered by libopenmpt, stereo at the rate it was opened with.
class ModuleSource final : public MusicSource {
public:
    // Null when libopenmpt does not take the data; `error` tells whether it did not recognise
    // it at all or recognised a damaged file.
    static std::unique_ptr<ModuleSource> open(const QByteArray &data, int sampleRate,
                                              MusicOpenError *error = nullptr);
    ~ModuleSource() override;

    int sampleRate() const override { return sampleRate_; }
    int channels() const override { return 2; }
    qint64 read(float *interleaved, qint64 frames) override;
    qint64 lengthMs() const override;
    qint64 positionMs() const override;
    bool seekMs(qint64 ms) override;

    MusicType type() const override { return type_; }
    QString name() const override { return name_; }
    int numChannels() const override;
    int numInstruments() const override;
    int numOrders() const override;
    int numPatterns() const override;
    int numSamples() const override;
    int orderRows(int order) const override;
    int patternRows(int pattern) const override;
    int bpm() const override;
    int speed() const override;
    int currentOrder() const override;
    int currentRow() const override;
    int currentPattern() const override;
    bool setOrder(int order) override;
    bool looping() const override;
    void setLooping(bool loop) override;
    int masterVolume() const override;
    void setMasterVolume(int volume) override;
    double panSeparation() const override;
    void setPanSeparation(double separation) override;
    bool isFinished() const override;
    void rewind() override;

private:
    ModuleSource(std::unique_ptr<openmpt::module> module, int sampleRate);

    mutable std::mutex mutex_;
    std::unique_ptr<openmpt::module> module_;
    int sampleRate_;
    MusicType type_ = MusicType::Other;
    QString name_;
    qint64 lengthMs_ = -1;
    bool looping_ = false;
    bool finished_ = false;
    int masterVolume_ = kFullVolume;
    double panSeparation_ = 1.0;
};

} // namespace pelvanto::sound
