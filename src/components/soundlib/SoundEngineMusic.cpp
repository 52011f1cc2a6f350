// Music songs and CD audio of the sound engine: each plays on a voice of its own.
#include "soundlib/EngineState.h"

#include <climits>

namespace pelvanto::sound {

namespace {

SoundError musicError(MusicOpenError error) {
    switch (error) {
    case MusicOpenError::FileNotFound:
        return SoundError::FileNotFound;
    case MusicOpenError::UnknownFormat:
        return SoundError::FileFormat;
    default:
        return SoundError::FileBad;
    }
}

// The engine's 0..255 against the song's 0..256 (256 renders as written).
int songVolume(int volume) {
    return (volume * MusicSource::kFullVolume + 127) / 255;
}

int engineVolume(int songVolume) {
    return (songVolume * 255 + MusicSource::kFullVolume / 2) / MusicSource::kFullVolume;
}

} // namespace

Song *EngineState::song(int handle) {
    const auto it = songs.find(handle);
    if (it == songs.end()) {
        fail(SoundError::InvalidParam);
        return nullptr;
    }
    return it->second.get();
}

CdPlayer *EngineState::cd(int drive) {
    const auto it = cds.find(drive);
    if (it != cds.end() && it->second->drive)
        return it->second.get();
    std::unique_ptr<CdDrive> opened = CdDrive::open(drive);
    if (!opened) {
        fail(SoundError::CdDevice);
        return nullptr;
    }
    std::lock_guard lock(mutex);
    auto &player = cds[drive];
    if (!player)
        player = std::make_unique<CdPlayer>();
    player->drive = std::move(opened);
    return player.get();
}

void EngineState::cdTrackEnded(int drive) {
    const auto it = cds.find(drive);
    if (it == cds.end() || !it->second->track || !initialised)
        return;
    CdPlayer &cd = *it->second;
    int next = 0;
    if (cd.mode == CdPlayLooped)
        next = cd.track->track();
    else if (cd.mode == CdPlayContinuous &&
             cd.track->track() < cd.drive->firstTrack() + cd.drive->trackCount() - 1)
        next = cd.track->track() + 1;
    std::unique_ptr<CdTrackSource> track = next > 0 ? cd.drive->openTrack(next) : nullptr;
    if (!track) {
        emit q->cdTrackEnded(drive);
        return;
    }
    std::lock_guard lock(mutex);
    cd.track = std::move(track);
    cd.voice->start(cd.track.get());
    cd.voice->volume = cd.volume;
    cd.voice->pan = kFullStereoPan;
}

// --- music --------------------------------------------------------------------------------

int SoundEngine::musicLoadSong(const QString &path) {
    MusicOpenError reason = MusicOpenError::None;
    std::unique_ptr<MusicSource> source = MusicModule::open(path, d->musicRate(), &reason);
    if (!source) {
        d->fail(musicError(reason));
        return 0;
    }
    auto song = std::make_unique<Song>();
    song->name = source->name().toUtf8();
    song->source = std::move(source);
    const int handle = d->nextSong;
    d->nextSong = d->nextSong == INT_MAX ? 1 : d->nextSong + 1;
    std::lock_guard lock(d->mutex);
    d->songs[handle] = std::move(song);
    return handle;
}

bool SoundEngine::musicFreeSong(int song) {
    std::unique_ptr<Song> freed;
    {
        std::lock_guard lock(d->mutex);
        const auto it = d->songs.find(song);
        if (it == d->songs.end())
            return d->fail(SoundError::InvalidParam);
        freed = std::move(it->second);
        d->songs.erase(it);
    }
    return true;
}

bool SoundEngine::musicPlaySong(int song) {
    if (!d->needInit())
        return false;
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    s->source->rewind();
    if (!s->voice)
        s->voice = std::make_unique<Voice>(d->rate, d->converter());
    s->voice->start(s->source.get());
    s->voice->pan = kFullStereoPan;
    return true;
}

bool SoundEngine::musicStopSong(int song) {
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    if (s->voice)
        s->voice->stop();
    return true;
}

bool SoundEngine::musicIsPlaying(int song) {
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    return s->voice && s->voice->active();
}

bool SoundEngine::musicIsFinished(int song) {
    Song *s = d->song(song);
    return s != nullptr && s->source->isFinished();
}

bool SoundEngine::musicSetPaused(int song, bool paused) {
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    if (!s->voice)
        return d->fail(SoundError::InvalidParam);
    s->voice->paused = paused;
    return true;
}

bool SoundEngine::musicGetPaused(int song) {
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    return s->voice && s->voice->paused;
}

bool SoundEngine::musicSetMasterVolume(int song, int volume) {
    if (volume < 0 || volume > 255)
        return d->fail(SoundError::InvalidParam);
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    s->source->setMasterVolume(songVolume(volume));
    return true;
}

int SoundEngine::musicGetMasterVolume(int song) {
    return d->songValue(song, 0, [](Song &s) { return engineVolume(s.source->masterVolume()); });
}

bool SoundEngine::musicSetLooping(int song, bool loop) {
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    s->source->setLooping(loop);
    return true;
}

bool SoundEngine::musicSetPanSeparation(int song, float separation) {
    if (!(separation >= 0.0F && separation <= 1.0F))
        return d->fail(SoundError::InvalidParam);
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    s->source->setPanSeparation(separation);
    return true;
}

int SoundEngine::musicGetType(int song) {
    return d->songValue(song, 0, [](Song &s) { return static_cast<int>(s.source->type()); });
}

const char *SoundEngine::musicGetName(int song) {
    Song *s = d->song(song);
    return s == nullptr ? nullptr : s->name.constData();
}

int SoundEngine::musicGetNumChannels(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->numChannels(); });
}

