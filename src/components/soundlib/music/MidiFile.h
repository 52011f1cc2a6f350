#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

namespace pelvanto::sound {

// What playback needs to know of a Standard MIDI File before a synthesizer sees it: that it
// is whole and well formed, how long it lasts through its tempo changes, its name and the
// channels it uses. The synthesizer gets only files this parser accepts.
class MidiFile {
public:
    // Accepts a Standard MIDI File (formats 0, 1, 2, metrical time) or a RIFF "RMID" file
    // holding one; nullopt for anything truncated, malformed or in SMPTE time.
    static std::optional<MidiFile> parse(const QByteArray &data);
    // Whether the data starts like a MIDI file at all (parse() may still refuse it).
    static bool looksLikeMidi(const QByteArray &data);

    // The bare Standard MIDI File (unwrapped from RMID).
    const QByteArray &smf() const { return smf_; }
    int ticksPerQuarter() const { return ticksPerQuarter_; }
    // Tick of the last event of the longest track.
    qint64 lengthTicks() const { return lengthTicks_; }
    qint64 lengthMs() const { return ticksToMs(lengthTicks_); }
    qint64 ticksToMs(qint64 tick) const;
    qint64 msToTicks(qint64 ms) const;
    // Tempo in effect at `tick`, in beats per minute, rounded.
    int bpmAt(qint64 tick) const;
    // The first sequence or track name of the first track that has one.
    QString name() const { return name_; }
    // How many of the 16 MIDI channels carry any channel message.
    int channelsUsed() const;

private:
    struct TempoChange {
        qint64 tick = 0;
        qint64 microsPerQuarter = 500000;
        double msAtTick = 0.0;
    };
    const TempoChange &tempoAtTick(qint64 tick) const;

    QByteArray smf_;
    int ticksPerQuarter_ = 0;
    qint64 lengthTicks_ = 0;
    QString name_;
    quint16 channelMask_ = 0;
    QVector<TempoChange> tempoMap_;
};

} // namespace pelvanto::sound
