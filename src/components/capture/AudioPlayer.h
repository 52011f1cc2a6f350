#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

namespace pelvanto {

class PlayEngine;

// The player: plays queued 16-bit interleaved blocks on the sound server's default output.
// Sample counts are frames (per channel). Events are delivered on the owner's thread.
class AudioPlayer : public QObject {
    Q_OBJECT
public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    void SetFormat(int rate, int channels);
    int SampleRate() const;
    int ChannelCount() const;
    qint64 MsToSamples(qint64 ms) const;
    qint64 SamplesToMs(qint64 frames) const;

    // Starts playing what is queued (and what will be); after PlayStop it starts a new run,
    // PlayedSamples() counting from 0 again.
    void PlayStart();
    // 1 playing, 0 stopped, negative when the last start failed.
    int PlayStatus() const;
    void QueueBlock(const QVector<qint16> &samples);
    // Stops: what was not yet handed to the server is discarded, what was plays to its end,
    // so that PlayedSamples() taken just before is exactly what is heard of this run.
    void PlayStop();
    // Frames of this run handed to the server (all of which are heard, PlayStop included).
    // Timer reports the frames audible by now, a little behind this.
    qint64 PlayedSamples() const;
    QVector<qint16> GetLatestSamples(int n) const;

    QString LastError() const;

signals:
    void Timer(qint64 CurrentSamples, int LevelLeft, int LevelRight);
    // The player wants data: queue a block from the handler.
    void RequestOnLoadArray();
    // A queued block has been handed over; the player wants the next one.
    void EndArrayPlay();
    // Every queued sample has been played (the queue ran dry and no handler refilled it).
    void EndPlay();

private:
    std::unique_ptr<PlayEngine> d;
};

} // namespace pelvanto
