#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace pelvanto {

namespace sound {
class SoundEngine;
}
class FModNotifier;

// The sound library behind one object with plain methods and properties: streamed files,
// tracker music and MIDI songs, CD audio and the tags of streams. The library is not touched
// until Init; the object releases it when destroyed. Methods that report failures themselves
// show them through the notifier ("FMOD Error" boxes in the windows) and return false; the
// others return what the library returns, or 0 / false / empty text.
// All calls come from one thread.
class clsFMOD {
public:
    explicit clsFMOD(FModNotifier *notifier = nullptr);
    ~clsFMOD();
    clsFMOD(const clsFMOD &) = delete;
    clsFMOD &operator=(const clsFMOD &) = delete;

    // --- initialisation and output ----------------------------------------------------------
    bool Init(qint32 lMixrate, qint32 lMaxChannels);
    bool ReturnDrivers(QStringList &sDrvArray);
    bool InitOutput(qint32 eOutType);
    bool InitMixer(qint32 eMixerType);
    bool InitBuffer(qint32 lBufferLenMs);
    bool InitDriver(qint16 iDriveNum);
    void setSpeakerSetup(qint32 Spk);

    // --- streams ----------------------------------------------------------------------------
    bool StreamPlay(const QString &sFilename, bool bVBR, quint8 bVolume);
    bool StreamPausePlay();
    bool StreamStop();
    bool StreamUnload();
    qint32 StreamFrequency();
    void setStreamFrequency(qint32 lFreq);
    quint8 StreamVolume();
    void setStreamVolume(quint8 bVolume);
    bool StreamIsLoaded() const;
    bool StreamIsPlaying();
    qint32 StreamSongLen();
    qint32 StreamSongPos();
    void setStreamSongPos(qint32 lPos);
    qint32 StreamKbps();
    quint8 StreamPanning();
    void setStreamPanning(quint8 bPanning); // 128 plays full stereo
    bool StreamSurround();
    void setStreamSurround(bool bSurround);

    // --- stream handles owned by the caller, and tags ---------------------------------------
    qint32 GetStreamOpenFile(const QString &sFilename, bool bVBR);
    void GetStreamCloseFile(qint32 lHandle);
    qint32 GetStreamLength(qint32 lHandle); // whole seconds
    QString GetStreamTag(qint32 lHandle, qint32 eTag, QString &sTagName);
    qint32 GetStreamTagNumTags(qint32 lHandle);
    void GetStreamTagByNum(qint32 lHandle, qint32 lNum, qint32 &eTagType, QString &sTagName,
                           QString &sTagValue);

    // --- music modules ----------------------------------------------------------------------
    bool MusicPlay(const QString &sFilename, bool bLoopit, quint8 bVolume);
    bool MusicStop();
    bool MusicUnload();
    bool MusicPausePlay();
    quint8 MusicVolume();
    void setMusicVolume(quint8 bVolume);
    QString MusicName();
    qint32 MusicNumChannels();
    qint32 MusicNumIntruments();
    qint32 MusicNumOrders();
    qint32 MusicNumPatterns();
    qint32 MusicNumSamples();
    qint32 MusicBPM();
    qint32 MusicPattern();
    qint32 MusicRow();
    qint32 MusicSpeed();
    qint32 MusicTime();
    qint32 MusicOrder();
    void setMusicOrder(qint32 lNewOrder);
    bool MusicIsLoaded() const;
    bool MusicIsPlaying();
    bool MusicIsFinished();
    qint32 MusicNumRows();
    qint32 MusicGetRows(qint32 lOrder);
    void setMusicPanSep(float sPan);
    qint32 MusicSongLen();
    qint32 MusicSongPos();
    bool GetMusicOK(const QString &sFilename);
    void GetMusicData(const QString &sFilename, qint32 &lLength, QString &sName);

    // --- CD audio ---------------------------------------------------------------------------
    void CDEject(quint8 bDrive);
    qint32 CDGetNumTracks(quint8 bDrive);
    bool CDPlay(qint32 lTrack, quint8 bDrive);
    void CDPausePlay(quint8 bDrive);
    void CDStop(quint8 bDrive);
    qint32 CDGetTrackLength(qint32 lTrack, quint8 bDrive);
    qint32 CDGetTrackTime(quint8 bDrive);
    void CDSetTrackTime(qint32 lMs, quint8 bDrive);
    void CDSetVolume(quint8 bVol, quint8 bDrive);

    // --- other ------------------------------------------------------------------------------
    float CPUUsage() const;
    float FMODVersion() const;
    qint32 ChannelsPlaying();
    void GetVU(float &nLeft, float &nRight);
    void GetSpecificVU(qint32 lSpecChannel, float &nLeft, float &nRight);
    quint8 TestFile(const QString &sFilename);

    // The library underneath, for its events (a stream's channel ending and the like).
    sound::SoundEngine &engine() { return *engine_; }

private:
    void reportError();
    void reportUnplayable(const QString &sFilename);
    qint32 openStream(const QString &sFilename, bool bVBR);
    qint64 totalRows();
    double msPerRow();

    std::unique_ptr<sound::SoundEngine> engine_;
    FModNotifier *notifier_;
    qint32 stream_ = 0;  // the loaded stream
    qint32 channel_ = 0; // its channel while started
    qint32 song_ = 0;    // the loaded music module
};

} // namespace pelvanto
