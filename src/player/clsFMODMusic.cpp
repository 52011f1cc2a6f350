// The wrapper's music modules and CD audio.
#include "clsFMOD.h"

#include "FMod.h"
#include "FModNotifier.h"
#include "clsFMODTiming.h"

#include "soundlib/SoundEngine.h"

#include <algorithm>

namespace pelvanto {

// --- music modules ---------------------------------------------------------------------------

bool clsFMOD::MusicPlay(const QString &sFilename, bool bLoopit, quint8 bVolume) {
    if (song_ != 0) {
        engine_->musicStopSong(song_);
        engine_->musicFreeSong(song_);
    }
    song_ = engine_->musicLoadSong(sFilename);
    if (song_ == 0) {
        reportUnplayable(sFilename);
        return false;
    }
    engine_->musicSetLooping(song_, bLoopit);
    if (!engine_->musicPlaySong(song_)) {
        // Loaded but silent (the library is not started): not a success.
        reportError();
        return false;
    }
    engine_->musicSetMasterVolume(song_, bVolume);
    return true;
}

bool clsFMOD::MusicStop() {
    if (song_ == 0)
        return false;
    if (engine_->musicIsPlaying(song_))
        engine_->musicStopSong(song_);
    else
        engine_->musicPlaySong(song_);
    return true;
}

bool clsFMOD::MusicUnload() {
    if (song_ == 0)
        return false;
    engine_->musicStopSong(song_);
    engine_->musicFreeSong(song_);
    song_ = 0;
    return true;
}

bool clsFMOD::MusicPausePlay() {
    if (song_ == 0)
        return false;
    engine_->musicSetPaused(song_, !engine_->musicGetPaused(song_));
    return true;
}

quint8 clsFMOD::MusicVolume() {
    return static_cast<quint8>(engine_->musicGetMasterVolume(song_));
}

void clsFMOD::setMusicVolume(quint8 bVolume) {
    engine_->musicSetMasterVolume(song_, bVolume);
}

QString clsFMOD::MusicName() {
    return StringFromPtr(engine_->musicGetName(song_));
}

qint32 clsFMOD::MusicNumChannels() {
    return engine_->musicGetNumChannels(song_);
}

qint32 clsFMOD::MusicNumIntruments() {
    return engine_->musicGetNumInstruments(song_);
}

qint32 clsFMOD::MusicNumOrders() {
    return engine_->musicGetNumOrders(song_);
}

qint32 clsFMOD::MusicNumPatterns() {
    return engine_->musicGetNumPatterns(song_);
}

qint32 clsFMOD::MusicNumSamples() {
    return engine_->musicGetNumSamples(song_);
}

qint32 clsFMOD::MusicBPM() {
    return engine_->musicGetBPM(song_);
}

qint32 clsFMOD::MusicPattern() {
    return engine_->musicGetPattern(song_);
}

qint32 clsFMOD::MusicRow() {
    return engine_->musicGetRow(song_);
}

qint32 clsFMOD::MusicSpeed() {
    return engine_->musicGetSpeed(song_);
}

qint32 clsFMOD::MusicTime() {
    return static_cast<qint32>(engine_->musicGetTime(song_));
}

qint32 clsFMOD::MusicOrder() {
    return engine_->musicGetOrder(song_);
}

void clsFMOD::setMusicOrder(qint32 lNewOrder) {
    engine_->musicSetOrder(song_, lNewOrder);
}

bool clsFMOD::MusicIsLoaded() const {
    return song_ != 0;
}

bool clsFMOD::MusicIsPlaying() {
    if (engine_->musicGetPaused(song_))
        return false;
    return engine_->musicIsPlaying(song_);
}

bool clsFMOD::MusicIsFinished() {
    return engine_->musicIsFinished(song_);
}

qint32 clsFMOD::MusicNumRows() {
    return engine_->musicGetPatternLength(song_, engine_->musicGetOrder(song_));
}

qint32 clsFMOD::MusicGetRows(qint32 lOrder) {
    return engine_->musicGetPatternLength(song_, lOrder);
}

void clsFMOD::setMusicPanSep(float sPan) {
    engine_->musicSetPanSeparation(song_, sPan);
}

double clsFMOD::msPerRow() {
    return fmodtiming::msPerRow(engine_->musicGetBPM(song_), engine_->musicGetSpeed(song_));
}

// Rows of every order; orders whose length cannot be had count 0.
qint64 clsFMOD::totalRows() {
    qint64 rows = 0;
    const int orders = engine_->musicGetNumOrders(song_);
    for (int order = 0; order < orders; ++order)
        rows += std::max(0, engine_->musicGetPatternLength(song_, order));
    return rows;
}

qint32 clsFMOD::MusicSongLen() {
    const double rowMs = msPerRow();
    return static_cast<qint32>(fmodtiming::roundEven(static_cast<double>(totalRows()) * rowMs));
}

qint32 clsFMOD::MusicSongPos() {
    const double rowMs = msPerRow();
    const int current = engine_->musicGetOrder(song_);
    qint64 rows = 0;
    for (int order = 0; order <= current; ++order)
        rows += std::max(0, engine_->musicGetPatternLength(song_, order));
    rows -=
        std::max(0, engine_->musicGetPatternLength(song_, current)) - engine_->musicGetRow(song_);
    return static_cast<qint32>(fmodtiming::roundEven(static_cast<double>(rows) * rowMs));
}

bool clsFMOD::GetMusicOK(const QString &sFilename) {
    const qint32 song = engine_->musicLoadSong(sFilename);
    if (song == 0)
        return false;
    const bool ok = engine_->musicGetType(song) != 0;
    engine_->musicFreeSong(song);
    return ok;
}

void clsFMOD::GetMusicData(const QString &sFilename, qint32 &lLength, QString &sName) {
    const qint32 song = engine_->musicLoadSong(sFilename);
    if (song == 0)
        return;
    if (engine_->musicGetType(song) == 0) {
        engine_->musicFreeSong(song);
        return;
    }
    // Every step runs even when one before it failed.
    engine_->musicSetMasterVolume(song, 0);
    engine_->musicPlaySong(song);
    const int orders = engine_->musicGetNumOrders(song);
    engine_->musicSetOrder(song, static_cast<int>(fmodtiming::roundEven(orders / 2.0)));
    sName = TrimBlanks(StringFromPtr(engine_->musicGetName(song)));
    const double rowMs =
        fmodtiming::msPerRow(engine_->musicGetBPM(song), engine_->musicGetSpeed(song));
    qint64 rows = 0;
    for (int order = 0; order < orders; ++order)
        rows += std::max(0, engine_->musicGetPatternLength(song, order));
    lLength = fmodtiming::songSeconds(rows, rowMs);
    engine_->musicStopSong(song);
    engine_->musicFreeSong(song);
}

// --- CD audio --------------------------------------------------------------------------------

void clsFMOD::CDEject(quint8 bDrive) {
    engine_->cdEject(bDrive);
}

qint32 clsFMOD::CDGetNumTracks(quint8 bDrive) {
    return engine_->cdGetNumTracks(bDrive);
}

bool clsFMOD::CDPlay(qint32 lTrack, quint8 bDrive) {
    const bool mode = engine_->cdSetPlayMode(bDrive, sound::CdPlayOnce);
    const bool played = engine_->cdPlay(bDrive, lTrack);
    return mode && played;
}

void clsFMOD::CDPausePlay(quint8 bDrive) {
    engine_->cdSetPaused(bDrive, !engine_->cdGetPaused(bDrive));
}

void clsFMOD::CDStop(quint8 bDrive) {
    engine_->cdStop(bDrive);
}

qint32 clsFMOD::CDGetTrackLength(qint32 lTrack, quint8 bDrive) {
    return static_cast<qint32>(engine_->cdGetTrackLength(bDrive, lTrack));
}

qint32 clsFMOD::CDGetTrackTime(quint8 bDrive) {
    return static_cast<qint32>(engine_->cdGetTrackTime(bDrive));
}

void clsFMOD::CDSetTrackTime(qint32 lMs, quint8 bDrive) {
    engine_->cdSetTrackTime(bDrive, lMs);
}

void clsFMOD::CDSetVolume(quint8 bVol, quint8 bDrive) {
    engine_->cdSetVolume(bDrive, bVol);
}

} // namespace pelvanto
