#pragma once

#include "soundlib/music/MidiFile.h"
#include "soundlib/music/MusicSource.h"

#include <memory>
#include <mutex>

namespace pelvanto::sound {

// A Standard MIDI File played by FluidSynth with the installed General MIDI sound font,
// rendered in sample time (no audio driver, no timer thread): the song advances exactly by
// the frames read.
class MidiSource final : public MusicSource {
public:
    // Null when the data is not a well-formed MIDI file (LoadFailed) or no sound font is
    // installed or loadable (NoSoundFont).
    static std::unique_ptr<MidiSource> open(const QByteArray &data, int sampleRate,
                                            MusicOpenError *error = nullptr);
    // The General MIDI sound font MIDI songs are played with; empty when none is installed.
    static QString soundFontPath();
    ~MidiSource() override;

    int sampleRate() const override { return sampleRate_; }
    int channels() const override { return 2; }
    qint64 read(float *interleaved, qint64 frames) override;
    qint64 lengthMs() const override { return file_.lengthMs(); }
    qint64 positionMs() const override;
    bool seekMs(qint64 ms) override;

    MusicType type() const override { return MusicType::Midi; }
    QString name() const override { return file_.name(); }
    int numChannels() const override { return file_.channelsUsed(); }
    int numInstruments() const override { return 0; }
    int numOrders() const override { return 0; }
    int numPatterns() const override { return 0; }
    int numSamples() const override { return 0; }
    int orderRows(int) const override { return -1; }
    int patternRows(int) const override { return -1; }
    int bpm() const override;
    int speed() const override { return 0; }
    int currentOrder() const override { return 0; }
    int currentRow() const override { return 0; }
    int currentPattern() const override { return 0; }
    bool setOrder(int) override { return false; }
    bool looping() const override;
    void setLooping(bool loop) override;
    int masterVolume() const override;
    void setMasterVolume(int volume) override;
    double panSeparation() const override;
    void setPanSeparation(double separation) override;
    bool isFinished() const override;
    void rewind() override;

private:
    MidiSource(MidiFile file, int sampleRate);
    bool createSynth(const QString &soundFont);
    // A fresh player positioned at `tick`; the synthesizer is reset by it.
    bool startPlayer(qint64 tick);
    qint64 currentTick() const;
    bool atEnd() const;

    // FluidSynth's settings, synthesizer and player.
    struct Fluid;

    mutable std::mutex mutex_;
    MidiFile file_;
    int sampleRate_;
    std::unique_ptr<Fluid> fluid_;
    qint64 startTick_ = 0;
    bool looping_ = false;
    bool finished_ = false;
    int masterVolume_ = kFullVolume;
    double panSeparation_ = 1.0;
};

} // namespace pelvanto::sound