int SoundEngine::musicGetNumInstruments(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->numInstruments(); });
}

int SoundEngine::musicGetNumOrders(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->numOrders(); });
}

int SoundEngine::musicGetNumPatterns(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->numPatterns(); });
}

int SoundEngine::musicGetNumSamples(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->numSamples(); });
}

int SoundEngine::musicGetPatternLength(int song, int order) {
    Song *s = d->song(song);
    if (s == nullptr)
        return -1;
    const int rows = s->source->orderRows(order);
    if (rows < 0)
        d->fail(SoundError::InvalidParam);
    return rows;
}

int SoundEngine::musicGetBPM(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->bpm(); });
}

int SoundEngine::musicGetSpeed(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->speed(); });
}

int SoundEngine::musicGetOrder(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->currentOrder(); });
}

bool SoundEngine::musicSetOrder(int song, int order) {
    Song *s = d->song(song);
    if (s == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    if (!s->source->setOrder(order))
        return d->fail(SoundError::InvalidParam);
    if (s->voice)
        s->voice->sourceMoved();
    return true;
}

int SoundEngine::musicGetPattern(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->currentPattern(); });
}

int SoundEngine::musicGetRow(int song) {
    return d->songValue(song, 0, [](Song &s) { return s.source->currentRow(); });
}

qint64 SoundEngine::musicGetTime(int song) {
    Song *s = d->song(song);
    if (s == nullptr)
        return 0;
    std::lock_guard lock(d->mutex);
    return s->voice ? s->voice->positionMs() : s->source->positionMs();
}

// --- CD audio -----------------------------------------------------------------------------

bool SoundEngine::cdSetPlayMode(int drive, int mode) {
    if (mode < CdPlayContinuous || mode > CdPlayLooped)
        return d->fail(SoundError::InvalidParam);
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    cd->mode = mode;
    return true;
}

bool SoundEngine::cdPlay(int drive, int track) {
    if (!d->needInit())
        return false;
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::unique_ptr<CdTrackSource> source = cd->drive->openTrack(track);
    if (!source)
        return d->fail(SoundError::InvalidParam);
    std::lock_guard lock(d->mutex);
    if (!cd->voice)
        cd->voice = std::make_unique<Voice>(d->rate, d->converter());
    cd->voice->stop();
    cd->track = std::move(source);
    cd->voice->start(cd->track.get());
    cd->voice->volume = cd->volume;
    cd->voice->pan = kFullStereoPan;
    cd->paused = false;
    return true;
}

bool SoundEngine::cdStop(int drive) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::unique_ptr<CdTrackSource> stopped;
    std::lock_guard lock(d->mutex);
    if (cd->voice)
        cd->voice->stop();
    stopped = std::move(cd->track);
    return true;
}

bool SoundEngine::cdSetPaused(int drive, bool paused) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    cd->paused = paused;
    if (cd->voice)
        cd->voice->paused = paused;
    return true;
}

bool SoundEngine::cdGetPaused(int drive) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    return cd->paused;
}

bool SoundEngine::cdIsPlaying(int drive) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    return cd->voice && cd->voice->active() && !cd->voice->paused;
}

int SoundEngine::cdGetNumTracks(int drive) {
    CdPlayer *cd = d->cd(drive);
    return cd == nullptr ? 0 : cd->drive->trackCount();
}

int SoundEngine::cdGetTrack(int drive) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return 0;
    std::lock_guard lock(d->mutex);
    return cd->track && cd->voice && cd->voice->active() ? cd->track->track() : 0;
}

qint64 SoundEngine::cdGetTrackLength(int drive, int track) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return 0;
    const qint64 ms = cd->drive->trackLengthMs(track);
    if (ms < 0) {
        d->fail(SoundError::InvalidParam);
        return 0;
    }
    return ms;
}

qint64 SoundEngine::cdGetTrackTime(int drive) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return 0;
    std::lock_guard lock(d->mutex);
    if (!cd->track)
        return 0;
    return cd->voice && cd->voice->active() ? cd->voice->positionMs() : cd->track->positionMs();
}

bool SoundEngine::cdSetTrackTime(int drive, qint64 ms) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    if (!cd->track || !cd->track->seekMs(ms))
        return d->fail(SoundError::InvalidParam);
    if (cd->voice)
        cd->voice->sourceMoved();
    return true;
}

bool SoundEngine::cdSetVolume(int drive, int volume) {
    if (volume < 0 || volume > 255)
        return d->fail(SoundError::InvalidParam);
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    std::lock_guard lock(d->mutex);
    cd->volume = volume;
    if (cd->voice)
        cd->voice->volume = volume;
    return true;
}

bool SoundEngine::cdEject(int drive) {
    CdPlayer *cd = d->cd(drive);
    if (cd == nullptr)
        return false;
    {
        std::lock_guard lock(d->mutex);
        if (cd->voice)
            cd->voice->stop();
        cd->track.reset();
    }
    const bool ejected = cd->drive->eject();
    // The table of contents is read again when the drive is next used.
    cd->drive.reset();
    return ejected || d->fail(SoundError::CdDevice);
}

} // namespace pelvanto::sound
