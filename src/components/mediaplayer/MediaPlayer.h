#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace pelvanto {

namespace sound {
class SoundEngine;
}

// The media player control the audio player window drives, on the sound library: assigning a
// file name opens the file and starts it; Play, Pause and Stop; position and duration in
// seconds; volume and balance; EndOfStream when a file has played to its end.
//
// File names: a sound file the library streams (MP3, WAV, WMA, Ogg, AIFF, AU, FLAC…), a MIDI
// song or tracker module, or the audio CD of the first drive: "CDAUDIO:" plays the disc from
// its first track on, "CDAUDIO:7" plays track 7 alone.
//
// Volume is in hundredths of a decibel, 0 (full) down to kSilentVolume (silent); values
// outside that range are refused and leave the volume as it was.
// Balance: kBalanceCentre plays both sides at full level; kBalanceHalfRange towards minus
// fades the right side out (full left), towards plus the left side (full right); values past
// either end act as that end. Refused outside kBalanceMin .. kBalanceMax.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    static constexpr int kFullVolume = 0;
    static constexpr int kSilentVolume = -10000;
    static constexpr int kBalanceCentre = -1180;
    static constexpr int kBalanceHalfRange = 420;
    static constexpr int kBalanceMin = -10000;
    static constexpr int kBalanceMax = 10000;
    static inline const QString kCdAudio = QStringLiteral("CDAUDIO:");

    explicit MediaPlayer(QObject *parent = nullptr);
    ~MediaPlayer() override;

    // Opens and plays; false when the file cannot be played (the player is then empty and
    // ErrorText() tells why).
    bool setFileName(const QString &name);
    QString FileName() const { return fileName_; }
    QString ErrorText() const { return errorText_; }
    bool IsOpen() const { return kind_ != Kind::None; }

    void Play();
    void Pause();
    void Stop();
    bool IsPlaying() const;

    double CurrentPosition() const; // seconds
    void setCurrentPosition(double seconds);
    double Duration() const; // seconds, 0 when unknown

    int Volume() const { return volume_; }
    bool setVolume(int hundredthsOfDb);
    int Balance() const { return balance_; }
    bool setBalance(int balance);

    // The sound library's levels: 0 to 255 for a volume, 0 (left) to 255 (right) or the full
    // stereo pan for a balance.
    static int levelForVolume(int hundredthsOfDb);
    static int panForBalance(int balance);

    // The CD drive "CDAUDIO:" plays (a drive number of the sound library).
    static constexpr int kCdDrive = 0;
    // Tracks of the disc in that drive; 0 without a disc or drive.
    static int cdTrackCount();

    // For measurements: the mixer's share of real time, in per cent.
    float engineCpuUsage() const;

signals:
    // The file played to its end; result 0 (the platform control's argument).
    void EndOfStream(int result);

private:
    enum class Kind { None, Stream, Song, Cd };
    bool ensureEngine();
    void close();
    bool openCd(const QString &name);
    void applyLevels();
    void setPaused(bool paused);
    void ended();

    std::unique_ptr<sound::SoundEngine> engine_;
    Kind kind_ = Kind::None;
    QString fileName_;
    QString errorText_;
    int handle_ = 0;  // stream or song
    int channel_ = 0; // the stream's channel while it plays
    int cdTrack_ = 0; // 0: the whole disc
    qint64 cdStartMs_ = 0;
    qint64 songLengthMs_ = 0;
    bool paused_ = false;
    bool stopped_ = true;
    int volume_ = kFullVolume;
    int balance_ = kBalanceCentre;
};

} // namespace pelvanto
