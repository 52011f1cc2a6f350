#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Music and CD fixtures written byte by byte, with the facts tests check them against.
namespace musicfixtures {

// A four-channel ProTracker module ("M.K."): orders 0, 1, 0 over two 64-row patterns, two
// looping samples (31 sample slots), speed 3 and 150 BPM set on the first row, so 50 ms a row
// and 9600 ms in all.
struct ModFacts {
    static constexpr const char *kName = "Pelvanto Test Song";
    static constexpr int kChannels = 4;
    static constexpr int kOrders = 3;
    static constexpr int kPatterns = 2;
    static constexpr int kSampleSlots = 31;
    static constexpr int kSpeed = 3;
    static constexpr int kBpm = 150;
    static constexpr int kRowMs = 50;
    static constexpr int kLengthMs = 3 * 64 * kRowMs;
};
QByteArray modFile();

// A two-channel FastTracker 2 module: orders 0, 1, 1, 0 over a 16-row and a 32-row pattern,
// two instruments of one looping sample each, default speed 6 and 100 BPM: 150 ms a row,
// 96 rows, 14400 ms.
struct XmFacts {
    static constexpr const char *kName = "Pelvanto XM Test";
    static constexpr int kChannels = 2;
    static constexpr int kOrders = 4;
    static constexpr int kPatterns = 2;
    static constexpr int kInstruments = 2;
    static constexpr int kSamples = 2;
    static constexpr int kPatternRows[2] = {16, 32};
    static constexpr int kOrderList[4] = {0, 1, 1, 0};
    static constexpr int kSpeed = 6;
    static constexpr int kBpm = 100;
    static constexpr int kRowMs = 150;
    static constexpr int kLengthMs = 96 * kRowMs;
};
QByteArray xmFile();

// A format 1 Standard MIDI File of two tracks on two channels (piano and strings): four
// quarter notes at 120 BPM, then a tempo change to 240 BPM and four more: 3000 ms.
struct MidiFacts {
    static constexpr const char *kName = "Pelvanto MIDI Test";
    static constexpr int kChannels = 2;
    static constexpr int kLengthMs = 3000;
    static constexpr int kTempoChangeMs = 2000;
    static constexpr int kFirstBpm = 120;
    static constexpr int kSecondBpm = 240;
};
QByteArray midiFile();

// A CD image of 16-bit stereo tones, one track each, `seconds` long (whole CD frames).
struct CdTrackTone {
    double frequency;
    int seconds;
};
// The raw data file (little-endian, or big-endian when `bigEndian`).
QByteArray cdImageData(const QVector<CdTrackTone> &tracks, bool bigEndian = false);
// The cue sheet naming `dataFileName` with the tracks' start times.
QByteArray cueSheet(const QString &dataFileName, const QVector<CdTrackTone> &tracks,
                    bool bigEndian = false);
// The sample of channel 0 at frame `frame` of a track, as cdImageData() writes it.
qint16 cdToneSample(double frequency, qint64 frame);

} // namespace musicfixtures
